#pragma once

#include <string>
#include <vector>

namespace velkin::driver {

struct Outcome {
    int exitCode = 0;
    std::string error;
};

// words: the command name, then its options and words.
Outcome Execute(const std::vector<std::wstring>& words);

// Reads requests until stdin ends; every answer ends with {"end":EXIT CODE[,"error":TEXT]},
// after the command's own lines. A failed command leaves the server running.
int Serve();

} // namespace velkin::driver
