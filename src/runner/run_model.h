#pragma once

#include "joblist/job_list.h"

namespace velkin {

// What a compression run reads and changes: the job list, with whether the list is cleared
// after a run.
struct RunModel : JobList {
    bool clearEnd = false; // "clear the list after compressing"
};

} // namespace velkin
