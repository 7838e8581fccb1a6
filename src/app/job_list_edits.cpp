#include "app/job_list_edits.h"

#include "base/integer_text.h"
#include "base/message_texts.h"
#include "base/scope_exit.h"
#include "joblist/drop_groups.h"

namespace velkin {

void JobListEdits::DeleteGroupAt(std::optional<std::size_t> row, const Confirm& confirm) {
    if (!row || *row >= list_.rows.size() ||
        !confirm(DeleteGroupQuestion(list_.rows[*row].dropNumber))) {
        return;
    }
    // The box's loop runs the window's messages: the row is looked at again, not trusted.
    if (*row >= list_.rows.size()) {
        return;
    }
    const std::int32_t number = ParseStrictInteger(list_.rows[*row].dropNumber);
    const ScopeExit shown([this, number] {
        keeper_.GroupDeleted(number);
        showAllRows_();
    });
    DeleteGroup(list_.rows, list_.dropCount, number);
}

void JobListEdits::Clear(const Confirm& confirm) {
    if (!confirm(text::kConfirmClear)) {
        return;
    }
    list_.Clear();
    keeper_.Cleared();
    showAllRows_();
}

bool JobListEdits::EditDropNumber(std::size_t row, std::wstring text) {
    if (row >= list_.rows.size()) {
        return false;
    }
    list_.rows[row].dropNumber = std::move(text);
    keeper_.NumberEdited(row);
    return true;
}

void JobListEdits::PutBack(std::unique_ptr<QueueFile> file, QueueReplay replay) {
    list_.rows = std::move(replay.rows);
    list_.dropCount = replay.dropCount;
    keeper_.Adopt(std::move(file), replay);
    showAllRows_();
}

} // namespace velkin
