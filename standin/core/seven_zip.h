#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/list_file.h"
#include "core/switches.h"

// The 7-Zip family's rules, which the stand-in follows when its program file carries one of the
// family's names (a copy named 7z.exe, say): how it reads its switches and its list file, which
// archive type it makes and what its exit codes are, as the family's programs do. Nothing here is
// shared with Velkin: the stand-in checks Velkin from outside.
namespace velkin::standin {

// 7z.exe, 7za.exe, 7zz.exe, 7zG.exe, NanaZipC.exe or NanaZipG.exe, in any letter case.
bool IsSevenZipProgram(std::wstring_view programPath);

// The family's exit codes: 1 a warning (files it could not read, left out of the archive it made
// all the same), 2 a fatal error, 7 a command-line error (an unknown switch, a list file it
// cannot read in its character set). The stand-in's own reasons map onto them.
std::uint32_t SevenZipExitCode(std::uint32_t standInCode);

// The switches as the family reads them: split at blanks and tabs outside double quotes, quotes
// taken out; each word starting with "-" (until a word "--") is the switch whose name is the
// longest of the family's switch names it starts with, in any letter case. A name the family does
// not know (WinRAR's -afzip, -ep1, -df), a second one of a switch that may come once, a switch
// too short or too long for its kind, a character set the family does not take, or a word that
// is no switch (the family would take it for the archive's name) each make a command-line error.
struct SevenZipSwitches {
    SwitchPlan plan; // the effects for the log, the compression level; names without folders
    std::optional<std::wstring> type;
    std::uint32_t listCodePage = 65001; // from -scs: 65001 UTF-8, 1200/1201 UTF-16, 0 ANSI, ...
    bool deleteAfter = false;           // -sdel: recorded, never acted on
    std::vector<std::wstring> errors;
};

SevenZipSwitches InterpretSevenZipSwitches(std::wstring_view switches);

// The type the family makes: the -t type in lower case, else the one the archive's extension
// names, else 7z. Empty when -t names a type the family cannot make (a fatal error, 2).
std::wstring SevenZipArchiveType(const std::optional<std::wstring>& type,
                                 std::wstring_view archivePath);

// gzip, bzip2 and xz hold one file each.
bool IsSingleFileType(std::wstring_view type);

// Turns bytes in the numbered code page into text; nothing when they are not valid in it or the
// code page is unknown. The platform supplies it.
using CodePageDecoder =
    std::function<std::optional<std::wstring>(std::string_view bytes, std::uint32_t codePage)>;

// The list as the family reads it: UTF-8 unless -scs said otherwise, UTF-16 in either order, or
// a code page; every leading byte-order mark skipped; lines ended by CR or LF, empty ones
// skipped; each line trimmed of blanks and tabs, then one pair of enclosing double quotes taken
// off. Bytes that are not valid in the character set, a NUL, or an odd size of UTF-16 are
// problems: the family refuses the whole list.
DecodedList DecodeSevenZipListFile(std::string_view bytes, std::uint32_t codePage,
                                   const CodePageDecoder& decode);

} // namespace velkin::standin
