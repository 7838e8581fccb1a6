#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "app/arrival_paths.h"
#include "app/hand_off.h"
#include "app/start_request.h"

namespace velkin {
namespace {

using Paths = std::vector<std::wstring>;

// Marks what it was given: the system's own path rules are not the point here, only which
// arguments reach them.
std::wstring MakeFull(const std::wstring& path) {
    return L"full:" + path;
}

std::string Bytes(std::initializer_list<unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST_CASE("command-line arguments: paths in order, /each in any spelling, other switches out") {
    struct Case {
        Paths arguments;
        Paths paths;
        bool eachApart;
    };
    const Case cases[] = {
        {{}, {}, false},
        {{L"C:\\x\\a b.txt", L"\\\\srv\\share\\y", L"d:/z/\u8868.txt", L"\\\\?\\C:\\long"},
         {L"C:\\x\\a b.txt", L"\\\\srv\\share\\y", L"d:\\z\\\u8868.txt", L"\\\\?\\C:\\long"},
         false},
        // A folder with the separator a shell's completion adds, and the same in quotes, which
        // the shell's splitting turns into a final quote; roots keep theirs.
        {{L"C:\\photos\\", L"C:\\my photos\"", L"C:/x//", L"D:\\", L"D:\\\\", L"\\\\srv\\sh\\",
          L"\\\\?\\C:\\", L"\\\\?\\UNC\\srv\\sh\\d\\", L"sub\\"},
         {L"C:\\photos", L"C:\\my photos", L"C:\\x", L"D:\\", L"D:\\", L"\\\\srv\\sh\\",
          L"\\\\?\\C:\\", L"\\\\?\\UNC\\srv\\sh\\d", L"full:sub"},
         false},
        // A quote anywhere else is no final backslash: kept, for the window to refuse.
        {{L"C:\\x\\a\" -dw \"b", L"\"C:\\q\""}, {L"C:\\x\\a\" -dw \"b", L"full:\"C:\\q\""}, false},
        // Relative to the directory, to the drive's root, or to the drive's own directory.
        {{L"a.txt", L"..\\b", L"\\root.txt", L"C:rel.txt", L".\\\uD55C\uAD6D"},
         {L"full:a.txt", L"full:..\\b", L"full:\\root.txt", L"full:C:rel.txt",
          L"full:.\\\uD55C\uAD6D"},
         false},
        {{L"/each", L"C:\\a"}, {L"C:\\a"}, true},
        {{L"C:\\a", L"-EACH", L"C:\\b"}, {L"C:\\a", L"C:\\b"}, true},
        {{L"/eAcH"}, {}, true},
        // Not the switch: longer, other switches, an empty argument; a name with a dash is a
        // name.
        {{L"/eachx", L"/x", L"/", L"//srv/share", L"", L"-each.txt", L"-x"},
         {L"full:-each.txt", L"full:-x"},
         false},
    };
    for (const auto& c : cases) {
        const StartRequest request = ReadStartArguments(c.arguments, MakeFull);
        CHECK(request.paths == c.paths);
        CHECK(request.eachApart == c.eachApart);
    }
}

TEST_CASE("paths that no name can hold or that are not full are refused, the rest tidied and "
          "kept in order") {
    const Paths refused = {L"C:\\x\\a\" -dw \"b", L"C:\\x\\a\r\nb", L"C:\\*.txt", L"C:\\a?",
                           L"C:\\<x>", L"C:\\a|b", std::wstring(L"C:\\a") + L'\x1F',
                           L"\\\\?\\C:\\long?",
                           // Not full: what they name depends on the current folder or drive.
                           L"-pX.txt", L"x\\y", L"\\x", L"C:x", L"C:", L"\\\\server",
                           L"\\\\server\\", L"\\\\\\share", L""};
    Paths arrived = {L"C:\\ok\\", L"\\\\?\\C:\\long", L"c:/ok", L"//server/share/",
                     L"\\\\?\\UNC\\server\\share\\x"};
    arrived.insert(arrived.begin() + 1, refused.begin(), refused.end());
    const SortedPaths sorted = SortArrivedPaths(arrived);
    CHECK(sorted.accepted == Paths{L"C:\\ok", L"\\\\?\\C:\\long", L"c:\\ok", L"\\\\server\\share\\",
                                   L"\\\\?\\UNC\\server\\share\\x"});
    CHECK(sorted.refused == refused);

    // Named one a line, a line break in a path shown as one mark, at most twenty, then "…".
    CHECK(RefusedPathsMessage({L"C:\\a\nb", L"C:\\*"}) ==
          L"次のパスはファイル名に使えない文字を含むため登録しませんでした:\nC:\\a\uFFFDb\nC:\\*");
    const std::wstring many = RefusedPathsMessage(Paths(21, L"?"));
    CHECK(std::count(many.begin(), many.end(), L'\n') == 21);
    CHECK(many.ends_with(L"?\n\u2026"));
    CHECK_FALSE(RefusedPathsMessage(Paths(20, L"?")).ends_with(L"\u2026"));
}

TEST_CASE("a request makes one drop, one drop per path with /each, none without paths") {
    const Paths paths = {L"C:\\a", L"C:\\b", L"C:\\a"};
    CHECK(DropsOf({paths, false}) == std::vector<Paths>{paths});
    CHECK(DropsOf({paths, true}) == std::vector<Paths>{{L"C:\\a"}, {L"C:\\b"}, {L"C:\\a"}});
    CHECK(DropsOf({{}, true}).empty());
    CHECK(DropsOf({{}, false}).empty());
}

TEST_CASE("a hand-off carries the request exactly") {
    // The layout other programs rely on: version, flags, UTF-16LE paths each ended by a zero
    // unit, one more zero unit.
    CHECK(EncodeHandOff({{L"A", L"\u8868"}, true}) ==
          Bytes({1, 0, 0, 0, 1, 0, 0, 0, 'A', 0, 0, 0, 0x68, 0x88, 0, 0, 0, 0}));

    const StartRequest requests[] = {
        {{L"C:\\x\\a b.txt"}, false},
        {{L"C:\\\u8868\\\uD55C\uAD6D \U0001F600.txt", L"\\\\srv\\s\\y", L"C:\\a"}, true},
        // A lone surrogate, which a Windows file name may hold.
        {{std::wstring(L"C:\\") + static_cast<wchar_t>(0xD800) + L"z"}, false},
    };
    for (const auto& request : requests) {
        const auto bytes = EncodeHandOff(request);
        REQUIRE(bytes);
        CHECK(DecodeHandOff(*bytes) == request);
    }
}

TEST_CASE("anything that is not exactly a hand-off is refused") {
    const std::string good = *EncodeHandOff({{L"C:\\a", L"C:\\b"}, false});
    const std::string header = good.substr(0, 8);
    std::string future = good;
    future[0] = 2;
    std::string unknownFlag = good;
    unknownFlag[4] = 2;
    std::string oversized = good;
    oversized.resize(kMaxHandOffBytes + 2, '\0');
    const std::string cases[] = {
        "",
        header.substr(0, 7),
        header,                          // no list
        header + std::string(2, '\0'),   // an empty list
        future,                          // another version
        unknownFlag,                     // a flag no version has
        good + '\0',                     // an odd count
        good + std::string(2, '\0'),     // something after the end of the list
        good.substr(0, good.size() - 2), // the list not ended
        good.substr(0, good.size() - 4), // the last path not ended
        oversized,
    };
    for (const auto& bytes : cases) {
        CHECK_FALSE(DecodeHandOff(bytes));
    }

    CHECK_FALSE(EncodeHandOff({{}, true}));
    CHECK_FALSE(EncodeHandOff({{L"C:\\a", L""}, false}));
    CHECK_FALSE(EncodeHandOff({{std::wstring(L"C:\\a\0b", 6)}, false}));
    CHECK_FALSE(EncodeHandOff({{std::wstring(kMaxHandOffBytes / 2, L'x')}, false}));
}

} // namespace velkin
