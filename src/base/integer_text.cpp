#include "base/integer_text.h"

#include <array>

#include "base/message_texts.h"
#include "base/velkin_error.h"

namespace velkin {
namespace {

int DigitValue(wchar_t c, int base) {
    int value = -1;
    if (c >= L'0' && c <= L'9') {
        value = c - L'0';
    } else if (c >= L'a' && c <= L'f') {
        value = c - L'a' + 10;
    } else if (c >= L'A' && c <= L'F') {
        value = c - L'A' + 10;
    }
    return value < base ? value : -1;
}

// The digits of both rules: at least one, nothing else. The magnitude may reach 2^31, so that
// the negative end of the range still fits once the sign is applied.
std::optional<std::uint32_t> ParseMagnitude(std::wstring_view digits, int base) {
    if (digits.empty()) {
        return std::nullopt;
    }
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    for (const wchar_t c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > kLimit) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(magnitude);
}

std::optional<std::int32_t> WithSign(std::optional<std::uint32_t> magnitude, bool negative) {
    constexpr std::uint32_t kMax = 0x7FFFFFFF;
    if (!magnitude || (!negative && *magnitude > kMax)) {
        return std::nullopt;
    }
    const auto value = static_cast<std::int64_t>(*magnitude);
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace

std::optional<std::int32_t> TryParseStrictInteger(std::wstring_view text) {
    while (text.starts_with(L' ')) {
        text.remove_prefix(1);
    }
    const bool negative = text.starts_with(L'-');
    if (negative || text.starts_with(L'+')) {
        text.remove_prefix(1);
    }
    if (text.starts_with(L"0x") || text.starts_with(L"0X")) {
        return WithSign(ParseMagnitude(text.substr(2), 16), negative);
    }
    if (text.starts_with(L'$') || text.starts_with(L'x') || text.starts_with(L'X')) {
        return WithSign(ParseMagnitude(text.substr(1), 16), negative);
    }
    return WithSign(ParseMagnitude(text, 10), negative);
}

std::int32_t ParseStrictInteger(std::wstring_view text) {
    if (const auto value = TryParseStrictInteger(text)) {
        return *value;
    }
    throw Error(FormatMessageText(text::kNotAnInteger, text));
}

std::optional<std::int32_t> ParseIniInteger(std::wstring_view value) {
    // No sign before a hexadecimal number here, unlike the strict rule.
    if (value.size() > 2 && (value.starts_with(L"0x") || value.starts_with(L"0X"))) {
        return WithSign(ParseMagnitude(value.substr(2), 16), false);
    }
    if (value.starts_with(L'$')) {
        return WithSign(ParseMagnitude(value.substr(1), 16), false);
    }
    const bool negative = value.starts_with(L'-');
    if (negative || value.starts_with(L'+')) {
        value.remove_prefix(1);
    }
    return WithSign(ParseMagnitude(value, 10), negative);
}

std::wstring DecimalText(std::int32_t value) {
    // Written here: the C library's formatted printing behind std::to_wstring costs more than
    // the rest of a row when every item of a drop is a group with a number of its own.
    std::array<wchar_t, 11> digits{};
    auto at = digits.end();
    std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    do {
        *--at = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        *--at = L'-';
    }
    return std::wstring(at, digits.end());
}

} // namespace velkin
