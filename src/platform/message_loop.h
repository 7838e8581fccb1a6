#pragma once

#include <chrono>
#include <functional>

namespace velkin::win {

// The thread's message loops. Only the main loop ends the program; a loop that takes the quit
// message out of the queue on the way (a pump inside a long operation, a modal window's loop)
// posts it again, so that the loops around it end as well and the main loop sees it last.

// Takes and dispatches messages until the quit message arrives.
void RunMessageLoop();

// Lets the thread handle every message that is waiting, then returns; a quit message ends it at
// once and is left for the loops around it.
void ProcessPendingMessages();

// The same for at most about that long: another program that keeps sending or posting messages
// cannot hold back the work between two such calls for good.
void ProcessPendingMessagesFor(std::chrono::milliseconds most);

// Runs a modal box (its own loop inside) with a quit message that is already waiting held back,
// and posts that quit again once the box is gone: the box's loop would take the quit for the
// end of the box, which would then vanish before anyone could read it.
void WithWaitingQuitHeldBack(const std::function<void()>& showModalBox);

// Takes and dispatches messages while isOpen() holds; a quit message ends it early and is left
// for the loops around it. For a window shown modally: its handlers make isOpen() false.
void RunModalLoop(const std::function<bool()>& isOpen);

} // namespace velkin::win
