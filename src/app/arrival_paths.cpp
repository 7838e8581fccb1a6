#include "app/arrival_paths.h"

#include <algorithm>

#include "base/ascii_case.h"
#include "base/message_texts.h"

namespace velkin {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\';
}

bool IsControl(wchar_t c) {
    return c < 0x20;
}

// The end of the share part of "server\share\..." starting at `at`; npos without one.
std::size_t AfterShare(std::wstring_view path, std::size_t at) {
    const std::size_t server = path.find(L'\\', at);
    if (server == std::wstring_view::npos || server == at) {
        return std::wstring_view::npos;
    }
    const std::size_t share = path.find(L'\\', server + 1);
    return share == server + 1 ? std::wstring_view::npos : share;
}

// How many characters of the path its root takes, its separator included: the separators that
// end there are the root's own.
std::size_t RootLength(std::wstring_view path) {
    for (const std::wstring_view device : {L"\\\\?\\", L"\\\\.\\"}) {
        if (!path.starts_with(device)) {
            continue;
        }
        const std::wstring_view rest = path.substr(device.size());
        if (rest.size() >= 3 && IsAsciiLetter(rest[0]) && rest[1] == L':' && rest[2] == L'\\') {
            return device.size() + 3;
        }
        if (rest.starts_with(L"UNC\\")) {
            const std::size_t end = AfterShare(path, device.size() + 4);
            return end == std::wstring_view::npos ? path.size() : end + 1;
        }
        return device.size();
    }
    if (path.starts_with(L"\\\\")) {
        const std::size_t end = AfterShare(path, 2);
        return end == std::wstring_view::npos ? path.size() : end + 1;
    }
    if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
        return 3;
    }
    return path.size() >= 1 && path[0] == L'\\' ? 1 : 0;
}

// Whether "server\share..." starts at `at`: two names, neither empty.
bool NamesShare(std::wstring_view path, std::size_t at) {
    const std::size_t server = path.find(L'\\', at);
    return server != std::wstring_view::npos && server != at && server + 1 < path.size() &&
           path[server + 1] != L'\\';
}

} // namespace

std::wstring WithTidySeparators(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    const std::size_t root = RootLength(path);
    while (path.size() > root && IsSeparator(path.back())) {
        path.pop_back();
    }
    return path;
}

bool HoldsForbiddenCharacter(std::wstring_view path) {
    constexpr std::wstring_view kForbidden = L"\"<>|*?";
    // A long path begins with "\\?\", whose "?" belongs to the prefix, not to a name.
    const std::size_t from = path.starts_with(L"\\\\?\\") ? 4 : 0;
    return std::any_of(
        path.begin() + static_cast<std::ptrdiff_t>(from), path.end(),
        [&](wchar_t c) { return IsControl(c) || kForbidden.find(c) != std::wstring_view::npos; });
}

bool IsFullPath(std::wstring_view path) {
    if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
        return true;
    }
    // "\\?\C:\..." and "\\?\UNC\server\share..." have the form of a share too.
    return path.starts_with(L"\\\\") && NamesShare(path, 2);
}

SortedPaths SortArrivedPaths(std::vector<std::wstring> paths) {
    SortedPaths sorted;
    for (auto& path : paths) {
        if (!HoldsForbiddenCharacter(path)) {
            std::wstring tidy = WithTidySeparators(path);
            if (IsFullPath(tidy)) {
                sorted.accepted.push_back(std::move(tidy));
                continue;
            }
        }
        sorted.refused.push_back(std::move(path));
    }
    return sorted;
}

std::wstring RefusedPathsMessage(const std::vector<std::wstring>& refused) {
    std::wstring message(text::kRefusedPaths);
    const std::size_t shown = std::min(refused.size(), kMostRefusedShown);
    for (std::size_t i = 0; i < shown; ++i) {
        message += L'\n';
        for (const wchar_t c : refused[i]) {
            message += IsControl(c) ? L'\uFFFD' : c;
        }
    }
    if (refused.size() > shown) {
        message += L"\n\u2026";
    }
    return message;
}

} // namespace velkin
