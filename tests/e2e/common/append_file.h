#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/unique_handle.h"

namespace velkin::e2e {

// Appends the bytes to the file, made if need be. The test helpers log one line per event this
// way: a line of less than a megabyte goes in one write, so that lines from processes writing
// at the same time stay whole.
inline bool AppendToFile(const std::wstring& path, std::string_view bytes) {
    const win::UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    while (!bytes.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace velkin::e2e
