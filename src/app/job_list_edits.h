#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "joblist/job_list.h"
#include "joblist/queue_journal.h"
#include "joblist/queue_keeper.h"

namespace velkin {

// What the user's commands do to the job list besides a drop and a run: deleting the group of a
// row, clearing the list, editing a drop number in place, and putting back a queue left behind.
// The queue file is told of each change as it is made, and the view shows all rows anew after
// each change that removes or renumbers rows, one that an error stops half way included.
class JobListEdits {
public:
    // Asks the user a question; true on Yes.
    using Confirm = std::function<bool(std::wstring_view question)>;

    JobListEdits(JobList& list, QueueKeeper& keeper, std::function<void()> showAllRows)
        : list_(list), keeper_(keeper), showAllRows_(std::move(showAllRows)) {}

    // The group whose number the row's text reads as goes, after the user's consent, and the
    // rows left are numbered afresh (DeleteGroup). Nothing without a row. A text that does not
    // read as an integer raises the parse error, before or (further down the list) during the
    // deletion.
    void DeleteGroupAt(std::optional<std::size_t> row, const Confirm& confirm);

    // After the user's consent, every row goes and the next drop is number 0 again.
    void Clear(const Confirm& confirm);

    // The text the user typed becomes the row's drop number, whatever it is; false when there is
    // no such row.
    bool EditDropNumber(std::size_t row, std::wstring text);

    // A queue left behind goes into the list, which is empty: its rows, its drop count, and its
    // file, which becomes this window's.
    void PutBack(std::unique_ptr<QueueFile> file, QueueReplay replay);

private:
    JobList& list_;
    QueueKeeper& keeper_;
    std::function<void()> showAllRows_;
};

} // namespace velkin
