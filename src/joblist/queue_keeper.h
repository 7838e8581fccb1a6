#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
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
    // What was appended reaches the disk before this returns.
    virtual void Sync() = 0;
    // The file goes away (the window closes as usual, or the user declined the queue).
    virtual void Remove() = 0;
};

// How many new rows make the keeper encode a drop on, and how many bytes make a block it writes.
struct QueueKeeperPace {
    std::size_t rowsPerStep = 128;
    std::size_t bytesPerWrite = std::size_t{1} << 18;
};

// Keeps a window's queue file holding the same queue as the window: told of each change of the
// job list as it is made, it writes the change's record (QueueJournal). The file is made when
// the list first takes in a row, and cut back to its header whenever the list is empty. A file
// that cannot be made or written is given up, and the window goes on without one: the queue is
// a safety net, never a reason to stop the user.
//
// A drop's rows are encoded a few at a time as they come in and written in blocks, so that the
// work is spread over the drop like the making of its rows, and its end is written at once.
//
// Each change is on the disk when it is done (the file is synced), unless it wrote more
// than a megabyte (a large drop): waiting for the disk would stall the window, and the system
// writes the file out by itself soon enough. The change after it is synced as usual. Whatever a
// power cut catches, the file reads back as the list stood after some change (QueueJournal).
class QueueKeeper {
public:
    using FileMaker = std::function<std::unique_ptr<QueueFile>()>;

    using Pace = QueueKeeperPace;

    QueueKeeper(const JobList& model, FileMaker makeFile, Pace pace = Pace())
        : model_(model), makeFile_(std::move(makeFile)), pace_(pace) {}

    // Drop intake: after each row appended (all of the drop being taken in), and at the end of
    // that drop.
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
    // The rows appended since the last call, into the open rows record.
    void Encode();
    // Whatever is encoded goes to the file (an open rows record is closed first); with `sync`
    // (the end of a change), on to the disk, unless the change wrote too much.
    void Flush(bool sync = true);
    // After a change that may have emptied the list.
    void EmptiedMaybe();
    void GiveUp();

    const JobList& model_;
    FileMaker makeFile_;
    Pace pace_;
    std::unique_ptr<QueueFile> file_;
    QueueJournal journal_;
    std::string encoded_;        // records not written yet
    std::size_t journaled_ = 0;  // the rows of the list the records hold
    std::uint64_t unsynced_ = 0; // bytes written since the last change's end
    bool givenUp_ = false;
};

} // namespace velkin
