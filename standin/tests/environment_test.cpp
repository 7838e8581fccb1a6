#include <doctest/doctest.h>

#include "core/environment.h"

using namespace velkin::standin;

TEST_CASE("nothing set: no delay, nothing forced") {
    const auto settings = InterpretEnvironment(std::nullopt, std::nullopt);
    CHECK(settings.delayMs == 0);
    CHECK_FALSE(settings.exitCode.has_value());
    CHECK(settings.notes.empty());
}

TEST_CASE("valid values are taken") {
    const auto settings = InterpretEnvironment(L" 1500 ", L"7");
    CHECK(settings.delayMs == 1500);
    REQUIRE(settings.exitCode.has_value());
    CHECK(*settings.exitCode == 7u);
    CHECK(*InterpretEnvironment(std::nullopt, L"-1").exitCode == 0xFFFFFFFFu);
    CHECK(*InterpretEnvironment(std::nullopt, L"4294967295").exitCode == 0xFFFFFFFFu);
}

TEST_CASE("unusable values are noted and not used") {
    const auto settings = InterpretEnvironment(L"soon", L"4294967296");
    CHECK(settings.delayMs == 0);
    CHECK_FALSE(settings.exitCode.has_value());
    CHECK(settings.notes.size() == 2);
    CHECK(InterpretEnvironment(L"-5", std::nullopt).delayMs == 0);
    CHECK(InterpretEnvironment(L"86400001", std::nullopt).notes.size() == 1);
    CHECK(InterpretEnvironment(L"", std::nullopt).notes.size() == 1);
}
