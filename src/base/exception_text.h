#pragma once

#include <string>
#include <string_view>

namespace velkin {

// The text of the exception display: the message, with "." appended when its last character
// sorts after "." (any non-ASCII character does, as its ANSI lead byte is above 0x80).
std::wstring ExceptionDisplayText(std::wstring_view message);

} // namespace velkin
