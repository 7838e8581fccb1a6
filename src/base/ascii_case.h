#pragma once

#include <string>
#include <string_view>

namespace velkin {

// Letter case for switches, types, drive letters and program names, which are ASCII: the letters
// A to Z alone change, as in every ANSI code page. Header-only, so that the test programs that
// name their cases by prefix can use it too. (The stand-in archiver keeps its own: it checks
// Velkin's reading of switches from outside.)

inline bool IsAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

inline wchar_t LowerAscii(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

inline std::wstring LowerAscii(std::wstring_view text) {
    std::wstring lower(text);
    for (auto& c : lower) {
        c = LowerAscii(c);
    }
    return lower;
}

inline bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

inline bool StartsWithAsciiNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

} // namespace velkin
