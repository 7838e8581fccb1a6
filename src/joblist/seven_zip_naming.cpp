#include "joblist/seven_zip_naming.h"

#include <array>

#include "base/ascii_case.h"
#include "settings/seven_zip_switches.h"

namespace velkin {
namespace {

struct KnownType {
    std::wstring_view name; // as -t names it, lower case
    std::wstring_view extension;
    bool oneFile;
};

// The types the family writes, with the first extension each registers for itself.
constexpr std::array<KnownType, 8> kTypes = {{
    {L"7z", L".7z", false},
    {L"zip", L".zip", false},
    {L"tar", L".tar", false},
    {L"wim", L".wim", false},
    {L"gzip", L".gz", true},
    {L"bzip2", L".bz2", true},
    {L"xz", L".xz", true},
    {L"zstd", L".zst", true},
}};

constexpr std::wstring_view kDefaultExtension = L".7z";

} // namespace

ArchiveType SevenZipArchiveType(std::wstring_view profileText) {
    const auto type = ReadSevenZipSwitches(profileText).type;
    if (!type || type->empty()) {
        return {std::wstring(kDefaultExtension), {}};
    }
    const std::wstring name = LowerAscii(*type);
    for (const KnownType& known : kTypes) {
        if (name == known.name) {
            if (known.oneFile) {
                return {std::wstring(kDefaultExtension), std::wstring(known.extension)};
            }
            return {std::wstring(known.extension), {}};
        }
    }
    // The archiver refuses a type it does not know; a name that could not end a file name
    // gives the default.
    for (const wchar_t c : name) {
        if (!((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9'))) {
            return {std::wstring(kDefaultExtension), {}};
        }
    }
    return {L"." + name, {}};
}

} // namespace velkin
