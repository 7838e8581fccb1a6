#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "runner/power_off_switch.h"

namespace velkin {

TEST_CASE("the power-off switch in its forms and letter cases, and what only looks like it") {
    // As WinRAR reads them: "-" or "/", any case, quotes taken away wherever they stand, two
    // quotes in a row one literal quote; -ioff alone or followed by 1 to 4 and anything. A quote
    // left open takes in the blank that follows the switches on the command line.
    for (const auto* token :
         {L"-ioff", L"-IOFF", L"-Ioff1", L"-ioff2", L"-iOfF3", L"-ioff4", L"/ioff", L"/IOFF4",
          L"\"-ioff\"", L"\"/Ioff2\"", L"-i\"off\"3", L"-ioff1x", L"-ioff12", L"/IoFf4-a",
          L"-ioff2\"\"", L"\"-ioff3", L"-ioff1\""}) {
        CAPTURE(std::wstring(token));
        CHECK(IsPowerOffSwitch(token));
    }
    for (const auto* token :
         {L"-ioff0", L"-ioff5", L"-ioffx", L"-ioff-", L"-iof", L"ioff", L"--ioff", L"\\ioff",
          L"\"-ioff \"", L"\\\"-ioff\"", L"-ioff -x", L"\"\"-ioff", L"-ioff\"\"", L"-i\"\"off",
          L"\"-ioff", L"-ioff\"", L""}) {
        CAPTURE(std::wstring(token));
        CHECK_FALSE(IsPowerOffSwitch(token));
    }
}

TEST_CASE("the power-off switch goes to the last group of a run only") {
    using Switches = std::vector<std::wstring>;
    struct Case {
        const char* what;
        Switches groups; // the switches of each group's profile, in run order
        Switches passed; // what each group runs with
    };
    const Case cases[] = {
        {"a run of one group is unchanged", {L"-EP1 -df -ioff"}, {L"-EP1 -df -ioff"}},
        {"the default profile 5 on the first of three groups",
         {L"-EP1 -S -M5 -MD4096 -df -ioff", L"-EP1 -S", L"-EP1 -S"},
         {L"-EP1 -S -M5 -MD4096 -df", L"-EP1 -S", L"-EP1 -S -ioff"}},
        {"the form of the latest group that had it",
         {L"-IOFF2 -x", L"-ioff3", L"-y", L""},
         {L"-x", L"", L"-y", L"-ioff3"}},
        {"a last group with a form of its own keeps its switches",
         {L"-ioff1", L"-a -ioff4 -b"},
         {L"", L"-a -ioff4 -b"}},
        {"several forms in one group all go; the blanks around the rest stay",
         {L"  -a  -ioff  -b -Ioff1 ", L"-c"},
         {L"  -a   -b ", L"-c -Ioff1"}},
        {"a quoted argument is no switch",
         {L"-ap\"x -ioff\" -ioffx", L"-c"},
         {L"-ap\"x -ioff\" -ioffx", L"-c"}},
        {"tabs separate, \"/\" and quotes make the switch, its form is carried as written",
         {L"-a\t/IOFF2\t-b", L"-c \"-ioff\"", L"-d"},
         {L"-a\t-b", L"-c", L"-d \"-ioff\""}},
        {"a backslash escapes no quote: the one after it opens or closes a quoted part",
         {L"-EP1 -w\"C:\\tmp\\\" -ioff", L"-EP1 -w\"C:\\tmp\\\" -ioff",
          L"-EP1 -w\"C:\\tmp\\\" -ioff"},
         {L"-EP1 -w\"C:\\tmp\\\"", L"-EP1 -w\"C:\\tmp\\\"", L"-EP1 -w\"C:\\tmp\\\" -ioff"}},
        {"two quotes in a row are one literal quote, inside a quoted part or not",
         {L"\"\"-ioff -a\"\"\"b -ioff2\" -ioff3", L""},
         {L"\"\"-ioff -a\"\"\"b -ioff2\"", L"-ioff3"}},
        {"-ioff and 1 to 4 then anything; not -ioff0, -ioff5 or -ioffx",
         {L"-ioff0 -ioff5 -ioffx -ioff1x", L"-a"},
         {L"-ioff0 -ioff5 -ioffx", L"-a -ioff1x"}},
        {"a quote left open takes in the blank after the switches: -ioff is then no switch",
         {L"-a \"-ioff", L"-b \"-ioff2", L""},
         {L"-a \"-ioff", L"-b", L"\"-ioff2"}},
        {"after \"--\" or \"/-\" the rest are names",
         {L"-a -- -ioff", L"/- -ioff", L"\"--\" -ioff4", L""},
         {L"-a -- -ioff", L"/- -ioff", L"\"--\" -ioff4", L""}},
        {"the form goes first where a \"--\" would make it a name",
         {L"-ioff", L"-a --"},
         {L"", L"-ioff -a --"}},
        {"the form goes first where a quote left open would take it in",
         {L"-ioff2", L"-ap\"x"},
         {L"", L"-ioff2 -ap\"x"}},
        {"no group has it: nothing changes", {L"-a", L"", L"-b"}, {L"-a", L"", L"-b"}},
    };
    for (const auto& c : cases) {
        CAPTURE(c.what);
        PowerOffAtEnd powerOff;
        Switches passed;
        for (std::size_t n = 0; n < c.groups.size(); ++n) {
            passed.push_back(powerOff.SwitchesFor(c.groups[n], n + 1 == c.groups.size()));
        }
        CHECK(passed == c.passed);
    }
}

} // namespace velkin
