#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "platform/windows_code_page.h"

namespace {

using velkin::win::WindowsCodePage;

std::string Bytes(std::initializer_list<unsigned char> values) {
    return std::string(values.begin(), values.end());
}

} // namespace

TEST_CASE("the tests run with the Japanese ANSI code page") {
    // Every expectation below is a code page 932 byte sequence; another code page means the
    // Wine prefix or the locale of the session is wrong, not the adapter.
    REQUIRE(::GetACP() == 932u);
}

TEST_CASE("ToAnsi gives the code page 932 bytes of Japanese text") {
    const WindowsCodePage codePage;

    SUBCASE("characters whose second byte is a backslash keep it") {
        // 0x5C as a trail byte is where naive byte handling of Shift_JIS goes wrong.
        CHECK(codePage.ToAnsi(L"表") == Bytes({0x95, 0x5C}));
        CHECK(codePage.ToAnsi(L"ソ") == Bytes({0x83, 0x5C}));
        CHECK(codePage.ToAnsi(L"C:\\表\\ソフト.txt") ==
              Bytes({'C', ':', '\\', 0x95, 0x5C, '\\', 0x83, 0x5C, 0x83, 0x74, 0x83, 0x67, '.', 't',
                     'x', 't'}));
    }

    SUBCASE("printable ASCII is unchanged, question mark included") {
        std::wstring wide;
        std::string narrow;
        for (char c = 0x20; c < 0x7F; ++c) {
            wide += static_cast<wchar_t>(c);
            narrow += c;
        }
        CHECK(codePage.ToAnsi(wide) == narrow);
        CHECK(codePage.ToAnsi(L"?") == std::string("?"));
    }

    SUBCASE("the whole length counts, not up to the first NUL") {
        CHECK(codePage.ToAnsi(std::wstring_view(L"a\0b", 3)) == std::string("a\0b", 3));
    }

    SUBCASE("half-width katakana are single bytes") {
        CHECK(codePage.ToAnsi(L"｡") == Bytes({0xA1}));
        CHECK(codePage.ToAnsi(L"ｱｲｳ") == Bytes({0xB1, 0xB2, 0xB3}));
        CHECK(codePage.ToAnsi(L"ﾟ") == Bytes({0xDF}));
        CHECK(codePage.ToAnsi(L"ｶﾞa") == Bytes({0xB6, 0xDE, 'a'}));
    }

    SUBCASE("full-width forms that the code page has") {
        CHECK(codePage.ToAnsi(L"～") == Bytes({0x81, 0x60}));
        CHECK(codePage.ToAnsi(L"Ａ１") == Bytes({0x82, 0x60, 0x82, 0x50}));
    }

    SUBCASE("empty text is empty bytes, not nothing") {
        const auto bytes = codePage.ToAnsi(L"");
        REQUIRE(bytes.has_value());
        CHECK(bytes->empty());
    }
}

TEST_CASE("ToAnsi gives nothing for text without an exact code page 932 form") {
    const WindowsCodePage codePage;

    SUBCASE("characters the code page lacks") {
        CHECK_FALSE(codePage.ToAnsi(L"한").has_value());
        CHECK_FALSE(codePage.ToAnsi(L"\U0001F600").has_value()); // a surrogate pair
        CHECK_FALSE(codePage.ToAnsi(L"〜").has_value());         // the wave dash, not ～
    }

    SUBCASE("characters only a best-fit mapping would convert") {
        CHECK_FALSE(codePage.ToAnsi(L"é").has_value()); // would become "e"
        CHECK_FALSE(codePage.ToAnsi(L"ß").has_value()); // would become "s"
        CHECK_FALSE(codePage.ToAnsi(L"¦").has_value()); // would become "|"
        // Would become a backslash: a path separator where the name had none.
        CHECK_FALSE(codePage.ToAnsi(L"¥").has_value());
    }

    SUBCASE("one such character spoils the whole text") {
        CHECK_FALSE(codePage.ToAnsi(L"表ソabc한").has_value());
        CHECK_FALSE(codePage.ToAnsi(L"café.txt").has_value());
        CHECK_FALSE(codePage.ToAnsi(L"x\U0001F600y").has_value());
    }
}

TEST_CASE("another code page of the system by its number, for a -scs switch") {
    const WindowsCodePage ansi;
    const auto western = ansi.Numbered(1252);
    REQUIRE(western);
    CHECK(western->ToAnsi(L"café") == std::optional<std::string>("caf\xE9"));
    CHECK_FALSE(western->ToAnsi(L"表").has_value());
    const auto utf8 = ansi.Numbered(65001); // more than two bytes a character: the system's way
    REQUIRE(utf8);
    CHECK(utf8->ToAnsi(L"表") == std::optional<std::string>("\xE8\xA1\xA8"));
    // UTF-8 has no form for a lone surrogate.
    CHECK_FALSE(utf8->ToAnsi(std::wstring(1, static_cast<wchar_t>(0xD800))).has_value());
    // UTF-7 takes no flags: what it writes is read back to be sure.
    const auto utf7 = ansi.Numbered(65000);
    REQUIRE(utf7);
    CHECK(utf7->ToAnsi(L"a b.txt") == std::optional<std::string>("a b.txt"));
    CHECK(utf7->ToAnsi(L"表\\") == std::optional<std::string>("+iGgAXA-"));
    CHECK(ansi.Numbered(1) != nullptr); // the OEM code page
    CHECK(ansi.Numbered(54321) == nullptr);
    CHECK(ansi.Numbered(0x10000 + 1252) == nullptr);
}
