#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "platform/file_dialogs.h"

namespace {

using velkin::win::DialogFilterList;

// Reads the list the way the file dialog does: strings up to the empty one.
std::vector<std::wstring> DialogEntries(const std::wstring& list) {
    std::vector<std::wstring> entries;
    for (const wchar_t* p = list.c_str(); *p != L'\0'; p += entries.back().size() + 1) {
        entries.emplace_back(p);
    }
    return entries;
}

} // namespace

TEST_CASE("DialogFilterList turns the bar-separated filter into the dialog's list") {
    SUBCASE("one entry") {
        CHECK(DialogFilterList(L"a|b") == std::wstring(L"a\0b\0\0", 5));
    }

    SUBCASE("two entries") {
        const std::wstring list = DialogFilterList(L"実行ファイル (*.exe)|*.exe|すべて|*.*");
        CHECK(list == std::wstring(L"実行ファイル (*.exe)\0*.exe\0すべて\0*.*\0\0", 30));
        CHECK(DialogEntries(list) ==
              std::vector<std::wstring>{L"実行ファイル (*.exe)", L"*.exe", L"すべて", L"*.*"});
    }

    SUBCASE("no filter is an empty list") {
        CHECK(DialogFilterList(L"").empty());
    }
}
