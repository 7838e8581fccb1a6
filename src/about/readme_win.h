#pragma once

#include <windows.h>

namespace velkin::win {

// Opens README.TXT from the program's folder with whatever the user has for text files.
// Whether that worked is not checked: a missing file simply opens nothing.
void OpenReadme(HWND mainWindow);

} // namespace velkin::win
