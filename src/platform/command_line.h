#pragma once

#include <string>
#include <vector>

namespace velkin::win {

// The arguments after the program's own name, split by the shell's rules (CommandLineToArgvW
// on the wide command line), so that quoted names with blanks and names outside the ANSI code
// page arrive intact.
std::vector<std::wstring> CommandLineArguments();

// The full path of a path that depends on the current directory or drive; the path as given
// when the system can make none of it.
std::wstring FullPathName(const std::wstring& path);

} // namespace velkin::win
