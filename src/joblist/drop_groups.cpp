#include "joblist/drop_groups.h"

#include <algorithm>

#include "base/integer_text.h"
#include "base/message_texts.h"

namespace velkin {
namespace {

// Removing a row and starting over from the top, as long as rows match, leaves the same list as
// one pass that keeps the rows that do not match: the rows above were already read and kept.
// One pass does it in linear time.
void RemoveGroupRows(JobRows& rows, std::int32_t n) {
    std::size_t kept = 0;
    for (std::size_t at = 0; at < rows.size(); ++at) {
        const auto value = TryParseStrictInteger(rows[at].dropNumber);
        if (!value) {
            // With nothing removed yet the rows are already in place; moving a row onto
            // itself would empty it.
            if (kept != at) {
                std::move(rows.begin() + static_cast<std::ptrdiff_t>(at), rows.end(),
                          rows.begin() + static_cast<std::ptrdiff_t>(kept));
            }
            const std::wstring unreadable = rows[kept].dropNumber;
            rows.resize(rows.size() - (at - kept));
            ParseStrictInteger(unreadable); // throws the error naming the text
        }
        if (*value == n) {
            continue;
        }
        if (kept != at) {
            rows[kept] = std::move(rows[at]);
        }
        ++kept;
    }
    rows.resize(kept);
}

// Rows of one drop share their texts, which spares most comparisons.
bool SameGroup(const JobRow& a, const JobRow& b) {
    const std::wstring& profile = a.ProfileNumber();
    const std::wstring& otherProfile = b.ProfileNumber();
    return a.SameDestination(b) && (&profile == &otherProfile || profile == otherProfile);
}

} // namespace

void DeleteGroup(JobRows& rows, std::int32_t& dropCount, std::int32_t n) {
    RemoveGroupRows(rows, n);
    Renumber(rows, dropCount);
}

void Renumber(JobRows& rows, std::int32_t& dropCount) {
    dropCount = 0;
    if (rows.empty()) {
        return;
    }
    // A group runs with the profile of its last row: rows of two profiles in one group would
    // give the first one's files the other's switches (its -df, say).
    const JobRow* current = &rows.front();
    std::wstring number = DecimalText(dropCount);
    for (auto& row : rows) {
        if (!SameGroup(row, *current)) {
            ++dropCount;
            number = DecimalText(dropCount);
        }
        current = &row;
        row.dropNumber = number;
    }
    ++dropCount;
}

bool RemoveDoneRows(JobRows& rows) {
    const auto done = std::remove_if(rows.begin(), rows.end(), [](const JobRow& row) {
        return row.status == text::kStatusDone;
    });
    const bool removed = done != rows.end();
    rows.erase(done, rows.end());
    return removed;
}

void KeepRowsToDo(JobRows& rows, std::int32_t& dropCount) {
    RemoveDoneRows(rows);
    Renumber(rows, dropCount);
}

std::wstring DeleteGroupQuestion(std::wstring_view dropNumberText) {
    return std::wstring(dropNumberText) + std::wstring(text::kConfirmDeleteGroupSuffix);
}

} // namespace velkin
