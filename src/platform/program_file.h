#pragma once

#include <string>

#include "base/program_subsystem.h"

namespace velkin::win {

// The subsystem of the program at the path, read from its file's header; a file that cannot be
// opened or read counts as a window program.
ProgramSubsystem ProgramSubsystemOf(const std::wstring& path);

} // namespace velkin::win
