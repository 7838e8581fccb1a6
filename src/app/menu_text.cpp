#include "app/menu_text.h"

namespace velkin {

std::wstring LiteralMenuText(std::wstring_view text) {
    std::wstring shown;
    shown.reserve(text.size() + 4);
    for (const wchar_t c : text) {
        shown += c;
        if (c == L'&') {
            shown += L'&';
        }
    }
    return shown;
}

} // namespace velkin
