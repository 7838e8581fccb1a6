#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velkin {

// How Windows lets text be converted into a code page (WideCharToMultiByte) such that a character
// without an exact form in it is found.
enum class UnholdableCheck {
    // WC_NO_BEST_FIT_CHARS, and lpUsedDefaultChar reports a character without a form.
    ReportedBySystem,
    // No flags and no lpUsedDefaultChar, which are all the system takes for these code pages:
    // the bytes are converted back and compared with the text, which finds a character without a
    // form and a best fit alike.
    ConvertedBack,
};

struct CodePageCall {
    UnholdableCheck check;
    std::size_t mostBytesPerUnit; // room the bytes of one UTF-16 unit may need, shifts included
};

// The call a code page takes, by its number (CP_ACP and the like resolved first). UTF-8 needs
// three bytes at most for a unit; the others converted back may put escape or shift sequences
// around a single character (nine bytes for one in ISO-2022-JP).
constexpr CodePageCall CodePageCallFor(std::uint32_t codePage) {
    constexpr std::size_t kPlain = 3;
    constexpr std::size_t kWithShifts = 16;
    if (codePage == 65001) {
        return {UnholdableCheck::ConvertedBack, kPlain};
    }
    const bool noFlags = codePage == 65000                            // UTF-7
                         || codePage == 42                            // Symbol
                         || (codePage >= 50220 && codePage <= 50229)  // ISO-2022
                         || codePage == 52936                         // HZ-GB2312
                         || codePage == 54936                         // GB18030
                         || (codePage >= 57002 && codePage <= 57011); // ISCII
    if (noFlags) {
        return {UnholdableCheck::ConvertedBack, kWithShifts};
    }
    return {UnholdableCheck::ReportedBySystem, kPlain};
}

// The system's ANSI code page, for the few places where bytes leave the program: the settings
// file, the list file and what the archiver reads.
class CodePage {
public:
    virtual ~CodePage() = default;

    // The text in ANSI bytes, or nothing when some character has no exact ANSI form (a
    // conversion would silently turn it into "?" or a look-alike).
    virtual std::optional<std::string> ToAnsi(std::wstring_view text) const = 0;

    // The most bytes one UTF-16 unit takes in an ANSI code page (three in UTF-8).
    static constexpr std::size_t kMostBytesPerUnit = 3;
    // The same for this code page, which may be one that shifts in and out of its character
    // sets.
    virtual std::size_t MostBytesPerUnit() const { return kMostBytesPerUnit; }

    // The same written to out, which has room for MostBytesPerUnit() bytes a unit of the text,
    // for texts put together from many pieces: how many bytes it wrote, or nothing when some
    // character has no exact ANSI form.
    virtual std::optional<std::size_t> WriteAnsi(std::wstring_view text, char* out) const {
        const auto ansi = ToAnsi(text);
        if (!ansi) {
            return std::nullopt;
        }
        std::copy(ansi->begin(), ansi->end(), out);
        return ansi->size();
    }

    // Another code page of the system by its number (1 the OEM one), for an archiver told to
    // read its list in it; nothing when the system has no such code page. Its ToAnsi and
    // WriteAnsi give that code page's bytes.
    virtual std::unique_ptr<CodePage> Numbered(std::uint32_t /*number*/) const { return nullptr; }
};

} // namespace velkin
