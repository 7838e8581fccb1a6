#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

namespace velkin {

// The one error type of the program: it carries the exact text the user is shown, so
// whoever catches it needs no knowledge of where it came from.
class Error : public std::exception {
public:
    explicit Error(std::wstring message) : message_(std::move(message)) {}

    const std::wstring& message() const noexcept { return message_; }
    const char* what() const noexcept override { return "velkin::Error"; }

private:
    std::wstring message_;
};

// Replaces the first "%s" of a fixed message text with the argument.
std::wstring FormatMessageText(std::wstring_view pattern, std::wstring_view argument);

// Replaces the "%d"s of a fixed message text with the counts, in order, in plain decimal.
std::wstring FormatCounts(std::wstring_view pattern, std::initializer_list<long long> counts);

} // namespace velkin
