#include "platform/dropped_files.h"

#include <shlobj.h>

namespace velkin::win {
namespace {

// Asking the shell for item i walks the list from its start every time, so reading a drop item
// by item costs time quadratic in its size (minutes for 100,000 items). The drop is one block
// of memory holding the list; reading it in one pass is linear.
bool ReadDropBlock(HDROP drop, std::vector<std::wstring>& paths) {
    const auto global = reinterpret_cast<HGLOBAL>(drop);
    const SIZE_T size = ::GlobalSize(global);
    const auto* header = static_cast<const DROPFILES*>(::GlobalLock(global));
    if (header == nullptr) {
        return false;
    }
    bool complete = false;
    if (size >= sizeof(DROPFILES) && header->pFiles >= sizeof(DROPFILES) && header->pFiles < size) {
        const auto* bytes = reinterpret_cast<const char*>(header);
        const char* end = bytes + size;
        if (header->fWide) {
            const auto* at = reinterpret_cast<const wchar_t*>(bytes + header->pFiles);
            const auto* last = reinterpret_cast<const wchar_t*>(end);
            while (at < last && *at != L'\0') {
                const wchar_t* start = at;
                while (at < last && *at != L'\0') {
                    ++at;
                }
                paths.emplace_back(start, at);
                ++at;
            }
            complete = at < last;
        } else {
            const char* at = bytes + header->pFiles;
            while (at < end && *at != '\0') {
                const char* start = at;
                while (at < end && *at != '\0') {
                    ++at;
                }
                const int length = static_cast<int>(at - start);
                std::wstring wide(static_cast<std::size_t>(length), L'\0');
                wide.resize(static_cast<std::size_t>(
                    ::MultiByteToWideChar(CP_ACP, 0, start, length, wide.data(), length)));
                paths.push_back(std::move(wide));
                ++at;
            }
            complete = at < end;
        }
    }
    ::GlobalUnlock(global);
    return complete;
}

std::vector<std::wstring> QueryDroppedPaths(HDROP drop) {
    std::vector<std::wstring> paths;
    const UINT count = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    paths.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(::DragQueryFileW(drop, i, path.data(), length + 1));
        paths.push_back(std::move(path));
    }
    return paths;
}

} // namespace

std::vector<std::wstring> ReadDroppedPaths(HDROP drop) {
    std::vector<std::wstring> paths;
    if (ReadDropBlock(drop, paths)) {
        return paths;
    }
    // Not a block we can read: ask the shell, item by item.
    return QueryDroppedPaths(drop);
}

bool IsExistingDirectory(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace velkin::win
