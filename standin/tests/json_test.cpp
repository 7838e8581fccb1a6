#include <doctest/doctest.h>

#include "core/json.h"
#include "core/text.h"

using namespace velkin::standin;

TEST_CASE("JSON strings escape what JSON requires and keep the rest as UTF-8") {
    CHECK(JsonString(L"a\"b\\c") == "\"a\\\"b\\\\c\"");
    CHECK(JsonString(L"\r\n\t\x01\x7F") == "\"\\r\\n\\t\\u0001\\u007f\"");
    CHECK(JsonString(L"C:\\\u65E5\u672C") == "\"C:\\\\\xE6\x97\xA5\xE6\x9C\xAC\"");
    CHECK(JsonString(L"\U0001F600") == "\"\xF0\x9F\x98\x80\"");
    CHECK(JsonString(L"") == "\"\"");
}

TEST_CASE("a lone surrogate is written as its escape") {
    std::wstring text = L"a";
    text += static_cast<wchar_t>(0xDC01);
    CHECK(JsonString(text) == "\"a\\udc01\"");
}

TEST_CASE("base64 by the test vectors of RFC 4648") {
    CHECK(Base64("") == "");
    CHECK(Base64("f") == "Zg==");
    CHECK(Base64("fo") == "Zm8=");
    CHECK(Base64("foo") == "Zm9v");
    CHECK(Base64("foob") == "Zm9vYg==");
    CHECK(Base64("fooba") == "Zm9vYmE=");
    CHECK(Base64("foobar") == "Zm9vYmFy");
    CHECK(Base64(std::string("\xFF\xFE\x00", 3)) == "//4A");
}

TEST_CASE("an object keeps its fields in order") {
    const auto json = JsonObject()
                          .Text("a", L"x")
                          .Number("b", -3)
                          .Bool("c", true)
                          .Null("d")
                          .TextList("e", {L"1", L"2"})
                          .Raw("f", "[]")
                          .Finish();
    CHECK(json == R"({"a":"x","b":-3,"c":true,"d":null,"e":["1","2"],"f":[]})");
    CHECK(JsonObject().Finish() == "{}");
}

TEST_CASE("UTF-8 both ways") {
    bool lossy = false;
    CHECK(ToUtf8(L"\uD55C", &lossy) == "\xED\x95\x9C");
    CHECK_FALSE(lossy);
    std::wstring lone(1, static_cast<wchar_t>(0xD800));
    CHECK(ToUtf8(lone, &lossy) == "\xEF\xBF\xBD");
    CHECK(lossy);

    std::wstring back;
    CHECK(FromUtf8("\xE3\x81\x82z", back));
    CHECK(back == L"\u3042z");
    CHECK_FALSE(FromUtf8("\xC0\x80", back));     // overlong
    CHECK_FALSE(FromUtf8("\xED\xA0\x80", back)); // surrogate
    CHECK_FALSE(FromUtf8("\xE3\x81", back));     // cut short
}

TEST_CASE("decimal numbers, strictly") {
    long long value = 0;
    CHECK(ParseDecimal(L"1500", value));
    CHECK(value == 1500);
    CHECK(ParseDecimal(L"-7", value));
    CHECK(value == -7);
    CHECK_FALSE(ParseDecimal(L"", value));
    CHECK_FALSE(ParseDecimal(L"12a", value));
    CHECK_FALSE(ParseDecimal(L"+", value));
    CHECK_FALSE(ParseDecimal(L"99999999999999999999", value));
}
