#include <doctest/doctest.h>

#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/integer_text.h"
#include "base/velkin_error.h"
#include "settings/profiles.h"
#include "settings/settings_file.h"

namespace velkin {
namespace {

// ASCII as itself, anything else as \uXXXX, so that failures name the value.
std::string Shown(std::wstring_view text) {
    std::string shown;
    for (const wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else {
            constexpr char kHex[] = "0123456789ABCDEF";
            const auto code = static_cast<unsigned>(c);
            shown += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                shown += kHex[(code >> shift) & 0xF];
            }
        }
    }
    return shown;
}

struct WriteCall {
    std::wstring section;
    std::wstring key;
    std::wstring value;
    bool operator==(const WriteCall&) const = default;
};

// Holds the text after "=" of each line, as a file would, and reads it the way the platform's
// reader does. It can be told to refuse one write.
class FakeIniStore final : public IniStore {
public:
    void SetLine(std::wstring_view key, std::wstring_view rawValue,
                 std::wstring_view section = kSettingsSection) {
        lines_[{std::wstring(section), std::wstring(key)}] = rawValue;
    }
    void FailWriteNumber(std::size_t n) { failingWrite_ = n; }

    std::optional<std::wstring> Read(std::wstring_view section,
                                     std::wstring_view key) const override {
        reads.emplace_back(key);
        const auto found = lines_.find({std::wstring(section), std::wstring(key)});
        if (found == lines_.end()) {
            return std::nullopt;
        }
        return IniValueText(found->second);
    }

    bool Write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
        ++attempts;
        if (failingWrite_ && attempts == *failingWrite_) {
            return false;
        }
        writes.push_back({std::wstring(section), std::wstring(key), std::wstring(value)});
        lines_[{std::wstring(section), std::wstring(key)}] = value;
        return true;
    }

    bool Remove(std::wstring_view section, std::wstring_view key) override {
        ++attempts;
        if (failingWrite_ && attempts == *failingWrite_) {
            return false;
        }
        lines_.erase({std::wstring(section), std::wstring(key)});
        return true;
    }

    mutable std::vector<std::wstring> reads;
    std::vector<WriteCall> writes;
    std::size_t attempts = 0;

private:
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> lines_;
    std::optional<std::size_t> failingWrite_;
};

// ASCII and kana have an ANSI form here, nothing else.
class KanaCodePage final : public CodePage {
public:
    std::optional<std::string> ToAnsi(std::wstring_view text) const override {
        std::string bytes;
        for (const wchar_t c : text) {
            if (c >= 0x80 && (c < 0x3040 || c > 0x30FF)) {
                return std::nullopt;
            }
            bytes += c < 0x80 ? static_cast<char>(c) : '?';
        }
        return bytes;
    }
};

Settings LoadWithLine(std::wstring_view key, std::wstring_view rawValue) {
    FakeIniStore store;
    store.SetLine(key, rawValue);
    return LoadSettings(store);
}

} // namespace

TEST_CASE("a value is read trimmed, without one pair of enclosing quotes") {
    struct Case {
        std::wstring_view raw;
        std::wstring_view read;
    };
    const Case cases[] = {
        {L"-EP1 -S", L"-EP1 -S"},
        {L"   -EP1 -S   ", L"-EP1 -S"},
        {L"\t-m5\t", L"-m5"},
        {L"\"-m5 -s\"", L"-m5 -s"},
        {L"'-m5 -s'", L"-m5 -s"},
        {L"  \" -m5 \"  ", L" -m5 "},
        {L"\"\"a\"\"", L"\"a\""},
        {L"''a''", L"'a'"},
        {L"\"'a'\"", L"'a'"},
        {L"'\"a\"'", L"\"a\""},
        {L"\"a'", L"\"a'"},
        {L"'a\"", L"'a\""},
        {L"\"abc", L"\"abc"},
        {L"abc\"", L"abc\""},
        {L"a\"b\"", L"a\"b\""},
        {L"\"", L"\""},
        {L"'", L"'"},
        {L"\"\"", L""},
        {L"''", L""},
        {L"\"  \"", L"  "},
        {L"", L""},
        {L"    ", L""},
        {L"日本語 -m5", L"日本語 -m5"},
    };
    for (const auto& c : cases) {
        CAPTURE(Shown(c.raw));
        CHECK(IniValueText(c.raw) == c.read);
    }
}

TEST_CASE("a value longer than 2047 characters is cut to its first 2047") {
    std::wstring longValue;
    for (int i = 0; i < 3000; ++i) {
        longValue += static_cast<wchar_t>(L'a' + i % 26);
    }
    CHECK(IniValueText(longValue) == longValue.substr(0, 2047));
    CHECK(IniValueText(longValue.substr(0, 2047)) == longValue.substr(0, 2047));
    CHECK(IniValueText(longValue.substr(0, 2048)) == longValue.substr(0, 2047));
    CHECK(IniValueText(L"\"" + longValue + L"\"") == longValue.substr(0, 2047));
    CHECK(IniValueText(L"  " + longValue.substr(0, 2047) + L"  ") == longValue.substr(0, 2047));

    const Settings settings = LoadWithLine(L"RAROption3", longValue);
    CHECK(settings.profileTexts[2].size() == 2047);
    CHECK(settings.profileTexts[2] == longValue.substr(0, 2047));
}

TEST_CASE("the lenient number rule") {
    struct Accepted {
        std::wstring_view text;
        std::int32_t value;
    };
    const Accepted accepted[] = {
        {L"0", 0},
        {L"5", 5},
        {L"+5", 5},
        {L"-5", -5},
        {L"007", 7},
        {L"0x1F", 31},
        {L"0X1f", 31},
        {L"0x3", 3},
        {L"0x0", 0},
        {L"$3", 3},
        {L"$ff", 255},
        {L"$7FFFFFFF", INT32_MAX},
        {L"0x7FFFFFFF", INT32_MAX},
        {L"2147483647", INT32_MAX},
        {L"-2147483648", INT32_MIN},
        {L"+2147483647", INT32_MAX},
        {L"00000000000000000000012", 12},
    };
    for (const auto& c : accepted) {
        CAPTURE(Shown(c.text));
        const auto parsed = ParseIniInteger(c.text);
        REQUIRE(parsed.has_value());
        CHECK(*parsed == c.value);
    }

    const std::wstring_view rejected[] = {
        L"",           L"0x",        L"0X",          L"$",     L"$-1",        L"$+1",
        L"0x-1",       L"-0x10",     L"-$10",        L"x1A",   L"2147483648", L"-2147483649",
        L"0x80000000", L"$FFFFFFFF", L"99999999999", L"12abc", L"abc",        L"yes",
        L"true",       L" 7",        L"7 ",          L"1 2",   L"+",          L"-",
        L"--1",        L"+-1",       L"1.5",         L"1e3",   L"0b1",        L"$fg",
        L"１２",
    };
    for (const auto text : rejected) {
        CAPTURE(Shown(text));
        CHECK_FALSE(ParseIniInteger(text).has_value());
    }
}

TEST_CASE("numbers and flags fall back to the default when missing or unreadable") {
    CHECK(IniIntegerOr(std::nullopt, 42) == 42);
    CHECK(IniIntegerOr(L"", 42) == 42);
    CHECK(IniIntegerOr(L"nope", -3) == -3);
    CHECK(IniIntegerOr(L"-7", 42) == -7);

    struct FlagCase {
        std::optional<std::wstring> value;
        bool fallback;
        bool read;
    };
    const FlagCase flags[] = {
        {std::nullopt, false, false},
        {std::nullopt, true, true},
        {L"1", false, true},
        {L"0", true, false},
        {L"2", false, true},
        {L"-1", false, true},
        {L"0x10", false, true},
        {L"$0", true, false},
        {L"yes", false, false},
        {L"yes", true, true},
        {L"true", false, false},
        {L"false", true, true},
        {L"", true, true},
        {L"", false, false},
    };
    for (const auto& c : flags) {
        CAPTURE(Shown(c.value.value_or(L"(missing)")));
        CAPTURE(c.fallback);
        CHECK(IniFlagOr(c.value, c.fallback) == c.read);
    }
}

TEST_CASE("RAROptionSelect is kept as read and only 1 to 5 select a profile") {
    struct Case {
        std::wstring_view raw;
        std::int32_t kept;
        int selected;
    };
    const Case cases[] = {
        {L"3", 3, 3}, {L"0x3", 3, 3}, {L"$3", 3, 3},  {L" 5 ", 5, 5},   {L"'2'", 2, 2},
        {L"0", 0, 1}, {L"6", 6, 1},   {L"-1", -1, 1}, {L"three", 1, 1}, {L"", 1, 1},
    };
    for (const auto& c : cases) {
        CAPTURE(Shown(c.raw));
        const Settings settings = LoadWithLine(L"RAROptionSelect", c.raw);
        CHECK(settings.selectedProfile == c.kept);
        ProfileSet profiles;
        profiles.Select(settings.selectedProfile);
        CHECK(profiles.SelectedNo() == c.selected);
    }
}

TEST_CASE("flags read any number but 0 as true and other text as the default") {
    struct Case {
        std::wstring_view raw;
        bool savePath;
    };
    const Case cases[] = {
        {L"1", true},    {L"2", true},     {L"-1", true}, {L"0", false},  {L"$A", true},
        {L"yes", false}, {L"true", false}, {L"", false},  {L" 1 ", true}, {L"\"1\"", true},
    };
    for (const auto& c : cases) {
        CAPTURE(Shown(c.raw));
        CHECK(LoadWithLine(L"SavePath", c.raw).savePath == c.savePath);
        CHECK(LoadWithLine(L"ClearEnd", c.raw).clearEnd == c.savePath);
    }
}

TEST_CASE("a profile text: present and empty is empty, missing is the default") {
    SUBCASE("empty value") {
        const Settings settings = LoadWithLine(L"RAROption2", L"");
        CHECK(settings.profileTexts[1].empty());
        CHECK(settings.profileTexts[0] == ProfileSet::DefaultTexts()[0]);
    }
    SUBCASE("blanks only") {
        CHECK(LoadWithLine(L"RAROption2", L"   ").profileTexts[1].empty());
    }
    SUBCASE("missing key") {
        FakeIniStore store;
        store.SetLine(L"RAROption1", L"-m1");
        CHECK(LoadSettings(store).profileTexts[1] == L"-EP1 -S -M5 -MD4096 -df");
    }
    SUBCASE("blanks and quotes around the text") {
        struct Case {
            std::wstring_view raw;
            std::wstring_view text;
        };
        const Case cases[] = {
            {L"  -afzip -m5  ", L"-afzip -m5"},
            {L"\"  -afzip -m5  \"", L"  -afzip -m5  "},
            {L"  ' -ap\"a b\" '  ", L" -ap\"a b\" "},
            {L"\"\"a\"\"", L"\"a\""},
            {L"\"-m5'", L"\"-m5'"},
        };
        for (const auto& c : cases) {
            CAPTURE(Shown(c.raw));
            CHECK(LoadWithLine(L"RAROption4", c.raw).profileTexts[3] == c.text);
        }
    }
    SUBCASE("an empty WinRAR path stays empty, a set one is read") {
        CHECK(LoadWithLine(L"WinRARPath", L"").winRarPath.empty());
        CHECK(LoadWithLine(L"WinRARPath", L"C:\\Program Files\\WinRAR\\WinRAR.exe").winRarPath ==
              L"C:\\Program Files\\WinRAR\\WinRAR.exe");
    }
}

TEST_CASE("numbers of the window keys follow the lenient rule after trimming") {
    struct Case {
        std::wstring_view raw;
        std::int32_t left;
    };
    const Case cases[] = {
        {L"+5", 5},
        {L" 7 ", 7},
        {L"0x", 100},
        {L"0x1F", 31},
        {L"$-1", 100},
        {L"2147483648", 100},
        {L"-2147483648", INT32_MIN},
        {L"12abc", 100},
        {L"", 100},
        {L"-5000", -5000},
        {L"'$10'", 16},
    };
    for (const auto& c : cases) {
        CAPTURE(Shown(c.raw));
        CHECK(LoadWithLine(L"MainX", c.raw).left == c.left);
    }
}

TEST_CASE("every key lands in its own field, read in the load order") {
    FakeIniStore store;
    const std::pair<std::wstring_view, std::wstring_view> lines[] = {
        {L"MainX", L"11"},          {L"MainY", L"12"},
        {L"MainW", L"13"},          {L"MainH", L"14"},
        {L"RAROption1", L"p1"},     {L"RAROption2", L"p2"},
        {L"RAROption3", L"p3"},     {L"RAROption4", L"p4"},
        {L"RAROption5", L"p5"},     {L"Column0", L"20"},
        {L"Column1", L"21"},        {L"Column2", L"22"},
        {L"Column3", L"23"},        {L"Column4", L"24"},
        {L"Column5", L"25"},        {L"WinRARPath", L"C:\\r.exe"},
        {L"RAROptionSelect", L"4"}, {L"SavePath", L"1"},
        {L"ClearEnd", L"0"},
    };
    for (const auto& [key, value] : lines) {
        store.SetLine(key, value);
    }
    // A section of the same keys elsewhere must not be read.
    store.SetLine(L"MainX", L"999", L"Other");
    store.SetLine(L"RAROption1", L"other", L"main ");

    const Settings settings = LoadSettings(store);
    CHECK(settings.left == 11);
    CHECK(settings.top == 12);
    CHECK(settings.width == 13);
    CHECK(settings.height == 14);
    CHECK(settings.profileTexts ==
          std::array<std::wstring, kProfileCount>{L"p1", L"p2", L"p3", L"p4", L"p5"});
    CHECK(settings.columnWidths ==
          std::array<std::int32_t, kJobColumnCount>{20, 21, 22, 23, 24, 25});
    CHECK(settings.winRarPath == L"C:\\r.exe");
    CHECK(settings.selectedProfile == 4);
    CHECK(settings.savePath);
    CHECK_FALSE(settings.clearEnd);

    const std::vector<std::wstring> loadOrder = {
        L"MainX",      L"MainY",      L"MainW",      L"MainH",           L"RAROption1",
        L"RAROption2", L"RAROption3", L"RAROption4", L"RAROption5",      L"Column0",
        L"Column1",    L"Column2",    L"Column3",    L"Column4",         L"Column5",
        L"SavePath",   L"ClearEnd",   L"WinRARPath", L"RAROptionSelect", L"EachItem",
    };
    CHECK(store.reads == loadOrder);
}

TEST_CASE("a file with none of the keys gives the defaults") {
    FakeIniStore store;
    CHECK(LoadSettings(store) == DefaultSettings());
    CHECK(store.reads.size() == 20);
}

TEST_CASE("other defaults stand in only for keys the file lacks") {
    FakeIniStore store;
    store.SetLine(L"MainW", L"700");
    store.SetLine(L"Column1", L"bad");
    Settings defaults = DefaultSettings();
    defaults.width = 960;
    defaults.height = 600;
    defaults.columnWidths = {75, 120, 300, 300, 300, 105};
    const Settings loaded = LoadSettings(store, defaults);
    CHECK(loaded.width == 700);
    CHECK(loaded.height == 600);
    CHECK(loaded.columnWidths ==
          std::array<std::int32_t, kJobColumnCount>{75, 120, 300, 300, 300, 105});
}

TEST_CASE("a save writes the 19 keys of section Main in order, exactly") {
    Settings settings = DefaultSettings();
    settings.left = -5000;
    settings.top = 0;
    settings.width = INT32_MAX;
    settings.height = INT32_MIN;
    settings.profileTexts = {L" -m5 ", L"", L"\"q\"", L"日本語 -ap\"a b\"", L"-ioff"};
    settings.columnWidths = {1, -2, 30, 400, 5000, 0};
    settings.winRarPath.clear();
    settings.selectedProfile = 7;
    settings.savePath = true;
    settings.clearEnd = false;

    FakeIniStore store;
    SaveSettings(store, settings, L"C:\\Velkin\\Velkin.ini");

    const std::vector<WriteCall> expected = {
        {L"Main", L"MainX", L"-5000"},
        {L"Main", L"MainY", L"0"},
        {L"Main", L"MainW", L"2147483647"},
        {L"Main", L"MainH", L"-2147483648"},
        {L"Main", L"RAROption1", L" -m5 "},
        {L"Main", L"RAROption2", L""},
        {L"Main", L"RAROption3", L"\"\"q\"\""},
        {L"Main", L"RAROption4", L"日本語 -ap\"a b\""},
        {L"Main", L"RAROption5", L"-ioff"},
        {L"Main", L"Column0", L"1"},
        {L"Main", L"Column1", L"-2"},
        {L"Main", L"Column2", L"30"},
        {L"Main", L"Column3", L"400"},
        {L"Main", L"Column4", L"5000"},
        {L"Main", L"Column5", L"0"},
        {L"Main", L"WinRARPath", L""},
        {L"Main", L"RAROptionSelect", L"7"},
        {L"Main", L"SavePath", L"1"},
        {L"Main", L"ClearEnd", L"0"},
    };
    REQUIRE(store.writes.size() == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        CAPTURE(i);
        CAPTURE(Shown(store.writes[i].key));
        CAPTURE(Shown(store.writes[i].value));
        CHECK(store.writes[i] == expected[i]);
    }

    SUBCASE("flags the other way round") {
        settings.savePath = false;
        settings.clearEnd = true;
        FakeIniStore again;
        SaveSettings(again, settings, L"x");
        REQUIRE(again.writes.size() == 19);
        CHECK(again.writes[17] == WriteCall{L"Main", L"SavePath", L"0"});
        CHECK(again.writes[18] == WriteCall{L"Main", L"ClearEnd", L"1"});
    }
    SUBCASE("reading the saved file back gives the values, a padded text trimmed") {
        Settings read = LoadSettings(store);
        CHECK(read.profileTexts[0] == L"-m5");
        read.profileTexts[0] = settings.profileTexts[0];
        CHECK(read == settings);
    }
}

TEST_CASE("a text the reader would unquote is written in one more pair of quotes, the rest as is") {
    struct Case {
        std::wstring_view text;
        std::wstring_view written;
        std::wstring_view read; // blanks at the ends of a text not quoted are lost, as ever
    };
    const Case cases[] = {
        {L"\"-apMy Docs\"", L"\"\"-apMy Docs\"\"", L"\"-apMy Docs\""},
        {L"'-m5'", L"\"'-m5'\"", L"'-m5'"},
        {L"  \"a b\" ", L"\"  \"a b\" \"", L"  \"a b\" "},
        {L"\"\"", L"\"\"\"\"", L"\"\""},
        {L"\"'", L"\"'", L"\"'"},
        {L"\"", L"\"", L"\""},
        {L"-ap\"a b\"", L"-ap\"a b\"", L"-ap\"a b\""},
        {L"\"a\" -m5", L"\"a\" -m5", L"\"a\" -m5"},
        {L" -m5 ", L" -m5 ", L"-m5"},
    };
    for (const auto& c : cases) {
        CAPTURE(Shown(c.text));
        Settings settings = DefaultSettings();
        settings.profileTexts[1] = c.text;
        settings.winRarPath = c.text;
        FakeIniStore store;
        SaveSettings(store, settings, L"x");
        REQUIRE(store.writes.size() == 19);
        CHECK(store.writes[5].value == c.written);
        CHECK(store.writes[15].value == c.written);
        const Settings read = LoadSettings(store);
        CHECK(read.profileTexts[1] == c.read);
        CHECK(read.winRarPath == c.read);
    }
}

TEST_CASE("the characters a text holds that the file's code page cannot, each once") {
    struct Case {
        std::wstring_view text;
        std::wstring_view notHeld;
    };
    const Case cases[] = {
        {L"-EP1 -S テスト", L""},
        {L"", L""},
        {L"-pGrüße", L"üß"},
        {L"-püßü -ß", L"üß"},
        // A surrogate pair is one character; a lone surrogate is another.
        {L"a\xD83D\xDE00"
         L"b\xD83D\xD83D\xDE00",
         L"\xD83D\xDE00\xD83D"},
    };
    for (const auto& c : cases) {
        CAPTURE(Shown(c.text));
        CHECK(CharactersNotHeld(c.text, KanaCodePage()) == c.notHeld);
    }
}

TEST_CASE("the first failed write stops the save with the message naming the file") {
    const std::wstring_view path = L"C:\\Program Files\\ツール\\Velkin.ini";
    // The 20th is taking out "EachItem", which is off.
    for (const std::size_t failing : {1u, 2u, 10u, 16u, 19u, 20u}) {
        CAPTURE(failing);
        FakeIniStore store;
        store.FailWriteNumber(failing);
        try {
            SaveSettings(store, DefaultSettings(), path);
            FAIL("no error raised");
        } catch (const Error& error) {
            CHECK(error.message() == L"C:\\Program Files\\ツール\\Velkin.ini に書き込めません");
        }
        CHECK(store.attempts == failing);
        CHECK(store.writes.size() == failing - 1);
    }
}

TEST_CASE("EachItem is in the file only while on, after the 19 keys; only a number but 0 is on") {
    struct Case {
        std::optional<std::wstring_view> raw;
        bool on;
    };
    const Case cases[] = {
        {std::nullopt, false}, {L"1", true},    {L"2", true},   {L"0x1", true}, {L"0", false},
        {L"", false},          {L"yes", false}, {L"on", false}, {L"-", false},  {L"1x", false},
    };
    for (const auto& c : cases) {
        CAPTURE(Shown(c.raw.value_or(L"(missing)")));
        FakeIniStore store;
        if (c.raw) {
            store.SetLine(L"EachItem", *c.raw);
        }
        Settings settings = LoadSettings(store);
        CHECK(settings.eachItem == c.on);

        // Saved back: the line says 1 while on, and is gone when off.
        SaveSettings(store, settings, L"x");
        CHECK(store.writes.size() == (c.on ? 20u : 19u));
        CHECK(store.Read(kSettingsSection, L"EachItem") ==
              (c.on ? std::optional<std::wstring>(L"1") : std::nullopt));
        settings.eachItem = !settings.eachItem;
        SaveSettings(store, settings, L"x");
        CHECK(LoadSettings(store) == settings);
    }
    Settings on = DefaultSettings();
    on.eachItem = true;
    FakeIniStore store;
    SaveSettings(store, on, L"x");
    REQUIRE(store.writes.size() == 20);
    CHECK(store.writes.back() == WriteCall{L"Main", L"EachItem", L"1"});
}

TEST_CASE("which profiles the file holds: a key counts even when its value is empty") {
    FakeIniStore store;
    store.SetLine(L"RAROption2", L"");
    store.SetLine(L"RAROption5", L"-x", L"Other");
    CHECK(ProfilesHeld(store) == std::array<bool, kProfileCount>{false, true, false, false, false});
}

TEST_CASE("the settings file is Velkin.ini in the program directory") {
    CHECK(SettingsFilePath(L"C:\\Tools\\Velkin\\") == L"C:\\Tools\\Velkin\\Velkin.ini");
    CHECK(SettingsFilePath(L"D:") == L"D:Velkin.ini");
}

} // namespace velkin
