#pragma once

#include <cstdint>
#include <memory>

#include "base/code_page.h"

namespace velkin::win {

// The system's ANSI code page (CP_ACP), as the settings file and the archiver see it; or, from
// Numbered, another code page of the system.
class WindowsCodePage final : public CodePage {
public:
    WindowsCodePage();

    std::optional<std::string> ToAnsi(std::wstring_view text) const override;
    std::optional<std::size_t> WriteAnsi(std::wstring_view text, char* out) const override;
    std::unique_ptr<CodePage> Numbered(std::uint32_t number) const override;
    std::size_t MostBytesPerUnit() const override { return call_.mostBytesPerUnit; }

private:
    explicit WindowsCodePage(unsigned number);

    // What the table holds for a unit outside ASCII, asking the system the first time.
    std::uint32_t Unit(wchar_t unit) const {
        if (units_) {
            if (const std::uint32_t entry = units_[static_cast<std::uint16_t>(unit)]; entry != 0) {
                return entry;
            }
        }
        return AskForUnit(unit);
    }
    std::uint32_t AskForUnit(wchar_t unit) const;

    // In a code page of one or two bytes a character that shifts nothing (every ANSI code page
    // but UTF-8), each UTF-16 unit has its bytes on its own, so the system is asked once per unit
    // ever met and the answer kept: a list file of a million paths is converted in a table's
    // time.
    unsigned number_; // CP_ACP, or the code page asked for
    CodePageCall call_;
    bool perUnit_;
    mutable std::unique_ptr<std::uint32_t[]> units_;
};

} // namespace velkin::win
