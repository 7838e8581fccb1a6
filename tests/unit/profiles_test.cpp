#include <doctest/doctest.h>

#include "app/menu_text.h"
#include "settings/profiles.h"
#include "settings/settings_values.h"

namespace velkin {

TEST_CASE("profiles start with the design captions and profile 1 selected") {
    const ProfileSet profiles;
    CHECK(profiles.SelectedNo() == 1);
    for (int n = 1; n <= kProfileCount; ++n) {
        CHECK(profiles.Caption(n) == L"" + std::to_wstring(n) + L" pf" + std::to_wstring(n));
    }
}

TEST_CASE("profile lookups give the text after the two-character prefix, exactly") {
    ProfileSet profiles;
    profiles.SetText(1, L"-EP1 -S");
    profiles.SetText(2, L"  -afzip -m5  ");
    profiles.SetText(3, L"");
    profiles.SetText(4, L"-ap\"a b\" & more");
    profiles.Select(4);

    CHECK(profiles.SelectedNo() == 4);
    CHECK(profiles.SelectedOption() == L"-ap\"a b\" & more");
    CHECK(profiles.Option(2) == L"  -afzip -m5  ");
    CHECK(profiles.Caption(2) == L"2   -afzip -m5  ");
    CHECK(profiles.Option(3).empty());
    CHECK(profiles.Caption(3) == L"3 ");
    for (const int outside : {0, -1, 6, 100}) {
        CHECK(profiles.Option(outside).empty());
    }
}

TEST_CASE("selecting and editing profiles") {
    ProfileSet profiles;
    for (int n = 1; n <= kProfileCount; ++n) {
        profiles.SetText(n, ProfileSet::DefaultTexts()[static_cast<std::size_t>(n - 1)].data());
    }

    SUBCASE("a number outside 1 to 5 leaves the selection alone") {
        profiles.Select(3);
        for (const int outside : {0, 6, -1}) {
            profiles.Select(outside);
            CHECK(profiles.SelectedNo() == 3);
        }
    }
    SUBCASE("editing changes only the selected profile's text") {
        profiles.Select(3);
        profiles.ReplaceSelectedText(L" -afzip ");
        CHECK(profiles.Caption(3) == L"3  -afzip ");
        CHECK(profiles.SelectedNo() == 3);
        for (const int other : {1, 2, 4, 5}) {
            CHECK(profiles.Option(other) ==
                  ProfileSet::DefaultTexts()[static_cast<std::size_t>(other - 1)]);
        }
    }
    SUBCASE("confirming the unchanged text changes nothing") {
        profiles.Select(2);
        const auto before = profiles.Caption(2);
        profiles.ReplaceSelectedText(profiles.SelectedOption());
        CHECK(profiles.Caption(2) == before);
    }
    SUBCASE("an empty text leaves the digit and the blank") {
        profiles.ReplaceSelectedText(L"");
        CHECK(profiles.Caption(1) == L"1 ");
        CHECK(profiles.SelectedOption().empty());
    }
}

TEST_CASE("the defaults of a start without settings") {
    const Settings settings = DefaultSettings();
    CHECK(settings.left == 100);
    CHECK(settings.top == 100);
    CHECK(settings.width == 640);
    CHECK(settings.height == 400);
    CHECK(settings.profileTexts[0] == L"-EP1 -S -M5 -MD4096");
    CHECK(settings.profileTexts[1] == L"-EP1 -S -M5 -MD4096 -df");
    CHECK(settings.profileTexts[2] == L"-EP1 -S -M5 -MD4096");
    CHECK(settings.profileTexts[3] == L"-EP1 -S -M5 -MD4096");
    CHECK(settings.profileTexts[4] == L"-EP1 -S -M5 -MD4096 -df -ioff");
    CHECK(settings.columnWidths ==
          std::array<std::int32_t, kJobColumnCount>{50, 80, 200, 200, 200, 70});
    CHECK(settings.winRarPath.empty());
    CHECK(settings.selectedProfile == 1);
    CHECK_FALSE(settings.savePath);
    CHECK_FALSE(settings.clearEnd);
}

TEST_CASE("menu captions show an ampersand as itself") {
    CHECK(LiteralMenuText(L"1 -EP1 -S") == L"1 -EP1 -S");
    CHECK(LiteralMenuText(L"2 a&b") == L"2 a&&b");
    CHECK(LiteralMenuText(L"&&") == L"&&&&");
    CHECK(LiteralMenuText(L"") == L"");
}

} // namespace velkin
