#pragma once

#include <string>

#include "joblist/job_list.h"

namespace velkin {

// What a compression run reads and changes: the job list, with where the archiver lives and
// whether the list is cleared after a run.
struct RunModel : JobList {
    bool clearEnd = false; // "clear the list after compressing"
    // Where the archiver lives; the settings load fills it.
    std::wstring winRarPath;
};

} // namespace velkin
