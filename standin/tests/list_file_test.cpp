#include <doctest/doctest.h>

#include <string>

#include "core/list_file.h"

using namespace velkin::standin;

namespace {

// Shift-JIS in miniature: ASCII as it is, and 0x82 0xA0 as "あ"; anything else is invalid.
std::optional<std::wstring> TinyShiftJis(std::string_view bytes) {
    std::wstring text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            text += static_cast<wchar_t>(byte);
        } else if (byte == 0x82 && i + 1 < bytes.size() &&
                   static_cast<unsigned char>(bytes[i + 1]) == 0xA0) {
            text += L'\u3042';
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return text;
}

std::string Utf16Le(std::u16string_view text, bool bom = true) {
    std::string bytes = bom ? "\xFF\xFE" : "";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

} // namespace

TEST_CASE("ANSI lines in order, duplicates kept") {
    const auto list = DecodeListFile("C:\\a\\\x82\xA0.txt\r\nC:\\b\r\nC:\\b\r\n", TinyShiftJis);
    CHECK(list.encoding == ListEncoding::Ansi);
    CHECK(list.entries == std::vector<std::wstring>{L"C:\\a\\\u3042.txt", L"C:\\b", L"C:\\b"});
    CHECK(list.problems.empty());
    CHECK(list.notes.empty());
}

TEST_CASE("UTF-16LE with its mark, a pair of surrogates decoded") {
    const auto list =
        DecodeListFile(Utf16Le(u"C:\\\uD55C\uAE00\r\nC:\\\U0001F600\r\n"), TinyShiftJis);
    CHECK(list.encoding == ListEncoding::Utf16Le);
    REQUIRE(list.entries.size() == 2);
    CHECK(list.entries[0] == L"C:\\\uD55C\uAE00");
    CHECK(list.entries[1] == L"C:\\\U0001F600");
    CHECK(list.problems.empty());
}

TEST_CASE("an empty file gives no entries and no problem") {
    const auto list = DecodeListFile("", TinyShiftJis);
    CHECK(list.entries.empty());
    CHECK(list.problems.empty());
    CHECK(list.notes == std::vector<std::wstring>{L"no entries"});
    CHECK(DecodeListFile("\xFF\xFE", TinyShiftJis).encoding == ListEncoding::Utf16Le);
}

TEST_CASE("loose line ends and empty lines are tolerated with notes") {
    const auto list = DecodeListFile("a\nb\r\n\r\nc", TinyShiftJis);
    CHECK(list.entries == std::vector<std::wstring>{L"a", L"b", L"c"});
    CHECK(list.problems.empty());
    CHECK(list.notes.size() == 3);
}

TEST_CASE("a line is read as WinRAR reads it: its end trimmed, then one pair of quotes off") {
    const auto list = DecodeListFile(
        "\"C:\\a \"\r\nC:\\b \t\r\n\"\"C:\\c\"\"\r\n \"C:\\d\"\r\n\"\r\n", TinyShiftJis);
    CHECK(list.entries ==
          std::vector<std::wstring>{L"C:\\a ", L"C:\\b", L"\"C:\\c\"", L" \"C:\\d\""});
    CHECK(list.notes == std::vector<std::wstring>{L"line 2: blanks at the end trimmed",
                                                  L"1 empty line(s) skipped"});
}

TEST_CASE("bytes the code page rejects are problems, and named by line") {
    const auto list = DecodeListFile("ok\r\n\x81\x81\r\n", TinyShiftJis);
    CHECK(list.entries == std::vector<std::wstring>{L"ok"});
    CHECK(list.problems ==
          std::vector<std::wstring>{L"line 2: bytes not valid in the ANSI code page"});
    const auto withNul = DecodeListFile(std::string("x\0y\r\n", 5), TinyShiftJis);
    CHECK(withNul.problems == std::vector<std::wstring>{L"line 1: NUL byte"});
}

TEST_CASE("invalid UTF-16 is a problem, not a crash") {
    const auto lone = DecodeListFile(Utf16Le(u"C:\\a\xD800z\r\nC:\\b\r\n"), TinyShiftJis);
    CHECK(lone.entries == std::vector<std::wstring>{L"C:\\b"});
    CHECK(lone.problems == std::vector<std::wstring>{L"line 1: unpaired UTF-16 surrogate"});

    const auto odd = DecodeListFile(Utf16Le(u"C:\\b\r\n") + "x", TinyShiftJis);
    CHECK(odd.entries == std::vector<std::wstring>{L"C:\\b"});
    CHECK(odd.problems.size() == 1);
}

TEST_CASE("garbage bytes are reported with a bounded number of problems") {
    std::string garbage;
    for (int i = 0; i < 1000; ++i) {
        garbage += "\xFA\xFB\r\n";
    }
    const auto list = DecodeListFile(garbage, TinyShiftJis);
    CHECK(list.entries.empty());
    CHECK(list.problems.size() == 33);
}
