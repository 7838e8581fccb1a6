#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace velkin::win {

// The visible top-level windows of the class that belong to other processes running a program
// from the folder (given with its trailing "\", compared without regard to letter case, as the
// file system compares names), front to back.
std::vector<HWND> WindowsOfProgramsIn(std::wstring_view folder, const wchar_t* className);

} // namespace velkin::win
