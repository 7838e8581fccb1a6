#include "base/ascii_case.h"

namespace velkin {

std::wstring LowerAscii(std::wstring_view text) {
    std::wstring lower(text);
    for (auto& c : lower) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return lower;
}

bool StartsWithAsciiNoCase(std::wstring_view text, std::wstring_view lowerPrefix) {
    return text.size() >= lowerPrefix.size() &&
           LowerAscii(text.substr(0, lowerPrefix.size())) == lowerPrefix;
}

} // namespace velkin
