#pragma once

#include <windows.h>

#include <array>

#include "settings/settings_values.h"

namespace velkin::win {

// The settings file beside the program, through the system's profile functions. What is missing
// or unreadable in it keeps its default; the default sizes (window and columns) are those of a
// 96-DPI screen, scaled to the given DPI, while stored sizes are pixels as they stand.
Settings ReadSettingsFile(UINT dpi);

// Which of the five profiles the settings file holds.
std::array<bool, kProfileCount> ProfilesInSettingsFile();

// Writes every key; throws the error naming the file when a write fails.
void WriteSettingsFile(const Settings& settings);

} // namespace velkin::win
