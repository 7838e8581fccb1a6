#include <doctest/doctest.h>

#include "core/switches.h"

using namespace velkin::standin;

TEST_CASE("the default profile's switches") {
    const auto plan = InterpretSwitches({L"-EP1", L"-S", L"-M5", L"-MD4096", L"-df", L"-ioff"});
    CHECK(plan.excludeBaseFolder);
    CHECK(plan.compressionLevel == 9);
    REQUIRE(plan.effects.size() == 6);
    CHECK(plan.effects[0].action == SwitchAction::Applied);
    CHECK(plan.effects[1].action == SwitchAction::Ignored);
    CHECK(plan.effects[2].action == SwitchAction::Applied);
    CHECK(plan.effects[3].action == SwitchAction::Ignored);
    CHECK(plan.effects[4].action == SwitchAction::NotActedOn);
    CHECK(plan.effects[4].detail == L"files not deleted");
    CHECK(plan.effects[5].action == SwitchAction::NotActedOn);
}

TEST_CASE("switch letters are matched in any case") {
    const auto plan = InterpretSwitches({L"-ep1", L"-AfZiP", L"-m0"});
    CHECK(plan.excludeBaseFolder);
    CHECK(plan.compressionLevel == 0);
    CHECK(plan.effects[1].action == SwitchAction::Applied);
    CHECK(plan.effects[1].detail == L"ZIP format");
}

TEST_CASE("without -EP1 the base folder is kept, and the last -M wins") {
    const auto plan = InterpretSwitches({L"-M1", L"-M3"});
    CHECK_FALSE(plan.excludeBaseFolder);
    CHECK(plan.compressionLevel == 6);
}

TEST_CASE("unknown switches and non-switches are ignored, each with a reason") {
    const auto plan = InterpretSwitches({L"-ap\"my dir\"", L"plain", L"-", L"-afrar", L"-M9"});
    for (const auto& effect : plan.effects) {
        CHECK(effect.action == SwitchAction::Ignored);
        CHECK_FALSE(effect.detail.empty());
    }
    CHECK(plan.rarFormatRequested);
    CHECK(plan.compressionLevel == 6);
}

TEST_CASE("switches read as WinRAR reads them: quotes, the forms of -ioff, the end of switches") {
    const auto plan =
        InterpretSwitches({L"\"-EP1\"", LR"(-w"C:\tmp\")", L"-ioff1x", L"-ioff5", L"\"\"-ioff",
                           L"\"-ioff", L"\"-ioff3", L"-I\"OFF\"", L"/-", L"-ioff"});
    CHECK(plan.excludeBaseFolder);
    std::vector<bool> turnsOff;
    for (const auto& effect : plan.effects) {
        turnsOff.push_back(effect.detail == L"computer not turned off");
    }
    CHECK(turnsOff ==
          std::vector<bool>{false, false, true, false, false, false, true, true, false, false});
}
