#pragma once

#include <windows.h>

#include "app/app_model.h"

namespace velkin::win {

// Builds the main menu: its five menus with their items, under the ids of command_ids.h. The
// profile captions and the check marks are filled in by RefreshMainMenu.
HMENU CreateMainMenu();

// Makes the window's menu show the model: the five profile captions, the selected profile and
// the option check marks.
void RefreshMainMenu(HWND window, const AppModel& model);

// As a menu opens: the commands that CommandAllowed refuses now are greyed, the others enabled.
void GreyRefusedCommands(HMENU popup, bool busy);
// Greys the log command of the popup, if it holds it, unless the selected row's group has run.
void GreyLogCommand(HMENU popup, bool logged);

} // namespace velkin::win
