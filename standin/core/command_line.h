#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velkin::standin {

// "<program>" <command> <switches> "<archive>" "@<list file>"
//
// The switches are free text that may hold quotes and blanks of their own, so the line is read
// from both ends towards the middle: the program and the command from the front, the list file
// and the archive (the last two quoted tokens; a path cannot contain a quote) from the back.
// Whatever lies between, less the one blank on each side that separates it, is the switches.
struct ParsedCommandLine {
    bool ok = false;
    std::wstring error; // why the line could not be understood, when !ok
    std::wstring program;
    std::wstring command;
    std::wstring switches; // verbatim
    std::vector<std::wstring> switchList;
    std::wstring archivePath;
    std::wstring listFilePath;       // without its '@'
    std::vector<std::wstring> notes; // oddities that were tolerated
};

ParsedCommandLine ParseCommandLine(std::wstring_view line);

// Blank-separated tokens; a quoted stretch belongs to the token around it and keeps its quotes,
// so -ap"my dir" stays one switch.
std::vector<std::wstring> SplitSwitches(std::wstring_view switches,
                                        bool* unbalancedQuote = nullptr);

} // namespace velkin::standin
