#pragma once

#include <string>

namespace velkin {

// What one group's run leaves to be read afterwards, for as long as the window lives: the
// archiver's command line, how it ended (the status its rows got, which names the exit code and
// its meaning) and what a console archiver printed on its standard error and output, progress
// lines left out (empty for a window archiver).
struct GroupLog {
    std::wstring commandLine;
    std::wstring status;
    std::wstring printed;
};

} // namespace velkin
