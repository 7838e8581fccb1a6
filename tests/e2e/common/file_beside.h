#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace velkin::e2e {

// The path of a module (the program itself for nullptr), or nothing when the system has none.
inline std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// A file in the folder of a module: where the test helpers keep their logs, so that a suite
// finds them beside the copy it registered.
inline std::wstring FileBeside(HMODULE module, std::wstring_view name) {
    const std::wstring path = ModulePath(module);
    const auto slash = path.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) +
           std::wstring(name);
}

} // namespace velkin::e2e
