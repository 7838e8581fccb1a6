#include "core/stored_names.h"

#include "core/text.h"

namespace velkin::standin {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool IsDriveLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Past the server and share names of a UNC path that start at pos, and the separator after each.
std::size_t PastServerAndShare(std::wstring_view path, std::size_t pos) {
    for (int part = 0; part < 2; ++part) {
        while (pos < path.size() && !IsSeparator(path[pos])) {
            ++pos;
        }
        if (pos < path.size()) {
            ++pos;
        }
    }
    return pos;
}

// Length of the drive, share or device prefix (separator after it included).
std::size_t RootLength(std::wstring_view path) {
    std::size_t pos = 0;
    // \\?\ and \\.\ prefixes, and \\?\UNC\srv\share.
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
        (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3])) {
        pos = 4;
        if (StartsWithAsciiNoCase(path.substr(pos), L"UNC") && path.size() > pos + 3 &&
            IsSeparator(path[pos + 3])) {
            return PastServerAndShare(path, pos + 4);
        }
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        return PastServerAndShare(path, 2);
    }
    if (path.size() >= pos + 2 && IsDriveLetter(path[pos]) && path[pos + 1] == L':') {
        pos += 2;
    }
    while (pos < path.size() && IsSeparator(path[pos])) {
        ++pos;
    }
    return pos;
}

} // namespace

std::vector<std::wstring> ComponentsBelowRoot(std::wstring_view path) {
    std::vector<std::wstring> components;
    std::size_t pos = RootLength(path);
    while (pos < path.size()) {
        std::size_t end = pos;
        while (end < path.size() && !IsSeparator(path[end])) {
            ++end;
        }
        const auto part = path.substr(pos, end - pos);
        if (!part.empty() && part != L"." && part != L"..") {
            components.emplace_back(part);
        }
        pos = end + 1;
    }
    return components;
}

std::wstring StoredBaseName(std::wstring_view listedPath, bool excludeBaseFolder) {
    const auto components = ComponentsBelowRoot(listedPath);
    if (components.empty()) {
        return {};
    }
    if (excludeBaseFolder) {
        return components.back();
    }
    std::wstring name;
    for (const auto& part : components) {
        name = JoinStoredName(name, part);
    }
    return name;
}

std::wstring JoinStoredName(std::wstring_view base, std::wstring_view child) {
    if (base.empty()) {
        return std::wstring(child);
    }
    std::wstring name(base);
    name += L'/';
    name += child;
    return name;
}

std::wstring ExtendedLengthPath(std::wstring_view fullPath) {
    if (fullPath.size() >= 4 && fullPath.substr(0, 4) == L"\\\\?\\") {
        return std::wstring(fullPath);
    }
    if (fullPath.size() >= 2 && fullPath.substr(0, 2) == L"\\\\") {
        if (fullPath.size() >= 4 && fullPath[2] == L'.' && fullPath[3] == L'\\') {
            return std::wstring(fullPath); // a device: no long form
        }
        return L"\\\\?\\UNC\\" + std::wstring(fullPath.substr(2));
    }
    return L"\\\\?\\" + std::wstring(fullPath);
}

} // namespace velkin::standin
