#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "runner/power_off_switch.h"

namespace velkin {

TEST_CASE("the power-off switch in its forms and letter cases, and what only looks like it") {
    for (const auto* token : {L"-ioff", L"-IOFF", L"-Ioff1", L"-ioff2", L"-iOfF3", L"-ioff4"}) {
        CAPTURE(std::wstring(token));
        CHECK(IsPowerOffSwitch(token));
    }
    for (const auto* token : {L"-ioff0", L"-ioff5", L"-ioff12", L"-ioffx", L"-iof", L"ioff",
                              L"/ioff", L"--ioff", L"\"-ioff\"", L""}) {
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
