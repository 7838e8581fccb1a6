#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace velkin {

// Wide text as UTF-8, for a file or a peer that reads it (the 7-Zip family's list file).

// The most bytes one wide character takes: four, for a character outside the basic plane, which
// is one wchar_t where wchar_t has 32 bits.
inline constexpr std::size_t kMostUtf8BytesPerUnit = 4;

// Writes the text to out, which has room for kMostUtf8BytesPerUnit bytes a character: how many
// bytes it wrote, or nothing when the text holds a lone surrogate, which UTF-8 cannot carry.
std::optional<std::size_t> WriteUtf8(std::wstring_view text, char* out);

} // namespace velkin
