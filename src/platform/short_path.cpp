#include "platform/short_path.h"

#include <windows.h>

namespace velkin::win {

std::wstring ShortPath(const std::wstring& path) {
    constexpr DWORD kBufferLength = MAX_PATH;
    std::wstring shortPath(kBufferLength, L'\0');
    const DWORD length = ::GetShortPathNameW(path.c_str(), shortPath.data(), kBufferLength);
    shortPath.resize(length < kBufferLength ? length : 0);
    return shortPath;
}

} // namespace velkin::win
