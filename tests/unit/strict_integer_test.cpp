#include <doctest/doctest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/integer_text.h"
#include "base/velkin_error.h"

namespace velkin {

TEST_CASE("strict integer parse accepts the forms of the rule") {
    struct Case {
        std::wstring_view text;
        std::int32_t value;
    };
    const Case cases[] = {
        {L"0", 0},
        {L"7", 7},
        {L"007", 7},
        {L"+12", 12},
        {L"-12", -12},
        {L"   42", 42},
        {L" -3", -3},
        {L"$ff", 255},
        {L"$FF", 255},
        {L"x1A", 26},
        {L"X1a", 26},
        {L"0x10", 16},
        {L"0X10", 16},
        {L"-$10", -16},
        {L"+0x7FFFFFFF", INT32_MAX},
        {L"2147483647", INT32_MAX},
        {L"-2147483648", INT32_MIN},
        {L"-0x80000000", INT32_MIN},
        {L"00000000000000000001", 1},
    };
    for (const auto& c : cases) {
        CAPTURE(std::string(c.text.begin(), c.text.end()));
        const auto parsed = TryParseStrictInteger(c.text);
        REQUIRE(parsed.has_value());
        CHECK(*parsed == c.value);
    }
}

TEST_CASE("strict integer parse rejects everything else") {
    const std::wstring_view rejected[] = {
        L"",
        L" ",
        L"-",
        L"+",
        L"$",
        L"0x",
        L"x",
        L"12 ",
        L"1 2",
        L"\t1",
        L"1.0",
        L"1e3",
        L"abc",
        L"$fg",
        L"--1",
        L"+-1",
        L"0x-1",
        L"2147483648",
        L"-2147483649",
        L"$80000000",
        L"0xFFFFFFFF",
        L"99999999999999999999",
        L"１２",
        L"0b101",
    };
    for (const auto text : rejected) {
        CAPTURE(std::string(text.begin(), text.end()));
        CHECK_FALSE(TryParseStrictInteger(text).has_value());
    }
}

TEST_CASE("a failed strict parse raises the message naming the text") {
    try {
        ParseStrictInteger(L"01a");
        FAIL("no error raised");
    } catch (const Error& error) {
        CHECK(error.message() == L"'01a' は整数ではありません");
    }
    CHECK(ParseStrictInteger(L" 5") == 5);
}

TEST_CASE("integers become plain decimal text") {
    CHECK(DecimalText(0) == L"0");
    CHECK(DecimalText(15) == L"15");
    CHECK(DecimalText(-7) == L"-7");
    CHECK(DecimalText(INT32_MIN) == L"-2147483648");
    for (const std::int32_t value : {0, 1, -1, 99, INT32_MAX, INT32_MIN}) {
        CHECK(ParseStrictInteger(DecimalText(value)) == value);
    }
}

} // namespace velkin
