#pragma once

#include <windows.h>

#include "app/job_list_edits.h"
#include "joblist/drop_intake.h"

namespace velkin::win {

// A queue that a Velkin of this folder left behind (killed, crashed, or closed during a run) is
// offered once, before anything else goes in, and put back on Yes; on No its file goes.
void OfferQueueLeftBehind(HWND window, DropIntake& intake, JobListEdits& edits);

} // namespace velkin::win
