#pragma once

#include <array>

#include "runner/run_model.h"
#include "settings/settings_values.h"

namespace velkin {

// The state of a running program. The main window shows it; its handlers change it. Each
// subsystem declares the part it works on (JobList for drops and groups, RunModel for runs), so
// that none of them needs the shell; the program's model is the whole of them.
using AppModel = RunModel;

// What the settings file gives the model at start-up: the profile texts and the selected
// profile, the options and the archiver's location.
void ApplySettings(const Settings& settings, AppModel& model);

// Once the archiver is known (the settings file names it, or the first-start prompt), each
// profile the settings file does not hold starts as that archiver's own default; a profile the
// file holds is never changed.
void ApplyDefaultProfiles(const std::array<bool, kProfileCount>& held, AppModel& model);

// The model's part of the settings to save; the window adds its place and the column widths.
void StoreSettings(const AppModel& model, Settings& settings);

} // namespace velkin
