#pragma once

#include <string>
#include <string_view>

namespace velkin::win {

// The folder of the running program with its trailing "\", however long its path is. Files
// that belong to the program are found there, never in the current directory.
std::wstring ProgramDirectory();

} // namespace velkin::win
