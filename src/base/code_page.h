#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkin {

// The system's ANSI code page, for the few places where bytes leave the program: the settings
// file, the list file and what the archiver reads.
class CodePage {
public:
    virtual ~CodePage() = default;

    // The text in ANSI bytes, or nothing when some character has no exact ANSI form (a
    // conversion would silently turn it into "?" or a look-alike).
    virtual std::optional<std::string> ToAnsi(std::wstring_view text) const = 0;

    // The same appended to bytes, for texts put together from many pieces; false when some
    // character has no exact ANSI form, and then part of the text may have been appended.
    virtual bool AppendAnsi(std::string& bytes, std::wstring_view text) const {
        const auto ansi = ToAnsi(text);
        if (ansi) {
            bytes += *ansi;
        }
        return ansi.has_value();
    }
};

} // namespace velkin
