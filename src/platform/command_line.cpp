#include "platform/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/unique_handle.h"

namespace velkin::win {
namespace {

using UniqueArgumentList = UniqueHandle<NullableHandleTraits<LPWSTR*, &::LocalFree>>;

} // namespace

std::vector<std::wstring> CommandLineArguments() {
    int count = 0;
    const UniqueArgumentList list(::CommandLineToArgvW(::GetCommandLineW(), &count));
    std::vector<std::wstring> arguments;
    for (int i = 1; list && i < count; ++i) {
        arguments.emplace_back(list.get()[i]);
    }
    return arguments;
}

std::wstring FullPathName(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            return path;
        }
        // Too small a buffer: the length needed, terminator included.
        if (length >= full.size()) {
            full.resize(length);
            continue;
        }
        full.resize(length);
        return full;
    }
}

} // namespace velkin::win
