#pragma once

#include <string>
#include <string_view>

namespace velkin {

// Letter case for switches, types and program names, which are ASCII: the letters A to Z alone
// change, as in every ANSI code page.
std::wstring LowerAscii(std::wstring_view text);
bool StartsWithAsciiNoCase(std::wstring_view text, std::wstring_view lowerPrefix);

} // namespace velkin
