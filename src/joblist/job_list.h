#pragma once

#include <cstdint>
#include <string>

#include "base/archiver_kind.h"
#include "joblist/job_row.h"
#include "settings/profiles.h"

namespace velkin {

// The job list as drops fill it and commands empty it: its rows, the drop number the next drop
// receives, and what a drop is taken in with. The profiles belong here because a row names its
// profile by number, and a run looks the switches up by that number; the archiver because its
// kind decides which archive type a profile names.
struct JobList {
    ProfileSet profiles;
    bool savePath = false; // "choose destination and name myself"
    bool eachItem = false; // "an archive of its own for every item"
    // Where the archiver lives; the settings load fills it.
    std::wstring winRarPath;
    JobRows rows;
    // The drop number the next drop receives, and the bound of a run.
    std::int32_t dropCount = 0;

    ArchiverKind archiverKind() const { return ArchiverKindOf(winRarPath); }

    // Every row goes, by the clear command or at the end of a run, and the next drop is
    // number 0 again.
    void Clear() {
        rows.clear();
        dropCount = 0;
    }
};

} // namespace velkin
