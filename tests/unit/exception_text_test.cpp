#include <doctest/doctest.h>

#include "base/exception_text.h"
#include "base/velkin_error.h"

namespace velkin {

TEST_CASE("the exception display appends a dot only after characters above it") {
    struct Case {
        const wchar_t* message;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {L"", L""},
        {L"disk full", L"disk full."},
        {L"done.", L"done."},
        {L"ends with a dash-", L"ends with a dash-"},    // '-' sorts before '.'
        {L"ends with a blank ", L"ends with a blank "},  // so does ' '
        {L"ends with a slash/", L"ends with a slash/."}, // '/' sorts just after '.'
        {L"ends with a comma,", L"ends with a comma,"},
        {L"ends with 9", L"ends with 9."},
        {L"C:\\x\\Velkin.ini に書き込めません", L"C:\\x\\Velkin.ini に書き込めません."},
        // A double-byte character counts as one and sorts after "." by its lead byte.
        {L"終了。", L"終了。."},
        {L"表", L"表."},
        // A character outside the basic plane, too.
        {L"\U0001F600", L"\U0001F600."},
    };
    for (const auto& c : cases) {
        CHECK(ExceptionDisplayText(c.message) == c.shown);
    }
}

TEST_CASE("message texts take their argument in place of %s") {
    CHECK(FormatMessageText(L"'%s' は整数ではありません", L"x") == L"'x' は整数ではありません");
    CHECK(FormatMessageText(L"ファイル %s を作成できません", L"C:\\a b\\Velkin.lst") ==
          L"ファイル C:\\a b\\Velkin.lst を作成できません");
    // The argument is never read as a pattern itself.
    CHECK(FormatMessageText(L"%s に書き込めません", L"%s") == L"%s に書き込めません");
    CHECK(FormatMessageText(L"no placeholder", L"x") == L"no placeholder");
}

} // namespace velkin
