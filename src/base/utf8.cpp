#include "base/utf8.h"

#include <cstdint>
#include <cstring>

namespace velkin {
namespace {

// A character as a code point: where wchar_t has 16 bits a surrogate pair is joined, and a lone
// surrogate stays what it is. Moves at past what it took.
char32_t CodePointAt(std::wstring_view text, std::size_t& at) {
    const auto unit = static_cast<char32_t>(text[at++]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (unit >= 0xD800 && unit <= 0xDBFF && at < text.size()) {
            const auto next = static_cast<char32_t>(text[at]);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                ++at;
                return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
            }
        }
    }
    return unit;
}

// Copies the ASCII characters the text starts with, eight bytes of it at a time while it can,
// and tells how many: most of a list's names are ASCII, and a character at a time costs a branch
// each.
std::size_t CopyAscii(std::wstring_view text, char* out) {
    constexpr std::size_t kUnits = sizeof(std::uint64_t) / sizeof(wchar_t);
    std::size_t at = 0;
    for (; at + kUnits <= text.size(); at += kUnits) {
        std::uint64_t word = 0;
        std::memcpy(&word, text.data() + at, sizeof(word));
        if constexpr (kUnits == 4) {
            if ((word & 0xFF80FF80FF80FF80u) != 0) {
                break;
            }
            const auto packed =
                static_cast<std::uint32_t>((word & 0xFF) | ((word >> 8) & 0xFF00) |
                                           ((word >> 16) & 0xFF0000) | ((word >> 24) & 0xFF000000));
            std::memcpy(out + at, &packed, sizeof(packed));
        } else {
            if ((word & 0xFFFFFF80FFFFFF80u) != 0) {
                break;
            }
            const auto packed = static_cast<std::uint16_t>((word & 0xFF) | ((word >> 24) & 0xFF00));
            std::memcpy(out + at, &packed, sizeof(packed));
        }
    }
    for (; at < text.size() && static_cast<std::uint32_t>(text[at]) < 0x80; ++at) {
        out[at] = static_cast<char>(text[at]);
    }
    return at;
}

} // namespace

std::optional<std::size_t> WriteUtf8(std::wstring_view text, char* out) {
    char* const start = out;
    for (std::size_t at = 0; at < text.size();) {
        if (static_cast<std::uint32_t>(text[at]) < 0x80) {
            const std::size_t ascii = CopyAscii(text.substr(at), out);
            at += ascii;
            out += ascii;
            continue;
        }
        const char32_t code = CodePointAt(text, at);
        if (code < 0x800) {
            *out++ = static_cast<char>(0xC0 | (code >> 6));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            if (code >= 0xD800 && code <= 0xDFFF) {
                return std::nullopt;
            }
            *out++ = static_cast<char>(0xE0 | (code >> 12));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x110000) {
            *out++ = static_cast<char>(0xF0 | (code >> 18));
            *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out++ = static_cast<char>(0x80 | (code & 0x3F));
        } else {
            return std::nullopt;
        }
    }
    return static_cast<std::size_t>(out - start);
}

std::wstring DecodeUtf8(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    const auto append = [&text](char32_t c) {
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0x10000) {
                text += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
                text += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
                return;
            }
        }
        text += static_cast<wchar_t>(c);
    };
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        std::size_t length = 0;
        char32_t c = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            append(lead);
            ++at;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, least = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, least = 0x10000;
        }
        std::size_t taken = 1;
        while (length != 0 && taken < length && at + taken < bytes.size() &&
               (static_cast<unsigned char>(bytes[at + taken]) & 0xC0) == 0x80) {
            c = (c << 6) | (static_cast<unsigned char>(bytes[at + taken]) & 0x3F);
            ++taken;
        }
        if (length == 0 || taken != length || c < least || c > 0x10FFFF ||
            (c >= 0xD800 && c <= 0xDFFF)) {
            append(0xFFFD);
            ++at;
            continue;
        }
        append(c);
        at += length;
    }
    return text;
}

} // namespace velkin
