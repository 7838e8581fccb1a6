#include "platform/windows_code_page.h"

#include <windows.h>

namespace velkin::win {
namespace {

// No best-fit mapping: a look-alike character would name a different file.
constexpr DWORD kFlags = WC_NO_BEST_FIT_CHARS;

// What the table knows of a unit: asked yet, whether it has a form, its one or two bytes.
constexpr std::uint32_t kKnown = 1u << 31;
constexpr std::uint32_t kNoForm = 1u << 30;
constexpr std::uint32_t kTwoBytes = 1u << 16;

bool AppendBySystem(std::string& bytes, std::wstring_view text) {
    if (text.empty()) {
        return true;
    }
    const auto length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int size = ::WideCharToMultiByte(CP_ACP, kFlags, text.data(), length, nullptr, 0, nullptr,
                                           &usedDefault);
    if (size <= 0 || usedDefault) {
        return false;
    }
    const std::size_t at = bytes.size();
    bytes.resize(at + static_cast<std::size_t>(size));
    ::WideCharToMultiByte(CP_ACP, kFlags, text.data(), length, bytes.data() + at, size, nullptr,
                          &usedDefault);
    return !usedDefault;
}

std::uint32_t AskSystem(wchar_t unit) {
    std::string bytes;
    if (!AppendBySystem(bytes, std::wstring_view(&unit, 1)) || bytes.empty() || bytes.size() > 2) {
        return kKnown | kNoForm;
    }
    std::uint32_t entry = kKnown | static_cast<unsigned char>(bytes[0]);
    if (bytes.size() == 2) {
        entry |=
            kTwoBytes | (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[1])) << 8);
    }
    return entry;
}

} // namespace

WindowsCodePage::WindowsCodePage() {
    CPINFO info{};
    perUnit_ = ::GetCPInfo(CP_ACP, &info) && info.MaxCharSize <= 2;
}

std::optional<std::string> WindowsCodePage::ToAnsi(std::wstring_view text) const {
    std::string bytes;
    if (!AppendAnsi(bytes, text)) {
        return std::nullopt;
    }
    return bytes;
}

bool WindowsCodePage::AppendAnsi(std::string& bytes, std::wstring_view text) const {
    if (!perUnit_) {
        return AppendBySystem(bytes, text);
    }
    // Room for two bytes a unit, given back at the end: no check of the room per byte.
    const std::size_t start = bytes.size();
    bytes.resize(start + 2 * text.size());
    char* out = bytes.data() + start;
    for (const wchar_t unit : text) {
        // Every ANSI code page of one or two bytes holds ASCII as it is.
        if (unit < 0x80) {
            *out++ = static_cast<char>(unit);
            continue;
        }
        const std::uint32_t entry = Unit(unit);
        if ((entry & kNoForm) != 0) {
            bytes.resize(start);
            return false;
        }
        *out++ = static_cast<char>(entry & 0xFF);
        if ((entry & kTwoBytes) != 0) {
            *out++ = static_cast<char>((entry >> 8) & 0xFF);
        }
    }
    bytes.resize(static_cast<std::size_t>(out - bytes.data()));
    return true;
}

std::uint32_t WindowsCodePage::Unit(wchar_t unit) const {
    if (!units_) {
        units_ = std::make_unique<std::uint32_t[]>(0x10000);
    }
    std::uint32_t& entry = units_[static_cast<std::uint16_t>(unit)];
    if (entry == 0) {
        entry = AskSystem(unit);
    }
    return entry;
}

} // namespace velkin::win
