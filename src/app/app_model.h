#pragma once

#include <cstdint>
#include <string>

#include "joblist/job_row.h"
#include "settings/profiles.h"

namespace velkin {

// The state of a running program. The main window shows it; its handlers change it.
struct AppModel {
    ProfileSet profiles;
    bool savePath = false; // "choose destination and name myself"
    bool clearEnd = false; // "clear the list after compressing"
    JobRows rows;
    // The drop number the next drop receives, and the bound of a run.
    std::int32_t dropCount = 0;
    // Where the archiver lives; the settings load fills it.
    std::wstring winRarPath;
};

} // namespace velkin
