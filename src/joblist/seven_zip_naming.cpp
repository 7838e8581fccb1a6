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

// The types the family writes, with the first extension each registers for itself; brotli,
// lizard, lz4, lz5 and zstd are NanaZip's own.
constexpr std::array<KnownType, 12> kTypes = {{
    {L"7z", L".7z", false},
    {L"zip", L".zip", false},
    {L"tar", L".tar", false},
    {L"wim", L".wim", false},
    {L"gzip", L".gz", true},
    {L"bzip2", L".bz2", true},
    {L"xz", L".xz", true},
    {L"zstd", L".zst", true},
    {L"brotli", L".br", true},
    {L"lizard", L".liz", true},
    {L"lz4", L".lz4", true},
    {L"lz5", L".lz5", true},
}};

constexpr std::wstring_view kDefaultExtension = L".7z";
// What the family names a self-extracting archive, whatever its type.
constexpr std::wstring_view kSelfExtractingExtension = L".exe";

} // namespace

ArchiveType SevenZipArchiveType(std::wstring_view profileText) {
    const SevenZipSwitches read = ReadSevenZipSwitches(profileText);
    if (read.selfExtracting) {
        return {std::wstring(kSelfExtractingExtension), {}};
    }
    // The family takes the type before the first ":"; the rest says how an archive is opened.
    const std::wstring_view type =
        read.type ? std::wstring_view(*read.type).substr(0, read.type->find(L':'))
                  : std::wstring_view();
    if (type.empty()) {
        return {std::wstring(kDefaultExtension), {}};
    }
    const std::wstring name = LowerAscii(type);
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
