#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace velkin::win {

// The visible top-level windows of the class that belong to other processes running a program
// from the folder (given with its trailing "\"), front to back. The folder is the same when
// the file system says so, whatever form each path takes: 8.3 names, the \\?\ prefix, letter
// case.
std::vector<HWND> WindowsOfProgramsIn(std::wstring_view folder, const wchar_t* className);

} // namespace velkin::win
