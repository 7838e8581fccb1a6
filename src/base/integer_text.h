#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velkin {

// The program's one text-to-integer rule: leading blanks, an optional sign, then either a
// hexadecimal prefix ("$", "x", "X", "0x", "0X") with hexadecimal digits or decimal digits, and
// nothing after them. The value, sign applied, must fit a signed 32-bit integer.
std::optional<std::int32_t> TryParseStrictInteger(std::wstring_view text);

// As above; throws velkin::Error "'%s' は整数ではありません" naming the text when it fails.
std::int32_t ParseStrictInteger(std::wstring_view text);

// The lenient number rule of the settings file, on a value as read: "0x"/"0X" followed by at
// least one character is hexadecimal, "$" is hexadecimal, anything else decimal with an optional
// sign. The whole value must be taken and fit a signed 32-bit integer.
std::optional<std::int32_t> ParseIniInteger(std::wstring_view value);

// Plain decimal digits with a leading "-" when negative.
std::wstring DecimalText(std::int32_t value);

} // namespace velkin
