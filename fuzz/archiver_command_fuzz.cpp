// The archiver's command line and list file, read back by readers written apart from the
// writers: the command line from its ends, the list file by its encoding and by the stand-in's
// readers of WinRAR's and the 7-Zip family's lists; the power-off switch carried to a run's last
// group, read by the stand-in's reading of WinRAR's switches.

#include <algorithm>

#include "fuzz_support.h"
#include "base/velkin_error.h"
#include "core/command_line.h"
#include "core/list_file.h"
#include "core/seven_zip.h"
#include "core/switches.h"
#include "runner/archiver_command.h"
#include "runner/power_off_switch.h"
#include "runner/seven_zip_list_file.h"

namespace {

namespace sjis = velkin::fuzz::sjis;

struct SplitLine {
    std::wstring program;
    std::wstring switches;
    std::wstring archive;
    std::wstring list;
};

// The last quoted token is "@list", the one before it the archive, the first quoted token the
// program, and the switches are what lies between " A " and the archive's " ".
std::optional<SplitLine> SplitBack(std::wstring_view line) {
    SplitLine parts;
    if (line.size() < 2 || line.front() != L'"' || line.back() != L'"') {
        return std::nullopt;
    }
    const auto programEnd = line.find(L'"', 1);
    const auto listOpen = line.rfind(L'"', line.size() - 2);
    if (listOpen == std::wstring_view::npos || listOpen < 3 || line[listOpen + 1] != L'@' ||
        line[listOpen - 1] != L' ' || line[listOpen - 2] != L'"') {
        return std::nullopt;
    }
    parts.list = line.substr(listOpen + 2, line.size() - listOpen - 3);
    const auto archiveOpen = line.rfind(L'"', listOpen - 3);
    if (archiveOpen == std::wstring_view::npos || archiveOpen == 0 ||
        line[archiveOpen - 1] != L' ') {
        return std::nullopt;
    }
    parts.archive = line.substr(archiveOpen + 1, listOpen - 2 - archiveOpen - 1);
    if (programEnd >= archiveOpen || line.substr(programEnd, 4) != L"\" A ") {
        return std::nullopt;
    }
    parts.program = line.substr(1, programEnd - 1);
    const auto switchesStart = programEnd + 4;
    if (archiveOpen - 1 < switchesStart) {
        return std::nullopt;
    }
    parts.switches = line.substr(switchesStart, archiveOpen - 1 - switchesStart);
    return parts;
}

void CheckCommandLine(const velkin::ArchiverInvocation& invocation) {
    const bool quoteFree =
        (invocation.archiverPath + invocation.archivePath + invocation.listFilePath).find(L'"') ==
        std::wstring::npos;
    std::wstring line;
    try {
        line = velkin::BuildArchiverCommandLine(invocation);
    } catch (const velkin::Error&) {
        FUZZ_CHECK(!quoteFree);
        return;
    }
    FUZZ_CHECK(quoteFree);
    FUZZ_CHECK(line.size() == invocation.archiverPath.size() + invocation.switches.size() +
                                  invocation.archivePath.size() + invocation.listFilePath.size() +
                                  12);
    const auto parts = SplitBack(line);
    FUZZ_CHECK(parts);
    FUZZ_CHECK(parts->program == invocation.archiverPath);
    FUZZ_CHECK(parts->switches == invocation.switches);
    FUZZ_CHECK(parts->archive == invocation.archivePath);
    FUZZ_CHECK(parts->list == invocation.listFilePath);
}

// UTF-16LE units back to wide characters, pairs of surrogates joined.
std::wstring FromUtf16(std::string_view bytes) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    std::wstring text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const unsigned unit = units[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            const unsigned low = units[++i];
            if constexpr (sizeof(wchar_t) == 2) {
                text += static_cast<wchar_t>(unit);
                text += static_cast<wchar_t>(low);
            } else {
                text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            }
        } else {
            text += static_cast<wchar_t>(unit);
        }
    }
    return text;
}

// Lines ended by CR LF, each one; nothing when the text does not end with one.
template <class Text> std::optional<std::vector<Text>> Lines(const Text& text) {
    std::vector<Text> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find(typename Text::value_type('\r'), start);
        if (end == Text::npos || end + 1 >= text.size() || text[end + 1] != '\n') {
            return std::nullopt;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void CheckListFile(const std::vector<std::wstring>& paths) {
    const velkin::fuzz::MiniShiftJis codePage;
    const auto lines = velkin::fuzz::ListLinesOf(paths);
    const auto file = velkin::BuildListFile(lines, codePage);

    bool allAnsi = true;
    for (const auto& path : paths) {
        allAnsi = allAnsi && sjis::Encode(path).has_value();
    }
    FUZZ_CHECK((file.encoding == velkin::ListFileEncoding::Ansi) == allAnsi);

    // Read as WinRAR reads it (the stand-in's reader, written apart from Velkin's writer): every
    // path that can be a name (one without a quote) comes back as it was, but the empty ones.
    const auto winRar = velkin::standin::DecodeListFile(
        file.bytes, [](std::string_view bytes) { return sjis::Decode(bytes); });
    FUZZ_CHECK(winRar.problems.empty());
    std::vector<std::wstring> named;
    bool quoteFree = true;
    for (const auto& path : paths) {
        quoteFree = quoteFree && path.find(L'"') == std::wstring::npos;
        if (!path.empty()) {
            named.push_back(path);
        }
    }
    if (quoteFree) {
        FUZZ_CHECK(winRar.entries == named);
    }

    // Line for line, each path as it is, in quotes only where WinRAR would trim its end.
    std::vector<std::wstring> back;
    if (allAnsi) {
        // CR and LF bytes are never part of a double-byte character, so lines split on bytes.
        const auto lines = Lines(file.bytes);
        FUZZ_CHECK(lines);
        for (const auto& line : *lines) {
            const auto text = sjis::Decode(line);
            FUZZ_CHECK(text);
            back.push_back(*text);
        }
    } else {
        FUZZ_CHECK(file.bytes.starts_with("\xFF\xFE"));
        FUZZ_CHECK(file.bytes.size() % 2 == 0);
        const auto lines = Lines(FromUtf16(std::string_view(file.bytes).substr(2)));
        FUZZ_CHECK(lines);
        back = *lines;
    }
    FUZZ_CHECK(back.size() == paths.size());
    for (std::size_t n = 0; n < back.size(); ++n) {
        const bool endsInBlank = paths[n].ends_with(L' ') || paths[n].ends_with(L'\t');
        FUZZ_CHECK(back[n] == (endsInBlank ? L"\"" + paths[n] + L"\"" : paths[n]));
    }

    // The 7-Zip family reads every path back as it was, in UTF-8, but the empty ones.
    velkin::StringSink sink;
    FUZZ_CHECK(velkin::WriteSevenZipListFile(velkin::ListFileLinesIn(lines), L"-tzip", codePage,
                                             sink) == velkin::ListFileEncoding::Utf8);
    // Read by the stand-in's reader of the family's lists, written apart from Velkin's writer.
    const auto read = velkin::standin::DecodeSevenZipListFile(
        sink.bytes(), 65001, [](std::string_view, std::uint32_t) { return std::nullopt; });
    FUZZ_CHECK(read.problems.empty());
    FUZZ_CHECK(read.entries == named);
}

// Paths hold no CR, LF or NUL and no lone surrogate. The first kInCodePage characters are in
// the code page, U+5CCC being the one whose second byte is "\\"; the rest are not.
constexpr std::wstring_view kPathAlphabet =
    L"\\:.a\t Z@\"-\uFF76\u4E00\u5CCC\u7A0F\u3042\u00E9\U0001F600\u8868";
constexpr std::size_t kInCodePage = 14;

// Pieces of switches that make and unmake the power-off switch: its forms, the digits after it,
// quotes alone and in pairs, backslashes, the ends of the switches and blanks.
constexpr std::wstring_view kSwitchPieces[] = {L"-ioff",
                                               L"/IoFf",
                                               L"-i",
                                               L"off",
                                               L"1",
                                               L"4",
                                               L"5",
                                               L"0",
                                               L"x",
                                               L"\"",
                                               L"\"\"",
                                               L"\\",
                                               L" ",
                                               L" ",
                                               L"\t",
                                               L"--",
                                               L"/-",
                                               L"-a",
                                               L"-w\"C:\\t\\\"",
                                               L"@"};

std::wstring SwitchesFrom(FuzzedDataProvider& data) {
    std::wstring switches;
    for (auto count = data.ConsumeIntegralInRange(0, 10); count > 0; --count) {
        switches += kSwitchPieces[data.ConsumeIntegralInRange<std::size_t>(
            0, std::size(kSwitchPieces) - 1)];
    }
    return switches;
}

struct ReadSwitches {
    std::vector<std::wstring> tokens; // as written
    std::vector<bool> turnsOff;
    bool AnyTurnsOff() const {
        return std::find(turnsOff.begin(), turnsOff.end(), true) != turnsOff.end();
    }
};

ReadSwitches ReadAsWinRar(std::wstring_view switches) {
    ReadSwitches read;
    read.tokens = velkin::standin::SplitSwitches(switches);
    for (const auto& effect : velkin::standin::InterpretSwitches(read.tokens).effects) {
        read.turnsOff.push_back(effect.detail == L"computer not turned off");
    }
    return read;
}

// Only the last group turns the computer off, when any group asked for it; every other switch
// stays where it was.
void CheckPowerOff(FuzzedDataProvider& data) {
    std::vector<std::wstring> groups(data.ConsumeIntegralInRange<std::size_t>(1, 4));
    for (auto& switches : groups) {
        switches = SwitchesFrom(data);
    }
    velkin::PowerOffAtEnd powerOff;
    std::optional<std::wstring> form;
    for (std::size_t n = 0; n < groups.size(); ++n) {
        const bool last = n + 1 == groups.size();
        const std::wstring passed = powerOff.SwitchesFor(groups[n], last);
        const ReadSwitches asked = ReadAsWinRar(groups[n]);
        const ReadSwitches given = ReadAsWinRar(passed);
        for (std::size_t t = 0; t < asked.tokens.size(); ++t) {
            if (asked.turnsOff[t]) {
                form = asked.tokens[t];
            }
        }
        if (!last) {
            FUZZ_CHECK(!given.AnyTurnsOff());
            std::vector<std::wstring> kept;
            for (std::size_t t = 0; t < asked.tokens.size(); ++t) {
                if (!asked.turnsOff[t]) {
                    kept.push_back(asked.tokens[t]);
                }
            }
            FUZZ_CHECK(given.tokens == kept);
        } else if (asked.AnyTurnsOff() || !form) {
            FUZZ_CHECK(passed == groups[n]);
        } else {
            FUZZ_CHECK(given.AnyTurnsOff());
            FUZZ_CHECK(groups[n].empty() ? passed == *form
                                         : passed == groups[n] + L" " + *form ||
                                               passed == *form + L" " + groups[n]);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    CheckCommandLine(velkin::fuzz::InvocationFrom(provider, kPathAlphabet));
    const auto paths = velkin::fuzz::ListPathsFrom(provider, kPathAlphabet, kInCodePage);
    CheckListFile(paths);
    CheckPowerOff(provider);
    return 0;
}
