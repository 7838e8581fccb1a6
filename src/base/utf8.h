#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velkin {

// Wide text as UTF-8, for a file or a peer that reads it (the 7-Zip family's list file).

// The most bytes one wide character takes: four, for a character outside the basic plane, which
// is one wchar_t where wchar_t has 32 bits.
inline constexpr std::size_t kMostUtf8BytesPerUnit = 4;

// Writes the text to out, which has room for kMostUtf8BytesPerUnit bytes a character: how many
// bytes it wrote, or nothing when the text holds a lone surrogate, which UTF-8 cannot carry.
std::optional<std::size_t> WriteUtf8(std::wstring_view text, char* out);

// UTF-8 bytes as wide text, for what a peer prints: every byte that does not belong to a
// well-formed character (a stray continuation, a sequence cut short, an overlong form, a
// surrogate, a code point past U+10FFFF) becomes one U+FFFD.
std::wstring DecodeUtf8(std::string_view bytes);

} // namespace velkin
