// Deleting a drop group the plain way: the oracle of the drop groups fuzz target, and the
// quadratic yardstick of bench_delete_group. Portable, without libFuzzer, for the benchmark.
#pragma once

#include <cstdint>
#include <string>

#include "base/integer_text.h"
#include "joblist/job_row.h"

namespace velkin::fuzz {

// Removes the first row of group n and starts over from the top until none is left, then
// numbers the rows by runs of equal destinations and profile numbers. A drop number that is no
// number throws as it is met, leaving the rows removed so far removed and dropCount as it was.
inline void RemoveAndRestart(JobRows& rows, std::int32_t& dropCount, std::int32_t n) {
    for (bool removed = true; removed;) {
        removed = false;
        for (std::size_t at = 0; at < rows.size(); ++at) {
            if (ParseStrictInteger(rows[at].dropNumber) == n) {
                rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(at));
                removed = true;
                break;
            }
        }
    }
    std::int32_t runs = 0;
    for (std::size_t at = 0; at < rows.size(); ++at) {
        if (at != 0 && (rows[at].Destination() != rows[at - 1].Destination() ||
                        rows[at].ProfileNumber() != rows[at - 1].ProfileNumber())) {
            ++runs;
        }
        rows[at].dropNumber = DecimalText(runs);
    }
    dropCount = rows.empty() ? 0 : runs + 1;
}

} // namespace velkin::fuzz
