#include "base/velkin_error.h"

namespace velkin {

std::wstring FormatMessageText(std::wstring_view pattern, std::wstring_view argument) {
    std::wstring text(pattern);
    if (const auto at = text.find(L"%s"); at != std::wstring::npos) {
        text.replace(at, 2, argument);
    }
    return text;
}

std::wstring FormatCounts(std::wstring_view pattern, std::initializer_list<long long> counts) {
    std::wstring text(pattern);
    std::size_t at = 0;
    for (const long long count : counts) {
        at = text.find(L"%d", at);
        if (at == std::wstring::npos) {
            break;
        }
        const std::wstring digits = std::to_wstring(count);
        text.replace(at, 2, digits);
        at += digits.size();
    }
    return text;
}

} // namespace velkin
