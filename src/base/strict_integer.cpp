#include "base/strict_integer.h"

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

} // namespace

std::optional<std::int32_t> TryParseStrictInteger(std::wstring_view text) {
    std::size_t at = 0;
    while (at < text.size() && text[at] == L' ') {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
        negative = text[at] == L'-';
        ++at;
    }
    int base = 10;
    const std::wstring_view rest = text.substr(at);
    if (rest.starts_with(L"0x") || rest.starts_with(L"0X")) {
        base = 16;
        at += 2;
    } else if (rest.starts_with(L'$') || rest.starts_with(L'x') || rest.starts_with(L'X')) {
        base = 16;
        at += 1;
    }
    if (at == text.size()) {
        return std::nullopt;
    }
    // Accumulated as a magnitude up to 2^31, which the negative side can still hold.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    for (; at < text.size(); ++at) {
        const int digit = DigitValue(text[at], base);
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (magnitude > kLimit) {
            return std::nullopt;
        }
    }
    if (!negative && magnitude == kLimit) {
        return std::nullopt;
    }
    const auto value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(value);
}

std::int32_t ParseStrictInteger(std::wstring_view text) {
    if (const auto value = TryParseStrictInteger(text)) {
        return *value;
    }
    throw Error(FormatMessageText(text::kNotAnInteger, text));
}

std::wstring DecimalText(std::int32_t value) {
    return std::to_wstring(value);
}

} // namespace velkin
