#pragma once

#include <windows.h>

#include "app/app_model.h"

namespace velkin::win {

// Builds the main menu of the form description; profile captions and check marks are filled
// in by RefreshMainMenu.
HMENU CreateMainMenu();

// Makes the menu show the model: the five profile captions, the selected profile and the two
// option check marks.
void RefreshMainMenu(HMENU menu, const AppModel& model);

} // namespace velkin::win
