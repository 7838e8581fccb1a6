#pragma once

#include <cstdint>

#include "joblist/job_row.h"
#include "settings/profiles.h"

namespace velkin {

// The job list as drops fill it and commands empty it: its rows, the drop number the next drop
// receives, and what a drop is taken in with. The profiles belong here because a row names its
// profile by number, and a run looks the switches up by that number.
struct JobList {
    ProfileSet profiles;
    bool savePath = false; // "choose destination and name myself"
    JobRows rows;
    // The drop number the next drop receives, and the bound of a run.
    std::int32_t dropCount = 0;
};

} // namespace velkin
