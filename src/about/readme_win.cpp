#include "about/readme_win.h"

#include <shellapi.h>

#include <string>

#include "platform/program_directory.h"

namespace velkin::win {

void OpenReadme(HWND mainWindow) {
    // The program's folder, never the current directory, which may be anywhere.
    const std::wstring path = ProgramDirectory() + L"README.TXT";
    ::ShellExecuteW(mainWindow, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace velkin::win
