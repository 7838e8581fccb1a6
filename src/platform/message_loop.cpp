#include "platform/message_loop.h"

#include <windows.h>

#include <chrono>
#include <optional>

#include "base/scope_exit.h"

namespace velkin::win {
namespace {

void Dispatch(const MSG& message) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
}

// The quit message was taken out of the queue by a loop that is not the main one.
void PassOnQuit(const MSG& quit) {
    ::PostQuitMessage(static_cast<int>(quit.wParam));
}

// Dispatches the waiting messages until none waits, a quit comes (left for the loops around) or
// the end, if there is one, has passed.
void PumpWaiting(std::optional<std::chrono::steady_clock::time_point> end) {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PassOnQuit(message);
            return;
        }
        Dispatch(message);
        if (end && std::chrono::steady_clock::now() >= *end) {
            return;
        }
    }
}

} // namespace

// Only the quit message ends a loop. A message the system fails to hand over is lost and the
// loop goes on: under Wine, a message sent from another process with 256 MB of data makes
// GetMessageW fail (with a status code, not -1), and the window must keep working.
void RunMessageLoop() {
    MSG message{};
    for (;;) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            return;
        }
        if (got > 0) {
            Dispatch(message);
        }
    }
}

void ProcessPendingMessages() {
    PumpWaiting(std::nullopt);
}

void ProcessPendingMessagesFor(std::chrono::milliseconds most) {
    PumpWaiting(std::chrono::steady_clock::now() + most);
}

void WithWaitingQuitHeldBack(const std::function<void()>& showModalBox) {
    MSG quit{};
    const bool held = ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    const ScopeExit postAgain([&] {
        if (held) {
            PassOnQuit(quit);
        }
    });
    showModalBox();
}

void RunModalLoop(const std::function<bool()>& isOpen) {
    MSG message{};
    while (isOpen()) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PassOnQuit(message);
            return;
        }
        if (got > 0) {
            Dispatch(message);
        }
    }
}

} // namespace velkin::win
