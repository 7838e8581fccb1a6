#include "base/archiver_kind.h"

#include <array>

namespace velkin {
namespace {

bool EqualsAsciiNoCase(std::wstring_view text, std::wstring_view lower) {
    if (text.size() != lower.size()) {
        return false;
    }
    for (std::size_t at = 0; at < text.size(); ++at) {
        wchar_t c = text[at];
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        if (c != lower[at]) {
            return false;
        }
    }
    return true;
}

constexpr std::array<std::wstring_view, 6> kSevenZipPrograms = {
    L"7z.exe", L"7za.exe", L"7zz.exe", L"7zg.exe", L"nanazipc.exe", L"nanazipg.exe",
};

} // namespace

ArchiverKind ArchiverKindOf(std::wstring_view archiverPath) {
    // "/" as well: the system takes it for "\", and a hand-edited location may use it.
    const std::size_t separator = archiverPath.find_last_of(L"\\/:");
    const std::wstring_view name =
        separator == std::wstring_view::npos ? archiverPath : archiverPath.substr(separator + 1);
    for (const auto program : kSevenZipPrograms) {
        if (EqualsAsciiNoCase(name, program)) {
            return ArchiverKind::SevenZip;
        }
    }
    return ArchiverKind::WinRar;
}

} // namespace velkin
