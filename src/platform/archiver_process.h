#pragma once

#include <windows.h>

#include <string>

#include "base/console_text.h"
#include "base/process_end.h"
#include "platform/foreground_watch.h"

namespace velkin::win {

// Starts a program from a command line (the first, quoted token names it) with normal priority,
// no inherited handles, and this process's environment and current directory, then waits until
// it ends while the calling thread goes on handling its messages. A wait that fails ends the
// wait, and the end then counts as unconfirmed rather than as an exit code. The watch hears of
// the program while it runs.
ProcessEnd RunAndWait(const std::wstring& commandLine, ForegroundWatch& watch);

// What the waiting thread hears of a console program while it runs.
class ConsoleRunWatch {
public:
    virtual ~ConsoleRunWatch() = default;
    // The program printed a new progress figure: told at most about ten times a second,
    // however fast it prints, on the waiting thread.
    virtual void Progressed(const ConsoleProgress& progress) = 0;
    // Whether the user asked to stop the program; asked whenever the waiting thread wakes.
    virtual bool StopAsked() = 0;
};

// How a console program ended, and what it printed on its standard error and output, progress
// lines left out (JoinKeptText), and on its standard error alone.
struct ConsoleRunEnd {
    ProcessEnd end;
    std::string printed;
    std::string errors;
};

// The same for a console program, started without a console window: standard input from NUL,
// standard output and error into pipes that threads of their own read as it prints, so that it
// never waits for the window, however much it prints. A stop the watch asks for reaches the
// program as a user's Ctrl+Break in its console would, so that it cleans up and ends with its
// own code; a program that has not ended 5 s later is ended with exit code 255.
ConsoleRunEnd RunConsoleAndWait(const std::wstring& commandLine, ForegroundWatch& watch,
                                ConsoleRunWatch& console);

} // namespace velkin::win
