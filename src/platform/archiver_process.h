#pragma once

#include <windows.h>

#include <string>

#include "base/process_end.h"

namespace velkin::win {

// Starts a program from a command line (the first, quoted token names it) with normal priority,
// no inherited handles, and this process's environment and current directory, then waits until
// it ends while the calling thread goes on handling its messages. A wait that fails ends the
// wait, and the end then counts as unconfirmed rather than as an exit code.
ProcessEnd RunAndWait(const std::wstring& commandLine);

} // namespace velkin::win
