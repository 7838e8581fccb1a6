#include "app/start_request.h"

#include <string_view>

#include "app/arrival_paths.h"
#include "base/ascii_case.h"

namespace velkin {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsEachSwitch(std::wstring_view argument) {
    return argument.size() == 5 && (argument[0] == L'/' || argument[0] == L'-') &&
           EqualsAsciiNoCase(argument.substr(1), L"each");
}

// "X:\" or "X:/" at the start, or two separators (a network path, "\\?\"): the path means the
// same whatever the current directory and drive are.
bool IsFullyQualified(std::wstring_view path) {
    const bool driveRoot =
        path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == L':' && IsSeparator(path[2]);
    const bool twoSeparators = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
    return driveRoot || twoSeparators;
}

// The shell's splitting reads a backslash before a quote as an escaped quote, so "C:\my dir\"
// (what a shell's completion writes for a folder) arrives as C:\my dir". A quote can only end an
// argument that way: it stands for the backslash that was meant.
std::wstring AsMeant(const std::wstring& argument) {
    if (!argument.empty() && argument.back() == L'"' &&
        argument.find(L'"') == argument.size() - 1) {
        return argument.substr(0, argument.size() - 1) + L'\\';
    }
    return argument;
}

} // namespace

StartRequest ReadStartArguments(const std::vector<std::wstring>& arguments,
                                const std::function<std::wstring(const std::wstring&)>& makeFull) {
    StartRequest request;
    for (const auto& argument : arguments) {
        if (IsEachSwitch(argument)) {
            request.eachApart = true;
        } else if (argument.empty() || argument.front() == L'/') {
            continue;
        } else {
            std::wstring path = AsMeant(argument);
            if (!IsFullyQualified(path)) {
                path = makeFull(path);
            }
            request.paths.push_back(WithTidySeparators(std::move(path)));
        }
    }
    return request;
}

std::vector<std::vector<std::wstring>> DropsOf(const StartRequest& request) {
    if (request.paths.empty()) {
        return {};
    }
    if (!request.eachApart) {
        return {request.paths};
    }
    std::vector<std::vector<std::wstring>> drops;
    drops.reserve(request.paths.size());
    for (const auto& path : request.paths) {
        drops.push_back({path});
    }
    return drops;
}

} // namespace velkin
