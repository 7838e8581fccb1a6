#include "base/archiver_kind.h"

#include <array>

#include "base/ascii_case.h"

namespace velkin {
namespace {

constexpr std::array<std::wstring_view, 6> kSevenZipPrograms = {
    L"7z.exe", L"7za.exe", L"7zz.exe", L"7zg.exe", L"nanazipc.exe", L"nanazipg.exe",
};

} // namespace

ArchiverKind ArchiverKindOf(std::wstring_view archiverPath) {
    // "/" as well: the system takes it for "\", and a hand-edited location may use it.
    const std::size_t separator = archiverPath.find_last_of(L"\\/:");
    const std::wstring_view name =
        separator == std::wstring_view::npos ? archiverPath : archiverPath.substr(separator + 1);
    const std::wstring lower = LowerAscii(name);
    for (const auto program : kSevenZipPrograms) {
        if (lower == program) {
            return ArchiverKind::SevenZip;
        }
    }
    return ArchiverKind::WinRar;
}

} // namespace velkin
