#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "joblist/job_row.h"

namespace velkin {

// Removes every row whose drop number reads as n, then numbers all remaining rows afresh from 0
// by runs of neighbouring rows with the same destination and profile number texts (compared
// exactly), and sets dropCount to the number of runs.
//
// A drop-number text that does not read as an integer raises the parse error: the rows carrying
// n above it are removed, the rows from it down stay, nothing is renumbered and dropCount keeps
// its value.
void DeleteGroup(JobRows& rows, std::int32_t& dropCount, std::int32_t n);

// Numbers every row afresh from 0 by runs of neighbouring rows with the same destination and
// profile number texts, as after a deletion, and sets dropCount to the number of runs.
void Renumber(JobRows& rows, std::int32_t& dropCount);

// Removes the rows whose status says they were archived ("OK"); whether there were any.
bool RemoveDoneRows(JobRows& rows);

// After a stopped run: the archived rows go, and the rest (the stopped group, failed ones, ones
// never run) are numbered afresh as after a deletion.
void KeepRowsToDo(JobRows& rows, std::int32_t& dropCount);

// The question asked before a group is deleted.
std::wstring DeleteGroupQuestion(std::wstring_view dropNumberText);

} // namespace velkin
