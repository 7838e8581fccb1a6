#include "platform/windows_code_page.h"

#include <windows.h>

namespace velkin::win {

std::optional<std::string> WindowsCodePage::ToAnsi(std::wstring_view text) const {
    if (text.empty()) {
        return std::string();
    }
    const auto length = static_cast<int>(text.size());
    // No best-fit mapping: a look-alike character would name a different file.
    constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int size = ::WideCharToMultiByte(CP_ACP, kFlags, text.data(), length, nullptr, 0, nullptr,
                                           &usedDefault);
    if (size <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, kFlags, text.data(), length, bytes.data(), size, nullptr,
                          &usedDefault);
    if (usedDefault) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace velkin::win
