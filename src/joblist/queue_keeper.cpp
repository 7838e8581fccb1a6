#include "joblist/queue_keeper.h"

namespace velkin {
namespace {

// A rows record stays far below what a reader takes.
constexpr std::uint32_t kMostRowsPerRecord = 65536;

// More than this waiting for the disk is left to the system: syncing it would stall the window.
constexpr std::uint64_t kMostBytesToSync = std::uint64_t{1} << 20;

} // namespace

void QueueKeeper::Encode() {
    for (; journaled_ < model_.rows.size(); ++journaled_) {
        const JobRow& row = model_.rows[journaled_];
        // A record's rows share one drop-number text; one the user edited while the drop came
        // in goes into a record of its own. Rows whose items have archives of their own carry
        // their numbers.
        if (journal_.rowsOpen() &&
            (row.HasOwnArchive() != journal_.openOwnArchives() ||
             (!row.HasOwnArchive() && row.dropNumber != journal_.openNumber()) ||
             journal_.openCount() == kMostRowsPerRecord)) {
            journal_.CloseRows(encoded_);
        }
        if (!journal_.rowsOpen()) {
            journal_.OpenRows(encoded_, row);
        }
        journal_.AddRow(encoded_, row);
    }
}

void QueueKeeper::Flush(bool sync) {
    if (journal_.rowsOpen()) {
        journal_.CloseRows(encoded_);
    }
    if (encoded_.empty() || givenUp_) {
        encoded_.clear();
        return;
    }
    if (!file_) {
        file_ = makeFile_();
        if (!file_ || !file_->Append(QueueJournal::Header())) {
            GiveUp();
            return;
        }
    }
    // What follows a block written in part would never be read: better none at all.
    if (!file_->Append(encoded_)) {
        GiveUp();
        return;
    }
    unsynced_ += encoded_.size();
    encoded_.clear();
    if (sync) {
        if (unsynced_ <= kMostBytesToSync) {
            file_->Sync();
        }
        // A change too large to sync is left to the system to write out; the count starts
        // over, so that the next change is synced again.
        unsynced_ = 0;
    }
}

void QueueKeeper::GiveUp() {
    givenUp_ = true;
    encoded_.clear();
    if (file_) {
        file_->Remove();
        file_.reset();
    }
}

void QueueKeeper::RowsTakenIn() {
    if (givenUp_ || model_.rows.size() - journaled_ < pace_.rowsPerStep) {
        return;
    }
    Encode();
    if (encoded_.size() >= pace_.bytesPerWrite) {
        Flush(false);
    }
}

void QueueKeeper::DropTakenIn() {
    if (givenUp_) {
        return;
    }
    Encode();
    if (journal_.rowsOpen()) {
        journal_.CloseRows(encoded_);
    }
    journal_.DropEnd(encoded_, model_.dropCount);
    Flush();
}

void QueueKeeper::GroupDeleted(std::int32_t n) {
    if (file_) {
        journal_.DeleteGroup(encoded_, n);
        Flush();
    }
    journaled_ = model_.rows.size();
    EmptiedMaybe();
}

void QueueKeeper::Cleared() {
    journaled_ = 0;
    EmptiedMaybe();
}

void QueueKeeper::NumberEdited(std::size_t row) {
    // A row not encoded yet will be encoded with the text it has then.
    if (file_ && row < journaled_) {
        if (journal_.rowsOpen()) {
            journal_.CloseRows(encoded_);
        }
        journal_.EditNumber(encoded_, row, model_.rows[row].dropNumber);
        Flush();
    }
}

void QueueKeeper::GroupStarted(std::int32_t n) {
    if (file_) {
        journal_.GroupStarted(encoded_, n);
        Flush();
    }
}

void QueueKeeper::GroupDone(std::int32_t n) {
    if (file_) {
        journal_.GroupDone(encoded_, n);
        Flush();
    }
}

void QueueKeeper::RunStopped() {
    if (file_) {
        journal_.Stopped(encoded_);
        Flush();
    }
    journaled_ = model_.rows.size();
    EmptiedMaybe();
}

void QueueKeeper::Adopt(std::unique_ptr<QueueFile> file, const QueueReplay& replay) {
    Discard();
    file_ = std::move(file);
    givenUp_ = false;
    journal_ = QueueJournal(replay.chain);
    // A drop that was being taken in when the window went is not part of the queue.
    if (!file_->Truncate(replay.usableBytes)) {
        GiveUp();
        return;
    }
    journal_.Restored(encoded_);
    Flush();
    journaled_ = model_.rows.size();
    EmptiedMaybe();
}

void QueueKeeper::Discard() {
    if (file_) {
        file_->Remove();
        file_.reset();
    }
    encoded_.clear();
    journal_ = QueueJournal();
    journaled_ = 0;
    unsynced_ = 0;
}

void QueueKeeper::EmptiedMaybe() {
    if (!model_.rows.empty()) {
        return;
    }
    // An empty list needs no history: the file starts over, and stays small.
    encoded_.clear();
    journal_ = QueueJournal();
    unsynced_ = 0;
    if (file_ && !file_->Truncate(kQueueHeaderBytes)) {
        GiveUp();
    }
}

} // namespace velkin
