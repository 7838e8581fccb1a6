#pragma once

#include <string>
#include <string_view>

namespace velkin {

// A menu turns "&" into an access-key mark; doubling it makes the menu show the text as it is.
std::wstring LiteralMenuText(std::wstring_view text);

} // namespace velkin
