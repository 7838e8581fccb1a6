#pragma once

#include <cstddef>
#include <string>

#include "base/process_end.h"

namespace velkin {

// What one group's run leaves to be read afterwards, for as long as the window lives: the
// archiver's command line, how it ended and the status its rows got, and what a console
// archiver printed: its standard error alone, and both streams, standard error first, progress
// lines left out (empty for a window archiver).
struct GroupLog {
    std::wstring commandLine;
    ProcessEnd end;
    std::wstring status;
    std::wstring errors;
    std::wstring printed;
};

// The log as the log window shows it, lines ended by CR LF: the command line, the exit code and
// the status that names its meaning, then the archiver's text.
std::wstring GroupLogText(const GroupLog& log);

// The first lines of the archiver's error text that hold anything, at most `most` of them, one
// line feed between them; empty when it printed no error.
std::wstring FirstErrorLines(const GroupLog& log, std::size_t most);

} // namespace velkin
