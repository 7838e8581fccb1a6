#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/list_file.h"
#include "core/switches.h"

namespace velkin::standin {

// Exit codes the stand-in chooses by itself; the environment may force another.
enum ExitCode : std::uint32_t {
    kExitSuccess = 0,
    kExitIncomplete = 1,  // a listed file is missing or unreadable, or nothing to add
    kExitArchive = 2,     // no archive path, or the archive could not be written
    kExitCommandLine = 3, // the command line is not one the stand-in understands
    kExitListFile = 4,    // the list file cannot be read or decoded
    kExitInternal = 5,    // an unexpected failure
};

struct AddedItem {
    std::wstring source;
    std::wstring name; // as stored, '/'-separated, folders ending in '/'
    bool folder = false;
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
};

struct SkippedItem {
    std::wstring path;
    std::wstring reason;
};

// Everything one run learns and does, for its log line.
struct RunRecord {
    std::string startTime;
    std::string endTime;
    long long durationMs = 0;
    std::uint32_t processId = 0;
    std::uint32_t ansiCodePage = 0;
    std::wstring commandLine;
    ParsedCommandLine parsed;
    SwitchPlan switchPlan;
    std::optional<std::string> listBytes;
    std::optional<DecodedList> list;
    std::wstring archiveFullPath;
    bool archiveWritten = false;
    std::vector<AddedItem> added;
    std::vector<std::wstring> missing;
    std::vector<SkippedItem> skipped;
    std::vector<std::wstring> notDone;
    std::vector<std::wstring> notes;
    std::vector<std::wstring> errors;
    long long delayMs = 0;
    std::uint32_t exitCodeChosen = kExitSuccess;
    std::optional<std::uint32_t> exitCodeForced;
    // Named as a program of the 7-Zip family: its rules, its exit codes.
    bool sevenZip = false;
    std::wstring archiveType; // the type asked for: zip, 7z, ...; the content is always ZIP

    std::uint32_t ExitCode() const;
    // Keeps the most serious reason: a later, milder one does not hide it.
    void Fail(std::uint32_t code, std::wstring error);
};

// What the run did not do although asked, one line each (-df, -ioff, ignored switches, the
// format), so that nobody reads a success as more than it was.
std::vector<std::wstring> NotDoneBySwitches(const SwitchPlan& plan, const std::wstring& archive);

// The record as one JSON object on one line, without the line end.
std::string FormatLogLine(const RunRecord& record);

// ISO 8601, UTC, milliseconds: 2024-05-06T07:08:09.123Z
std::string FormatUtcTime(int year, int month, int day, int hour, int minute, int second,
                          int millisecond);

} // namespace velkin::standin
