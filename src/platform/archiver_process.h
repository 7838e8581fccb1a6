#pragma once

#include <windows.h>

#include <string>

#include "base/process_end.h"
#include "platform/foreground_watch.h"

namespace velkin::win {

// Starts a program from a command line (the first, quoted token names it) with normal priority,
// no inherited handles, and this process's environment and current directory, then waits until
// it ends while the calling thread goes on handling its messages. A wait that fails ends the
// wait, and the end then counts as unconfirmed rather than as an exit code. The watch hears of
// the program while it runs.
ProcessEnd RunAndWait(const std::wstring& commandLine, ForegroundWatch& watch);

} // namespace velkin::win
