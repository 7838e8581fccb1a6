#pragma once

#include <string>
#include <string_view>

namespace velkin {

// UTF-16LE bytes, the form in which wide text leaves the program for a file or another process.
// wchar_t is UTF-16 on Windows and UTF-32 elsewhere; the bytes are the same on both.
void AppendUtf16Le(std::string& bytes, std::wstring_view text);

// The wide text of UTF-16LE bytes (an even count of them). Elsewhere than on Windows each
// surrogate pair becomes one character; a lone surrogate, which a file name may hold, stays
// what it is, so that AppendUtf16Le gives the same bytes back.
std::wstring WideFromUtf16Le(std::string_view bytes);

} // namespace velkin
