#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "base/console_text.h"
#include "base/path_parts.h"
#include "base/utf8.h"
#include "base/velkin_error.h"
#include "base/stream_digest.h"
#include "runner/archiver_command.h"
#include "runner/seven_zip_list_file.h"

namespace velkin {
namespace {

// Stands in for the system's code page: ASCII passes, and so do the two Shift-JIS characters
// the tests use; every other character has no ANSI form.
class FakeShiftJis final : public CodePage {
public:
    std::optional<std::string> ToAnsi(std::wstring_view text) const override {
        std::string bytes;
        for (const wchar_t c : text) {
            if (c < 0x80) {
                bytes += static_cast<char>(c);
            } else if (c == L'表') {
                bytes += "\x95\x5C";
            } else if (c == L'ソ') {
                bytes += "\x83\x5C";
            } else {
                return std::nullopt;
            }
        }
        return bytes;
    }
    // Code page 437 knows only ASCII here; no other number is the system's.
    std::unique_ptr<CodePage> Numbered(std::uint32_t number) const override {
        return number == 437 ? std::make_unique<FakeShiftJis>() : nullptr;
    }
};

// Keeps every piece it is given, so that a test sees how the bytes came.
class PieceSink final : public ByteSink {
public:
    void Append(std::string_view bytes) override { pieces.emplace_back(bytes); }
    void StartOver() override {
        pieces.clear();
        ++startedOver;
    }
    std::string Whole() const {
        std::string whole;
        for (const auto& piece : pieces) {
            whole += piece;
        }
        return whole;
    }
    std::vector<std::string> pieces;
    int startedOver = 0;
};

std::string BigEndian(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit >> 8);
        bytes += static_cast<char>(unit & 0xFF);
    }
    return bytes;
}

std::vector<ListFileLine> LinesOf(const std::vector<std::wstring>& paths) {
    std::vector<ListFileLine> lines;
    for (const std::wstring_view path : paths) {
        const std::size_t folder = path.size() - FileNamePartLength(path);
        lines.push_back({path.substr(0, folder), path.substr(folder)});
    }
    return lines;
}

} // namespace

TEST_CASE("the archiver command line joins its parts exactly") {
    struct Case {
        ArchiverInvocation invocation;
        std::wstring_view line;
    };
    const Case cases[] = {
        {{L"C:\\PROGRA~1\\WinRAR\\WinRAR.exe", L"-EP1 -S -M5 -MD4096", L"D:\\x\\a.rar",
          L"C:\\Velkin\\Velkin.lst"},
         L"\"C:\\PROGRA~1\\WinRAR\\WinRAR.exe\" A -EP1 -S -M5 -MD4096 \"D:\\x\\a.rar\" "
         L"\"@C:\\Velkin\\Velkin.lst\""},
        // An empty profile leaves two blanks between A and the archive.
        {{L"W.exe", L"", L"D:\\x\\a.rar", L"C:\\v\\Velkin.lst"},
         L"\"W.exe\" A  \"D:\\x\\a.rar\" \"@C:\\v\\Velkin.lst\""},
        // A group no row carries: empty switches and archive path.
        {{L"W.exe", L"", L"", L"C:\\v\\Velkin.lst"}, L"\"W.exe\" A  \"\" \"@C:\\v\\Velkin.lst\""},
        // Blanks in paths arrive quoted; quotes in the switches arrive as written.
        {{L"C:\\Program Files\\WinRAR\\WinRAR.exe", L"-ap\"my dir\" -afzip",
          L"D:\\my docs\\a b.zip", L"C:\\Velkin dir\\Velkin.lst"},
         L"\"C:\\Program Files\\WinRAR\\WinRAR.exe\" A -ap\"my dir\" -afzip \"D:\\my docs\\a "
         L"b.zip\" "
         L"\"@C:\\Velkin dir\\Velkin.lst\""},
        // An empty location is still quoted.
        {{L"", L"-m5", L"a.rar", L"Velkin.lst"}, L"\"\" A -m5 \"a.rar\" \"@Velkin.lst\""},
        {{L"W.exe", L"-EP1", L"D:\\表\\ソ.rar", L"C:\\v\\Velkin.lst"},
         L"\"W.exe\" A -EP1 \"D:\\表\\ソ.rar\" \"@C:\\v\\Velkin.lst\""},
    };
    for (const auto& c : cases) {
        CHECK(BuildArchiverCommandLine(c.invocation) == c.line);
    }
    // A quote in a part that is quoted would let the rest of it out among the switches.
    for (const ArchiverInvocation& invocation :
         {ArchiverInvocation{L"C:\\W\"x.exe", L"", L"a.rar", L"v.lst"},
          ArchiverInvocation{L"W.exe", L"", L"C:\\my photos\".rar", L"v.lst"},
          ArchiverInvocation{L"W.exe", L"", L"a.rar", L"C:\\v\"\\Velkin.lst"}}) {
        CHECK_THROWS_AS(BuildArchiverCommandLine(invocation), Error);
    }
}

// The list file of whole paths, each split into folder and file name as the rows keep it.
ListFile ListFileOf(const std::vector<std::wstring>& paths, const CodePage& codePage) {
    return BuildListFile(LinesOf(paths), codePage);
}

TEST_CASE("the list file holds one path a line, each ended by CR LF") {
    const FakeShiftJis codePage;

    SUBCASE("no paths give an empty file") {
        const auto file = ListFileOf({}, codePage);
        CHECK(file.encoding == ListFileEncoding::Ansi);
        CHECK(file.bytes.empty());
    }
    SUBCASE("one path") {
        const auto file = ListFileOf({L"D:\\x\\a.txt"}, codePage);
        CHECK(file.bytes == "D:\\x\\a.txt\r\n");
    }
    SUBCASE("many paths in list order, duplicates kept, in ANSI bytes") {
        const auto file = ListFileOf(
            {L"D:\\x\\a.txt", L"D:\\x\\b c.txt", L"D:\\x\\表.txt", L"D:\\x\\a.txt", L"D:\\ソ"},
            codePage);
        CHECK(file.encoding == ListFileEncoding::Ansi);
        CHECK(file.bytes == "D:\\x\\a.txt\r\nD:\\x\\b "
                            "c.txt\r\nD:\\x\\\x95\x5C.txt\r\nD:\\x\\a.txt\r\nD:\\\x83\x5C\r\n");
    }
    SUBCASE("lines that share a folder's text share its bytes, and its failure") {
        const std::wstring_view x = L"D:\\x\\";
        const std::wstring_view korean = L"D:\\\uD55C\\";
        CHECK(BuildListFile({{x, L"a"}, {x, L"b"}, {L"D:\\", L"c"}}, codePage).bytes ==
              "D:\\x\\a\r\nD:\\x\\b\r\nD:\\c\r\n");
        const auto file = BuildListFile({{x, L"a"}, {korean, L"b"}, {korean, L"c"}}, codePage);
        CHECK(file.encoding == ListFileEncoding::Utf16);
        CHECK(file.bytes.size() == 2 + 2 * (8 + 8 + 8));
    }
    SUBCASE("a path that ends in a blank or a tab is quoted, since WinRAR trims the line's end") {
        const auto file = ListFileOf(
            {L"D:\\x\\report ", L"D:\\x\\tab\t", L" D:\\lead", L"D:\\x\\ inner", L"D:\\a b"},
            codePage);
        CHECK(file.bytes == "\"D:\\x\\report \"\r\n\"D:\\x\\tab\t\"\r\n D:\\lead\r\n"
                            "D:\\x\\ inner\r\nD:\\a b\r\n");
        const auto utf16 = ListFileOf({L"\uD55C "}, codePage);
        CHECK(utf16.bytes == std::string("\xFF\xFE\"\0\x5C\xD5 \0\"\0\r\0\n\0", 2 + 8 + 4));
    }
    SUBCASE("a path the code page cannot hold turns the whole file to UTF-16LE with a BOM") {
        const auto file = ListFileOf({L"a", L"\uD55C", L"\U0001F600"}, codePage);
        CHECK(file.encoding == ListFileEncoding::Utf16);
        const std::string expected("\xFF\xFE"
                                   "a\0\r\0\n\0"
                                   "\x5C\xD5\r\0\n\0"
                                   "\x3D\xD8\x00\xDE\r\0\n\0",
                                   2 + 6 + 6 + 8);
        CHECK(file.bytes == expected);
    }
}

TEST_CASE("the list file goes out in pieces, never one the size of the file") {
    const FakeShiftJis codePage;
    std::vector<std::wstring> paths;
    for (int i = 0; i < 20000; ++i) {
        paths.push_back(L"D:\\some folder\\file number " + std::to_wstring(i) + L".txt");
    }
    const auto lines = LinesOf(paths);
    PieceSink ansi;
    CHECK(WriteListFile(ListFileLinesIn(lines), codePage, ansi) == ListFileEncoding::Ansi);
    CHECK(ansi.pieces.size() > 1);
    for (const auto& piece : ansi.pieces) {
        CHECK(piece.size() <= (1u << 18));
    }
    CHECK(ansi.Whole() == BuildListFile(lines, codePage).bytes);

    // A path without an ANSI form near the end starts the file over in UTF-16.
    paths.back() = L"D:\\\uD55C.txt";
    const auto mixed = LinesOf(paths);
    PieceSink utf16;
    CHECK(WriteListFile(ListFileLinesIn(mixed), codePage, utf16) == ListFileEncoding::Utf16);
    CHECK(utf16.startedOver == 1);
    CHECK(utf16.Whole().substr(0, 4) == std::string("\xFF\xFE"
                                                    "D\0",
                                                    4));
    CHECK(utf16.Whole() == BuildListFile(mixed, codePage).bytes);
}

TEST_CASE("the 7-Zip family's list file follows its -scs switch, UTF-8 without one") {
    const FakeShiftJis codePage;
    const std::vector<std::wstring> paths = {L"D:\\x\\a b.txt",
                                             L"D:\\\u65E5\\\uD55C\U0001F600.txt"};
    const auto lines = LinesOf(paths);
    struct Case {
        std::wstring_view switches;
        ListFileEncoding encoding;
        std::string bytes;
    };
    const Case cases[] = {
        {L"-tzip -mcu=on", ListFileEncoding::Utf8,
         "D:\\x\\a b.txt\r\nD:\\\xE6\x97\xA5\\\xED\x95\x9C\xF0\x9F\x98\x80.txt\r\n"},
        {L"-scsUTF-8", ListFileEncoding::Utf8,
         "D:\\x\\a b.txt\r\nD:\\\xE6\x97\xA5\\\xED\x95\x9C\xF0\x9F\x98\x80.txt\r\n"},
        {L"-scsNOPE", ListFileEncoding::Utf8, // refused by the archiver before it reads the list
         "D:\\x\\a b.txt\r\nD:\\\xE6\x97\xA5\\\xED\x95\x9C\xF0\x9F\x98\x80.txt\r\n"},
        {L"-scs1201", ListFileEncoding::Utf16Be,
         BigEndian(u"D:\\x\\a b.txt\r\nD:\\\u65E5\\\uD55C\U0001F600.txt\r\n")},
        {L"-scsWIN", ListFileEncoding::Unwritable, ""}, // Hangul has no Shift-JIS form
        {L"-scs437", ListFileEncoding::Unwritable, ""},
        {L"-scs1252", ListFileEncoding::Unwritable, ""}, // not a code page of this system
    };
    for (const auto& c : cases) {
        StringSink sink;
        CHECK(WriteSevenZipListFile(ListFileLinesIn(lines), c.switches, codePage, sink) ==
              c.encoding);
        if (c.encoding != ListFileEncoding::Unwritable) {
            CHECK(sink.bytes() == c.bytes);
        }
    }
    StringSink little;
    CHECK(WriteSevenZipListFile(ListFileLinesIn(lines), L"-scsutf-16LE", codePage, little) ==
          ListFileEncoding::Utf16);
    CHECK(little.bytes().substr(0, 4) == std::string("D\0:\0", 4)); // no byte-order mark

    const std::vector<std::wstring> plainPaths = {L"D:\\x\\a.txt", L"D:\\\u8868.txt"};
    const auto plain = LinesOf(plainPaths);
    StringSink windows;
    CHECK(WriteSevenZipListFile(ListFileLinesIn(plain), L"-scswin", codePage, windows) ==
          ListFileEncoding::CodePage);
    CHECK(windows.bytes() == "D:\\x\\a.txt\r\nD:\\\x95\x5C.txt\r\n");
}

TEST_CASE("a 7-Zip family list line the archiver would trim or unquote is quoted") {
    const FakeShiftJis codePage;
    const std::vector<ListFileLine> lines = {
        {L"D:\\x\\", L"trailing blank "}, {L" D:\\", L"a"}, {L"D:\\x\\", L"tab\t"},
        {L"D:\\x\\", L" inner"},          {L"", L"\tname"}, {L"\"", L"q\""}};
    StringSink sink;
    WriteSevenZipListFile(ListFileLinesIn(lines), L"", codePage, sink);
    CHECK(sink.bytes() == "\"D:\\x\\trailing blank \"\r\n\" D:\\a\"\r\n\"D:\\x\\tab\t\"\r\n"
                          "D:\\x\\ inner\r\n\"\tname\"\r\n\"\"q\"\"\r\n");
    // A lone surrogate has no UTF-8 form: no list is better than a wrong name.
    const std::wstring surrogate(1, static_cast<wchar_t>(0xD800));
    const std::vector<ListFileLine> lone = {{L"D:\\", surrogate}};
    StringSink none;
    CHECK(WriteSevenZipListFile(ListFileLinesIn(lone), L"", codePage, none) ==
          ListFileEncoding::Unwritable);
}

TEST_CASE("a stream's digest is the same however it is cut, and tells changes apart") {
    std::string bytes;
    for (int i = 0; i < 1000; ++i) {
        bytes += "line " + std::to_string(i) + "\r\n";
    }
    const auto digest = [](const std::vector<std::string_view>& pieces) {
        StreamDigest sum;
        for (const auto piece : pieces) {
            sum.Add(piece);
        }
        return sum.Finish();
    };
    const std::string_view all = bytes;
    const auto whole = digest({all});
    CHECK(digest({all.substr(0, 1), all.substr(1, 31), all.substr(32, 1000), all.substr(1032)}) ==
          whole);
    CHECK(digest({all.substr(0, 7777), all.substr(7777)}) == whole);

    std::vector<std::string> changed(5, bytes);
    changed[0][100] ^= 0x01;                             // one bit
    changed[1][3000] ^= static_cast<char>(0x80);         // a high bit
    std::swap(changed[2][5], changed[2][37]);            // two bytes of two stripes
    changed[3].pop_back();                               // one byte fewer
    changed[4] = bytes.substr(32) + bytes.substr(0, 32); // stripes moved
    for (const auto& other : changed) {
        CHECK(digest({other}) != whole);
    }
    CHECK(digest({}) != digest({std::string_view("\0", 1)}));
}

} // namespace velkin

namespace velkin {

TEST_CASE("what a console archiver prints is kept as a console shows it, progress left out, "
          "however the reads cut it") {
    // 7-Zip 26.03's standard output with -bsp1 into a pipe, and RAR's console, which rubs its
    // percentage out with backspaces.
    const std::string sevenZip =
        "\r\n7-Zip 26.03 (x64) : Copyright (c) 1999-2026 Igor Pavlov : 2026-09-03\r\n\r\n"
        "Scanning the drive:\r\n  0M Scan \r          \r1 folder, 3 files, 30000005 bytes (29 "
        "MiB)\r\n\r\nAdd new data to archive: 1 folder, 3 files\r\n\r\n  0%\r    \r  5% + "
        "big.bin\r              \r 96% 2 + \xE5\x86\x99\xE7\x9C\x9F\\a b.jpg\r              "
        "\r\r\nFiles read from disk: 3\r\nArchive size: 30002099 bytes (29 MiB)\r\n";
    const std::string rar =
        "Adding    D:\\x\\a.txt       5%\b\b\b\b 50%\b\b\b\b100%\b\b\b\b  OK \r\n"
        "Done\r\n 100%\n";
    struct Case {
        std::string printed;
        std::string kept;
        ConsoleProgress last;
    };
    const Case cases[] = {
        {sevenZip,
         "\n7-Zip 26.03 (x64) : Copyright (c) 1999-2026 Igor Pavlov : 2026-09-03\n\nScanning the "
         "drive:\n1 folder, 3 files, 30000005 bytes (29 MiB)\n\nAdd new data to archive: 1 "
         "folder, 3 files\n\n\nFiles read from disk: 3\nArchive size: 30002099 bytes (29 MiB)\n",
         {96, "\xE5\x86\x99\xE7\x9C\x9F\\a b.jpg"}},
        {rar, "Adding    D:\\x\\a.txt       OK\nDone\n", {100, ""}},
        {"no line feed at the end 50%",
         "no line feed at the end 50%\n",
         {50, "line feed at the end"}},
        {"100% done, 1000% not a figure\n", "100% done, 1000% not a figure\n", {100, ""}},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, c.printed.size()}) {
            ConsoleText text;
            std::vector<ConsoleProgress> seen;
            for (std::size_t at = 0; at < c.printed.size(); at += piece) {
                text.Feed(std::string_view(c.printed).substr(at, piece));
                if (auto progress = text.TakeProgress()) {
                    seen.push_back(*progress);
                }
            }
            text.Finish();
            CHECK(text.Kept() == c.kept);
            REQUIRE_FALSE(seen.empty());
            CHECK(seen.back().percent == c.last.percent);
            CHECK(seen.back().file == c.last.file);
            // A figure is told once, however often it is printed again.
            for (std::size_t i = 1; i < seen.size(); ++i) {
                CHECK_FALSE(seen[i] == seen[i - 1]);
            }
        }
    }
}

TEST_CASE("a console archiver's text is kept to its last 64 KiB from a line's start, both "
          "streams together, however much comes") {
    const std::string line(1000, 'x');
    ConsoleText error;
    ConsoleText output;
    for (int n = 0; n != 40; ++n) {
        const std::string number = std::to_string(n);
        for (const std::string_view piece : {std::string_view("E"), std::string_view(number),
                                             std::string_view(line), std::string_view("\r\n")}) {
            error.Feed(piece);
        }
        for (const std::string_view piece : {std::string_view("O"), std::string_view(number),
                                             std::string_view(line), std::string_view("\n")}) {
            output.Feed(piece);
        }
    }
    const std::string joined = JoinKeptText(error, output);
    CHECK(joined.size() == 65250);
    CHECK(joined.substr(0, 4) == "E15x");
    CHECK(joined.substr(joined.size() - 1004, 4) == "O39x");

    // A line without end is cut into pieces, each whole in what is kept.
    ConsoleText endless;
    for (int n = 0; n != 1000; ++n) {
        endless.Feed(line);
    }
    endless.Finish();
    const std::string kept = endless.Kept();
    CHECK(kept == std::string(1000 * 1000 % (kKeptConsoleBytes - 1), 'x') + "\n");
}

TEST_CASE("UTF-8 a peer prints is read with each undecodable byte as U+FFFD") {
    struct Case {
        std::string bytes;
        std::wstring text;
    };
    const Case cases[] = {
        {"a \xE6\x97\xA5\xEC\x95\x88\xF0\x9F\x98\x80", L"a \u65E5\uC548\U0001F600"},
        {"\x80x", L"\uFFFDx"},
        {"\xE6\x97", L"\uFFFD\uFFFD"},
        {"\xE6\x97z", L"\uFFFD\uFFFDz"},
        {"\xC0\x80", L"\uFFFD\uFFFD"},
        {"\xE0\x80\xAF", L"\uFFFD\uFFFD\uFFFD"},
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xFF", L"\uFFFD"},
        {"", L""},
    };
    for (const auto& c : cases) {
        CHECK(DecodeUtf8(c.bytes) == c.text);
    }
}

} // namespace velkin
