#include "base/velkin_error.h"

namespace velkin {

std::wstring FormatMessageText(std::wstring_view pattern, std::wstring_view argument) {
    std::wstring text(pattern);
    if (const auto at = text.find(L"%s"); at != std::wstring::npos) {
        text.replace(at, 2, argument);
    }
    return text;
}

} // namespace velkin
