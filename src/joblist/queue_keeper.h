#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "joblist/job_list.h"
#include "joblist/queue_journal.h"

namespace velkin {

// Where a window keeps its queue: a file it holds for as long as it lives, so that a second
// Velkin can tell a queue left behind from one in use.
class QueueFile {
public:
    virtual ~QueueFile() = default;
    // Adds the bytes at the end; whether they were all written.
    virtual bool Append(std::string_view bytes) = 0;
    // Cuts the file to its first `size` bytes; whether it could.
    virtual bool Truncate(std::uint64_t size) = 0;
    // The file goes away (the window closes as usual, or the user declined the queue).
    virtual void Remove() = 0;
};

// Keeps a window's queue file holding the same queue as the window: told of each change of the
// job list as it is made, it appends the change's record (QueueJournal). The file is made when
// the list first takes in a row, and cut back to its header whenever the list is empty. A file
// that cannot be made or written is given up, and the window goes on without one: the queue is
// a safety net, never a reason to stop the user.
class QueueKeeper {
public:
    using FileMaker = std::function<std::unique_ptr<QueueFile>()>;

    QueueKeeper(const JobList& model, FileMaker makeFile)
        : model_(model), makeFile_(std::move(makeFile)) {}

    // Drop intake: the rows appended since the last call (all of the drop being taken in), and
    // the end of that drop.
    void RowsTakenIn();
    void DropTakenIn();

    void GroupDeleted(std::int32_t n);
    void Cleared();
    void NumberEdited(std::size_t row);

    // A run: a group's archiver started, and ended well; the run was stopped (archived rows
    // removed, the rest numbered afresh).
    void GroupStarted(std::int32_t n);
    void GroupDone(std::int32_t n);
    void RunStopped();

    // A queue left behind was put back in the window (RestoreQueue): its file becomes this
    // window's, written on after its usable bytes.
    void Adopt(std::unique_ptr<QueueFile> file, const QueueReplay& replay);

    // The window closes as usual: its queue goes with it.
    void Discard();

    bool keeping() const { return file_ != nullptr; }

private:
    void Write(std::string_view record);
    void WriteRows(std::size_t to);
    // After a change that may have emptied the list.
    void EmptiedMaybe();

    const JobList& model_;
    FileMaker makeFile_;
    std::unique_ptr<QueueFile> file_;
    QueueJournal journal_;
    std::size_t journaled_ = 0; // the rows of the list the file holds
    bool givenUp_ = false;
};

} // namespace velkin
