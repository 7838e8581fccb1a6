#include "base/exception_text.h"

namespace velkin {

std::wstring ExceptionDisplayText(std::wstring_view message) {
    std::wstring text(message);
    // A character outside the basic plane ends in a low surrogate on Windows, which is above
    // "." just as the whole character is, so looking at the last code unit is enough.
    if (!text.empty() && static_cast<unsigned long>(text.back()) > L'.') {
        text += L'.';
    }
    return text;
}

} // namespace velkin
