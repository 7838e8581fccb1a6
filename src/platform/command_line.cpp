#include "platform/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/unique_handle.h"

namespace velkin::win {
namespace {

using UniqueArgumentList = UniqueHandle<NullableHandleTraits<LPWSTR*, &::LocalFree>>;

// Whether anything follows the program's own token, taken as CommandLineToArgvW takes it: up to
// the closing quote when it begins with one, else up to the first blank.
bool HasArguments(const wchar_t* line) {
    if (*line == L'"') {
        ++line;
        while (*line != L'\0' && *line != L'"') {
            ++line;
        }
        if (*line == L'"') {
            ++line;
        }
    } else {
        while (*line != L'\0' && *line != L' ' && *line != L'\t') {
            ++line;
        }
    }
    while (*line == L' ' || *line == L'\t') {
        ++line;
    }
    return *line != L'\0';
}

} // namespace

std::vector<std::wstring> CommandLineArguments() {
    // Every start reads its command line; shell32, which splits it, is loaded only when there is
    // something to split, so that a plain start does without it.
    if (!HasArguments(::GetCommandLineW())) {
        return {};
    }
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
