#include "joblist/queue_keeper.h"

#include <algorithm>

namespace velkin {
namespace {

// Rows go into records of at most this many, so that none comes near a reader's limit.
constexpr std::size_t kMostRowsPerRecord = 16384;

} // namespace

void QueueKeeper::Write(std::string_view record) {
    if (givenUp_) {
        return;
    }
    if (!file_) {
        file_ = makeFile_();
        if (!file_ || !file_->Append(QueueJournal::Header())) {
            givenUp_ = true;
            file_.reset();
            return;
        }
    }
    if (!file_->Append(record)) {
        // What follows a record written in part would never be read: better none at all.
        givenUp_ = true;
        file_->Remove();
        file_.reset();
    }
}

void QueueKeeper::WriteRows(std::size_t to) {
    while (journaled_ < to && !givenUp_) {
        // A record's rows share one drop-number text; one the user edited while the drop came
        // in starts a record of its own.
        const std::wstring& number = model_.rows[journaled_].dropNumber;
        std::size_t end = journaled_ + 1;
        const std::size_t most = std::min(to, journaled_ + kMostRowsPerRecord);
        while (end < most && model_.rows[end].dropNumber == number) {
            ++end;
        }
        Write(journal_.Rows(model_.rows, journaled_, end));
        journaled_ = end;
    }
}

void QueueKeeper::RowsTakenIn() {
    WriteRows(model_.rows.size());
}

void QueueKeeper::DropTakenIn() {
    WriteRows(model_.rows.size());
    Write(journal_.DropEnd(model_.dropCount));
}

void QueueKeeper::GroupDeleted(std::int32_t n) {
    if (file_) {
        Write(journal_.DeleteGroup(n));
    }
    journaled_ = model_.rows.size();
    EmptiedMaybe();
}

void QueueKeeper::Cleared() {
    journaled_ = 0;
    EmptiedMaybe();
}

void QueueKeeper::NumberEdited(std::size_t row) {
    // A row not written yet will be written with the text it has then.
    if (file_ && row < journaled_) {
        Write(journal_.EditNumber(row, model_.rows[row].dropNumber));
    }
}

void QueueKeeper::GroupStarted(std::int32_t n) {
    if (file_) {
        Write(journal_.GroupStarted(n));
    }
}

void QueueKeeper::GroupDone(std::int32_t n) {
    if (file_) {
        Write(journal_.GroupDone(n));
    }
}

void QueueKeeper::RunStopped() {
    if (file_) {
        Write(journal_.Stopped());
    }
    journaled_ = model_.rows.size();
    EmptiedMaybe();
}

void QueueKeeper::Adopt(std::unique_ptr<QueueFile> file, const QueueReplay& replay) {
    if (file_) {
        file_->Remove();
    }
    file_ = std::move(file);
    givenUp_ = false;
    journal_ = QueueJournal(replay.chain);
    // A drop that was being taken in when the window went is not part of the queue.
    if (!file_->Truncate(replay.usableBytes)) {
        givenUp_ = true;
        file_->Remove();
        file_.reset();
        return;
    }
    Write(journal_.Restored());
    journaled_ = model_.rows.size();
    EmptiedMaybe();
}

void QueueKeeper::Discard() {
    if (file_) {
        file_->Remove();
        file_.reset();
    }
    journaled_ = 0;
}

void QueueKeeper::EmptiedMaybe() {
    if (!file_ || !model_.rows.empty()) {
        return;
    }
    // An empty list needs no history: the file starts over, and stays small.
    journal_ = QueueJournal();
    if (!file_->Truncate(kQueueHeaderBytes)) {
        givenUp_ = true;
        file_->Remove();
        file_.reset();
    }
}

} // namespace velkin
