#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
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

    // The most bytes one UTF-16 unit takes in any ANSI code page (three in UTF-8).
    static constexpr std::size_t kMostBytesPerUnit = 3;

    // The same written to out, which has room for kMostBytesPerUnit bytes a unit of the text,
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
