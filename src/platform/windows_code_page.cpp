#include "platform/windows_code_page.h"

#include <windows.h>

namespace velkin::win {
namespace {

// What the table knows of a unit: asked yet, whether it has a form, its one or two bytes.
constexpr std::uint32_t kKnown = 1u << 31;
constexpr std::uint32_t kNoForm = 1u << 30;
constexpr std::uint32_t kTwoBytes = 1u << 16;

// out has room for call.mostBytesPerUnit bytes a unit.
std::optional<std::size_t> WriteBySystem(unsigned codePage, const CodePageCall& call,
                                         std::wstring_view text, char* out) {
    if (text.empty()) {
        return 0;
    }
    const auto length = static_cast<int>(text.size());
    const auto room = static_cast<int>(call.mostBytesPerUnit * text.size());
    if (call.check == UnholdableCheck::ReportedBySystem) {
        // No best-fit mapping: a look-alike character would name a different file.
        BOOL usedDefault = FALSE;
        const int size = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), length,
                                               out, room, nullptr, &usedDefault);
        if (size <= 0 || usedDefault) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(size);
    }
    const int size =
        ::WideCharToMultiByte(codePage, 0, text.data(), length, out, room, nullptr, nullptr);
    if (size <= 0) {
        return std::nullopt;
    }
    // Every unit read back comes from at least one byte.
    std::wstring back(static_cast<std::size_t>(size), L'\0');
    const int units = ::MultiByteToWideChar(codePage, 0, out, size, back.data(), size);
    if (units <= 0 || std::wstring_view(back.data(), static_cast<std::size_t>(units)) != text) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(size);
}

// Only for a code page whose system reports a character without a form.
std::uint32_t AskSystem(unsigned codePage, wchar_t unit) {
    constexpr CodePageCall kCall{UnholdableCheck::ReportedBySystem, CodePage::kMostBytesPerUnit};
    char bytes[CodePage::kMostBytesPerUnit] = {};
    const auto size = WriteBySystem(codePage, kCall, std::wstring_view(&unit, 1), bytes);
    if (!size || *size == 0 || *size > 2) {
        return kKnown | kNoForm;
    }
    std::uint32_t entry = kKnown | static_cast<unsigned char>(bytes[0]);
    if (*size == 2) {
        entry |=
            kTwoBytes | (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[1])) << 8);
    }
    return entry;
}

} // namespace

WindowsCodePage::WindowsCodePage() : WindowsCodePage(CP_ACP) {}

WindowsCodePage::WindowsCodePage(unsigned number) : number_(number) {
    // CP_ACP and CP_OEMCP name the code page the system has chosen, which may be UTF-8.
    CPINFOEXW info{};
    const bool known = ::GetCPInfoExW(number, 0, &info) != FALSE;
    call_ = CodePageCallFor(known ? info.CodePage : number);
    perUnit_ = known && info.MaxCharSize <= 2 && call_.check == UnholdableCheck::ReportedBySystem;
}

std::unique_ptr<CodePage> WindowsCodePage::Numbered(std::uint32_t number) const {
    CPINFO info{};
    if (number > 0xFFFF || !::GetCPInfo(number, &info)) {
        return nullptr;
    }
    return std::unique_ptr<CodePage>(new WindowsCodePage(number));
}

std::optional<std::string> WindowsCodePage::ToAnsi(std::wstring_view text) const {
    std::string bytes(MostBytesPerUnit() * text.size(), '\0');
    const auto written = WriteAnsi(text, bytes.data());
    if (!written) {
        return std::nullopt;
    }
    bytes.resize(*written);
    return bytes;
}

std::optional<std::size_t> WindowsCodePage::WriteAnsi(std::wstring_view text, char* out) const {
    if (!perUnit_) {
        return WriteBySystem(number_, call_, text, out);
    }
    char* const start = out;
    for (const wchar_t unit : text) {
        // Every ANSI code page of one or two bytes holds ASCII as it is.
        if (unit < 0x80) {
            *out++ = static_cast<char>(unit);
            continue;
        }
        const std::uint32_t entry = Unit(unit);
        if ((entry & kNoForm) != 0) {
            return std::nullopt;
        }
        *out++ = static_cast<char>(entry & 0xFF);
        if ((entry & kTwoBytes) != 0) {
            *out++ = static_cast<char>((entry >> 8) & 0xFF);
        }
    }
    return static_cast<std::size_t>(out - start);
}

std::uint32_t WindowsCodePage::AskForUnit(wchar_t unit) const {
    if (!units_) {
        units_ = std::make_unique<std::uint32_t[]>(0x10000);
    }
    return units_[static_cast<std::uint16_t>(unit)] = AskSystem(number_, unit);
}

} // namespace velkin::win
