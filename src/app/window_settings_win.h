#pragma once

#include <windows.h>

#include "app/app_model.h"
#include "app/job_list_view_win.h"
#include "platform/window_placement_win.h"

namespace velkin::win {

// The main window's settings at start-up: its place, the column widths and the model's values
// from the settings file, then the archiver's location asked for when the file names none, and
// that archiver's own default profiles where the file holds none.
void ApplyStartupSettings(HWND window, WindowPlacer& placer, JobListView& list, AppModel& model);

// The same taken from the window and the model and written at close; throws the error naming
// the file when it cannot be written.
void WriteWindowSettings(HWND window, const JobListView& list, const AppModel& model);

} // namespace velkin::win
