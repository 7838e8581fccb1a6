#pragma once

#include <memory>
#include <optional>
#include <string>

#include "joblist/queue_journal.h"
#include "joblist/queue_keeper.h"

namespace velkin::win {

// A window's queue file beside the program: "Velkin.<process>-<time>.queue", made anew and held
// open for as long as the window lives, so that no other Velkin takes it for one left behind.
// Nothing when it cannot be made (a folder that cannot be written, say).
std::unique_ptr<QueueFile> CreateQueueFile(const std::wstring& directory);

// A queue file beside the program that no running Velkin holds (its window was killed, crashed
// or lost its power, or a close stopped its run), with what it holds; it is held from now on.
// The oldest one first; each start takes one. Files that hold nothing to put back go away on
// the way; a file of another version is left for the Velkin that wrote it. The rows and drop
// count are those that go back in the list (RestoreQueue done).
struct QueueLeftBehind {
    std::unique_ptr<QueueFile> file;
    QueueReplay replay;
};
std::optional<QueueLeftBehind> TakeQueueLeftBehind(const std::wstring& directory);

} // namespace velkin::win
