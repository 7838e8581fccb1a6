#pragma once

// Helpers shared by the fuzz targets: a check that stops the run with a readable line, text
// made from fuzz bytes, a second reading of 32-bit numbers, a miniature Shift-JIS whose every
// character has a wide twin of its own, so that byte-string results can be compared with
// wide-text results, and the archiver's inputs made from fuzz bytes.

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/code_page.h"
#include "runner/archiver_command.h"

// libFuzzer keeps the input of any abort as a crash artifact; the line says which property broke.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__,          \
                         __LINE__);                                                                \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace velkin::fuzz {

// Characters that the product treats specially somewhere, or that look like ones it does:
// full-width digits and separators, a character whose low byte is "\" or "0", one outside the
// Basic Multilingual Plane, an ideographic blank.
inline constexpr std::array<wchar_t, 16> kUnusualCharacters = {
    L'\u00E9', L'\u3042', L'\u8868', L'\u30BD', L'\uFF3C', L'\uFF1A', L'\uFF10',
    L'\uFF19', L'\u0660', L'\u015C', L'\u0130', L'\u3000', L'\u00A0', static_cast<wchar_t>(0x1F600),
    L'\u205C', L'\uFF0E',
};

// One byte gives one character: ASCII as it is, anything above from the unusual ones.
inline wchar_t WideFromByte(unsigned char byte) {
    return byte < 0x80 ? static_cast<wchar_t>(byte)
                       : kUnusualCharacters[byte % kUnusualCharacters.size()];
}

inline std::wstring WideFromBytes(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        text += WideFromByte(static_cast<unsigned char>(c));
    }
    return text;
}

// Text drawn from a small alphabet, so that the fuzzer meets the interesting characters often.
inline std::wstring TextFrom(FuzzedDataProvider& data, std::wstring_view alphabet,
                             std::size_t maxLength) {
    const std::string picks = data.ConsumeRandomLengthString(maxLength);
    std::wstring text;
    text.reserve(picks.size());
    for (const char c : picks) {
        text += alphabet[static_cast<unsigned char>(c) % alphabet.size()];
    }
    return text;
}

// Plain ASCII, for comparing with std::from_chars and other narrow-text tools.
inline std::optional<std::string> AsciiOf(std::wstring_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (const wchar_t c : text) {
        if (static_cast<unsigned long>(c) > 0x7F) {
            return std::nullopt;
        }
        narrow += static_cast<char>(c);
    }
    return narrow;
}

// The digits of a number, what follows its sign or prefix, read in the base: the value when they
// are all digits and it fits 32 bits. std::from_chars does the arithmetic; it takes a '-' of its
// own, which no rule allows after the sign, so the digits are checked for one first.
inline std::optional<std::int32_t> ReferenceInt32(std::wstring_view digits, int base,
                                                  bool negative) {
    const auto ascii = AsciiOf(digits);
    if (!ascii || ascii->empty() || (*ascii)[0] == '-' || (*ascii)[0] == '+') {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    const char* const end = ascii->data() + ascii->size();
    const auto [stop, error] = std::from_chars(ascii->data(), end, magnitude, base);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

// The miniature Shift-JIS: single bytes 00-7F as ASCII and A1-DF as half-width katakana;
// double bytes with a lead of 81-9F or E0-FC and a trail of 40-7E or 80-FC, each pair its own
// character from U+4E00 on. Written from the code page's layout, not from the product's test.
namespace sjis {

inline bool IsLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}
inline bool IsTrail(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}
inline bool IsKana(unsigned char byte) {
    return byte >= 0xA1 && byte <= 0xDF;
}

inline constexpr unsigned kTrailCount = 63 + 125;
inline constexpr unsigned kDoubleBase = 0x4E00;
inline constexpr unsigned kDoubleCount = 60 * kTrailCount;
inline constexpr unsigned kKanaBase = 0xFF61;

inline unsigned LeadIndex(unsigned char lead) {
    return lead <= 0x9F ? lead - 0x81u : lead - 0xE0u + 31u;
}
inline unsigned TrailIndex(unsigned char trail) {
    return trail <= 0x7E ? trail - 0x40u : trail - 0x80u + 63u;
}
inline unsigned char LeadAt(unsigned index) {
    return static_cast<unsigned char>(index < 31 ? 0x81 + index : 0xE0 + index - 31);
}
inline unsigned char TrailAt(unsigned index) {
    return static_cast<unsigned char>(index < 63 ? 0x40 + index : 0x80 + index - 63);
}

// Each character's bytes, front to back; nothing when the bytes are not valid.
inline std::optional<std::vector<std::string_view>> Split(std::string_view bytes) {
    std::vector<std::string_view> characters;
    for (std::size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte < 0x80 || IsKana(byte)) {
            characters.push_back(bytes.substr(at, 1));
            at += 1;
        } else if (IsLead(byte) && at + 1 < bytes.size() &&
                   IsTrail(static_cast<unsigned char>(bytes[at + 1]))) {
            characters.push_back(bytes.substr(at, 2));
            at += 2;
        } else {
            return std::nullopt;
        }
    }
    return characters;
}

inline wchar_t WideOf(std::string_view character) {
    const auto first = static_cast<unsigned char>(character[0]);
    if (character.size() == 2) {
        const auto second = static_cast<unsigned char>(character[1]);
        return static_cast<wchar_t>(kDoubleBase + LeadIndex(first) * kTrailCount +
                                    TrailIndex(second));
    }
    return static_cast<wchar_t>(first < 0x80 ? first : kKanaBase + (first - 0xA1u));
}

inline std::optional<std::wstring> Decode(std::string_view bytes) {
    const auto characters = Split(bytes);
    if (!characters) {
        return std::nullopt;
    }
    std::wstring text;
    for (const auto character : *characters) {
        text += WideOf(character);
    }
    return text;
}

inline std::optional<std::string> Encode(std::wstring_view text) {
    std::string bytes;
    for (const wchar_t c : text) {
        const auto code = static_cast<unsigned long>(c);
        if (code < 0x80) {
            bytes += static_cast<char>(code);
        } else if (code >= kKanaBase && code < kKanaBase + (0xDF - 0xA1 + 1)) {
            bytes += static_cast<char>(0xA1 + (code - kKanaBase));
        } else if (code >= kDoubleBase && code < kDoubleBase + kDoubleCount) {
            const auto index = static_cast<unsigned>(code - kDoubleBase);
            bytes += static_cast<char>(LeadAt(index / kTrailCount));
            bytes += static_cast<char>(TrailAt(index % kTrailCount));
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

// One valid character chosen by the fuzzer, weighted towards the ones that trip path rules:
// separators, dots, and double-byte characters whose second byte is "\", a lead-byte value or
// ASCII.
inline std::string Character(FuzzedDataProvider& data) {
    const auto kind = data.ConsumeIntegralInRange<int>(0, 9);
    const auto pick = data.ConsumeIntegral<std::uint8_t>();
    const auto lead = LeadAt(pick % 60);
    switch (kind) {
    case 0:
        return "\\";
    case 1:
        return ":";
    case 2:
        return ".";
    case 3:
        return std::string(1, static_cast<char>('a' + pick % 26));
    case 4:
        return std::string(1, static_cast<char>(0xA1 + pick % (0xDF - 0xA1 + 1)));
    case 5:
        return {static_cast<char>(lead), '\\'};
    case 6:
        return {static_cast<char>(lead), static_cast<char>(LeadAt((pick / 60u + pick) % 60))};
    case 7:
        return {static_cast<char>(lead), static_cast<char>(TrailAt(pick % kTrailCount))};
    case 8:
        return {static_cast<char>(lead), static_cast<char>(TrailAt(pick % 63))};
    default:
        return std::string(1, static_cast<char>(0x20 + pick % 0x5F));
    }
}

inline std::string Text(FuzzedDataProvider& data, std::size_t maxCharacters) {
    const auto count = data.ConsumeIntegralInRange<std::size_t>(0, maxCharacters);
    std::string bytes;
    for (std::size_t i = 0; i < count && data.remaining_bytes() > 0; ++i) {
        bytes += Character(data);
    }
    return bytes;
}

} // namespace sjis

// The miniature Shift-JIS as the system code page: anything it has no character for fails.
class MiniShiftJis final : public CodePage {
public:
    std::optional<std::string> ToAnsi(std::wstring_view text) const override {
        return sjis::Encode(text);
    }
};

// What a run hands the archiver: paths from the alphabet, switches full of quotes, blanks and
// at signs.
inline ArchiverInvocation InvocationFrom(FuzzedDataProvider& data, std::wstring_view pathAlphabet) {
    ArchiverInvocation invocation;
    invocation.archiverPath = TextFrom(data, pathAlphabet, 16);
    invocation.switches = TextFrom(data, L"-\" aA@\t\u3042", 24);
    invocation.archivePath = TextFrom(data, pathAlphabet, 16);
    invocation.listFilePath = TextFrom(data, pathAlphabet, 16);
    return invocation;
}

// Up to eight paths for a list file, mostly of the alphabet's first inCodePage characters (the
// ones the code page has), so that both of the file's encodings come up.
inline std::vector<std::wstring> ListPathsFrom(FuzzedDataProvider& data, std::wstring_view alphabet,
                                               std::size_t inCodePage) {
    std::vector<std::wstring> paths(data.ConsumeIntegralInRange<std::size_t>(0, 8));
    for (auto& path : paths) {
        path = TextFrom(
            data,
            data.ConsumeIntegralInRange(0, 3) == 0 ? alphabet : alphabet.substr(0, inCodePage), 24);
    }
    return paths;
}

// The paths as a list file's lines, each a file name without a folder.
inline std::vector<ListFileLine> ListLinesOf(const std::vector<std::wstring>& paths) {
    std::vector<ListFileLine> lines;
    for (const auto& path : paths) {
        lines.push_back({{}, path});
    }
    return lines;
}

} // namespace velkin::fuzz
