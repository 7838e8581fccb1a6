#include <doctest/doctest.h>

#include <string>

#include "core/run_record.h"
#include "core/seven_zip.h"

using namespace velkin::standin;

namespace {

// Code page 932 in miniature: ASCII as it is, 0x95 0x5C as 表; anything else is invalid.
std::optional<std::wstring> TinyCodePage(std::string_view bytes, std::uint32_t codePage) {
    if (codePage != 932) {
        return std::nullopt;
    }
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            text += static_cast<wchar_t>(byte);
        } else if (byte == 0x95 && i + 1 < bytes.size() && bytes[i + 1] == 0x5C) {
            text += L'\u8868';
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return text;
}

} // namespace

TEST_CASE("the stand-in is of the 7-Zip family by its file's name") {
    CHECK(IsSevenZipProgram(L"C:\\x\\7z.exe"));
    CHECK(IsSevenZipProgram(L"C:\\x\\7ZG.EXE"));
    CHECK(IsSevenZipProgram(L"NanaZipC.exe"));
    CHECK_FALSE(IsSevenZipProgram(L"C:\\x\\StandInArchiver.exe"));
    CHECK_FALSE(IsSevenZipProgram(L"C:\\7z.exe\\WinRAR.exe"));
}

TEST_CASE("the family's switches: known ones taken, anything else a command-line error") {
    struct Case {
        std::wstring_view switches;
        std::size_t errors;
    };
    const Case cases[] = {
        {L"-tzip -mcu=on -mx=9 -sdel", 0},
        {L"-T7Z \"-scsUTF-16LE\" -ao -r-", 0},
        {L"-afzip", 1},      // WinRAR's, unknown here
        {L"-EP1 -S -M5", 2}, // -M5 is -m with "5", which the parser takes
        {L"-tzip -t7z", 1},  // -t may come once
        {L"-scsKOI8", 1},    // a character set the family does not take
        {L"-sdelx", 1},      // a simple switch takes nothing after its name
        {L"-m", 1},          // -m needs something after it
        {L"archive.zip", 1}, // taken for the archive's name
        {L"-- -tzip", 1},    // no switch after "--"
        {L"", 0},
    };
    for (const auto& c : cases) {
        CAPTURE(std::string(c.switches.begin(), c.switches.end()));
        CHECK(InterpretSevenZipSwitches(c.switches).errors.size() == c.errors);
    }
    const auto read = InterpretSevenZipSwitches(L"-tZIP -mx=0 -sdel -scs1201");
    CHECK(read.type == L"ZIP");
    CHECK(read.plan.compressionLevel == 0);
    CHECK(read.plan.excludeBaseFolder);
    CHECK(read.deleteAfter);
    CHECK(read.listCodePage == 1201);
    CHECK(read.plan.effects[2].action == SwitchAction::NotActedOn);
    CHECK(InterpretSevenZipSwitches(L"-scsWIN").listCodePage == 0);
    CHECK(InterpretSevenZipSwitches(L"").listCodePage == 65001);
}

TEST_CASE("the family's archive type: -t, else the archive's extension, else 7z") {
    CHECK(SevenZipArchiveType(L"ZIP", L"D:\\a.7z") == L"zip");
    CHECK(SevenZipArchiveType(L"gzip", L"D:\\a.txt.gz") == L"gzip");
    CHECK(SevenZipArchiveType(L"rar", L"D:\\a.rar").empty()); // the family cannot make it
    CHECK(IsSingleFileType(L"gzip"));
    CHECK_FALSE(IsSingleFileType(L"tar"));
    CHECK(SevenZipArchiveType(std::nullopt, L"D:\\a.Zip") == L"zip");
    CHECK(SevenZipArchiveType(std::nullopt, L"D:\\a.rar") == L"7z");
    CHECK(SevenZipArchiveType(std::nullopt, L"D:\\dir.zip\\a") == L"7z");
}

TEST_CASE("the family reads its list in UTF-8, trims each line and takes its quotes off") {
    const auto list = DecodeSevenZipListFile(
        "\xEF\xBB\xBF"
        "D:\\a b.txt\r\n  D:\\\xE8\xA1\xA8.txt \t\r\n\"D:\\x \"\n\r\n\"\"\rD:\\last",
        65001, TinyCodePage);
    CHECK(list.encoding == ListEncoding::Utf8);
    CHECK(list.problems.empty());
    CHECK(list.entries ==
          std::vector<std::wstring>{L"D:\\a b.txt", L"D:\\\u8868.txt", L"D:\\x ", L"D:\\last"});

    struct Bad {
        std::string bytes;
        std::uint32_t codePage;
    };
    const Bad bad[] = {
        {"D:\\\x95\x5C.txt\r\n", 65001}, // Shift-JIS read as UTF-8
        {"\xFF\xFE"
         "D\0:\0\r\0\n\0",
         65001},                         // UTF-16 read as UTF-8
        {std::string("a\0b", 3), 65001}, // a NUL
        {"D:\\\xED\xA0\x80\r\n", 65001}, // a lone surrogate in UTF-8 form
        {"a\0b", 1200},                  // odd size of UTF-16
        {"D:\\\xE8\xA1\xA8", 932},       // UTF-8 read as code page 932
    };
    for (const auto& c : bad) {
        CHECK_FALSE(DecodeSevenZipListFile(c.bytes, c.codePage, TinyCodePage).problems.empty());
    }
    const auto little = DecodeSevenZipListFile(std::string("\xFF\xFE"
                                                           "a\0\r\0\n\0b\0",
                                                           10),
                                               1200, TinyCodePage);
    CHECK(little.entries == std::vector<std::wstring>{L"a", L"b"});
    const auto big = DecodeSevenZipListFile(std::string("\0a\0\n\x88\x68", 6), 1201, TinyCodePage);
    CHECK(big.entries == std::vector<std::wstring>{L"a", L"\u8868"});
    const auto shiftJis = DecodeSevenZipListFile("D:\\\x95\x5C.txt\r\n", 932, TinyCodePage);
    CHECK(shiftJis.entries == std::vector<std::wstring>{L"D:\\\u8868.txt"});
}

TEST_CASE("as a program of the family the stand-in ends with the family's exit codes") {
    struct Case {
        std::uint32_t reason;
        std::uint32_t code;
    };
    const Case cases[] = {{kExitSuccess, 0},     {kExitIncomplete, 1}, {kExitArchive, 2},
                          {kExitCommandLine, 7}, {kExitListFile, 7},   {kExitInternal, 2}};
    for (const auto& c : cases) {
        RunRecord record;
        record.sevenZip = true;
        if (c.reason != kExitSuccess) {
            record.Fail(c.reason, L"why");
        }
        CHECK(record.ExitCode() == c.code);
        record.sevenZip = false;
        CHECK(record.ExitCode() == c.reason);
    }
}
