#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velkin {

// UTF-16 bytes, the form in which wide text leaves the program for a file or another process.
// wchar_t is UTF-16 on Windows and UTF-32 elsewhere; the bytes are the same on both.

// The most bytes one wide character takes: two, or four for a character outside the basic plane
// where wchar_t has 32 bits.
inline constexpr std::size_t kMostUtf16BytesPerUnit = sizeof(wchar_t) == 2 ? 2 : 4;

// Writes the text in either byte order to out, which has room for kMostUtf16BytesPerUnit bytes a
// character; how many bytes it wrote. Every unit has a form, a lone surrogate too.
std::size_t WriteUtf16(std::wstring_view text, bool bigEndian, char* out);

// The same in little-endian order at the end of the bytes.
void AppendUtf16Le(std::string& bytes, std::wstring_view text);

// The wide text of UTF-16LE bytes (an even count of them). Elsewhere than on Windows each
// surrogate pair becomes one character; a lone surrogate, which a file name may hold, stays
// what it is, so that AppendUtf16Le gives the same bytes back.
std::wstring WideFromUtf16Le(std::string_view bytes);

} // namespace velkin
