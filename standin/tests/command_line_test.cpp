#include <doctest/doctest.h>

#include "core/command_line.h"

using namespace velkin::standin;

TEST_CASE("a line as Velkin builds it splits into its parts") {
    const auto parsed = ParseCommandLine(
        LR"("C:\Program Files\WinRAR\WinRAR.exe" A -EP1 -S -M5 -MD4096 "D:\out\a b.rar" "@C:\Temp\Velkin.lst")");
    REQUIRE(parsed.ok);
    CHECK(parsed.program == LR"(C:\Program Files\WinRAR\WinRAR.exe)");
    CHECK(parsed.command == L"A");
    CHECK(parsed.switches == L"-EP1 -S -M5 -MD4096");
    CHECK(parsed.switchList == std::vector<std::wstring>{L"-EP1", L"-S", L"-M5", L"-MD4096"});
    CHECK(parsed.archivePath == LR"(D:\out\a b.rar)");
    CHECK(parsed.listFilePath == LR"(C:\Temp\Velkin.lst)");
    CHECK(parsed.notes.empty());
}

TEST_CASE("empty switches leave two blanks and give no switch") {
    const auto parsed = ParseCommandLine(LR"("x.exe" A  "a.zip" "@l.lst")");
    REQUIRE(parsed.ok);
    CHECK(parsed.switches.empty());
    CHECK(parsed.switchList.empty());
    CHECK(parsed.archivePath == L"a.zip");
    CHECK(parsed.notes.empty());
}

TEST_CASE("quoted switches with blanks stay whole and do not take the archive's place") {
    const auto parsed =
        ParseCommandLine(LR"("x.exe" A -ap"my dir" -w"C:\t m" -afZIP "o u t.zip" "@l i.lst")");
    REQUIRE(parsed.ok);
    CHECK(parsed.switches == LR"(-ap"my dir" -w"C:\t m" -afZIP)");
    CHECK(parsed.switchList ==
          std::vector<std::wstring>{LR"(-ap"my dir")", LR"(-w"C:\t m")", L"-afZIP"});
    CHECK(parsed.archivePath == L"o u t.zip");
    CHECK(parsed.listFilePath == L"l i.lst");
}

TEST_CASE("an empty archive path is parsed as empty, not skipped") {
    const auto parsed = ParseCommandLine(LR"("x.exe" A -EP1 "" "@l.lst")");
    REQUIRE(parsed.ok);
    CHECK(parsed.archivePath.empty());
    CHECK(parsed.switches == L"-EP1");
}

TEST_CASE("a switch that ends in a quote right before the archive is still a switch") {
    const auto parsed = ParseCommandLine(LR"("x.exe" A -ap"" "a.zip" "@l.lst")");
    REQUIRE(parsed.ok);
    CHECK(parsed.switchList == std::vector<std::wstring>{LR"(-ap"")"});
    CHECK(parsed.archivePath == L"a.zip");
}

TEST_CASE("extra blanks are tolerated and noted") {
    const auto parsed = ParseCommandLine(LR"(  "x.exe"   A    -EP1   "a.zip"   "@l.lst"  )");
    REQUIRE(parsed.ok);
    CHECK(parsed.command == L"A");
    CHECK(parsed.switchList == std::vector<std::wstring>{L"-EP1"});
    CHECK(parsed.archivePath == L"a.zip");
    CHECK(parsed.listFilePath == L"l.lst");
    CHECK(parsed.notes.size() >= 4);
}

TEST_CASE("an unquoted program and list token are accepted with a note") {
    const auto parsed = ParseCommandLine(LR"(x.exe A -EP1 "a.zip" @l.lst)");
    REQUIRE(parsed.ok);
    CHECK(parsed.program == L"x.exe");
    CHECK(parsed.listFilePath == L"l.lst");
    CHECK(parsed.notes.size() == 2);
}

TEST_CASE("lines that cannot be understood say why") {
    CHECK(ParseCommandLine(L"").error == L"no list file token");
    CHECK(ParseCommandLine(LR"("x.exe" A "a.zip" "l.lst")").error ==
          L"the last token does not start with '@'");
    CHECK(ParseCommandLine(LR"("x.exe" A "a.zip" "@")").error == L"no path after '@'");
    // The quote after "a.zip" pairs with the stray one at the end.
    CHECK(ParseCommandLine(LR"("x.exe" A "a.zip" @l.lst")").error ==
          L"no blank before the list file token");
    CHECK(ParseCommandLine(LR"(l.lst")").error == L"unbalanced quote in the list file token");
    CHECK(ParseCommandLine(LR"("@l.lst")").error == L"no archive path token");
    CHECK(ParseCommandLine(LR"("a.zip" "@l.lst")").error == L"no command after the program path");
    CHECK(ParseCommandLine(LR"("x.exe" A "a.zip""@l.lst")").error ==
          L"no blank before the list file token");
    CHECK(ParseCommandLine(LR"("x.exe A "a.zip" "@l.lst")").error ==
          L"unbalanced quote in the program path");
    CHECK_FALSE(ParseCommandLine(LR"("x.exe" A -EP1 "a.zip" "@l.lst)").ok);
}

TEST_CASE("a very long line parses without trouble") {
    std::wstring longSwitches;
    for (int i = 0; i < 20000; ++i) {
        longSwitches += L"-x ";
    }
    const auto line = L"\"x.exe\" A " + longSwitches + L"-EP1 \"a.zip\" \"@l.lst\"";
    const auto parsed = ParseCommandLine(line);
    REQUIRE(parsed.ok);
    CHECK(parsed.switchList.size() == 20001);
    CHECK(parsed.switchList.back() == L"-EP1");
}

TEST_CASE("splitting switches reports an unbalanced quote") {
    bool unbalanced = false;
    const auto tokens = SplitSwitches(L"-a \"b c -d", &unbalanced);
    CHECK(unbalanced);
    CHECK(tokens == std::vector<std::wstring>{L"-a", L"\"b c -d"});
}
