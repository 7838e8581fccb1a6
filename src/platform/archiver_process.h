#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace velkin::win {

// Starts a program from a command line (the first, quoted token names it) with normal priority,
// no inherited handles, and this process's environment and current directory, then waits until
// it ends while the calling thread goes on handling its messages. Its exit code; nothing when
// it could not be started. A wait that fails counts as the program's end.
std::optional<std::uint32_t> RunAndWait(const std::wstring& commandLine);

} // namespace velkin::win
