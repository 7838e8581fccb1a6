// The strict integer rule against a reference reader written apart from it, and the decimal form
// of every 32-bit value read back through it.

#include <charconv>
#include <cstring>

#include "base/integer_text.h"
#include "base/velkin_error.h"
#include "fuzz_support.h"

namespace {

using velkin::fuzz::AsciiOf;

// Leading blanks, an optional sign, a hexadecimal prefix or none, digits to the end, a value
// that fits 32 bits.
std::optional<std::int32_t> ReferenceParse(std::wstring_view text) {
    std::size_t at = text.find_first_not_of(L' ');
    if (at == std::wstring_view::npos) {
        return std::nullopt;
    }
    bool negative = false;
    if (text[at] == L'+' || text[at] == L'-') {
        negative = text[at] == L'-';
        ++at;
    }
    std::wstring_view rest = text.substr(at);
    int base = 10;
    for (const std::wstring_view prefix : {L"0x", L"0X", L"$", L"x", L"X"}) {
        if (rest.starts_with(prefix)) {
            base = 16;
            rest.remove_prefix(prefix.size());
            break;
        }
    }
    return velkin::fuzz::ReferenceInt32(rest, base, negative);
}

std::wstring HexDigits(std::uint32_t magnitude, bool upper) {
    const wchar_t* const digits = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring text;
    do {
        text.insert(text.begin(), digits[magnitude % 16]);
        magnitude /= 16;
    } while (magnitude != 0);
    return text;
}

void CheckValue(std::int32_t value, unsigned variant) {
    const std::wstring decimal = velkin::DecimalText(value);

    // The canonical decimal form: a '-' only for negatives, no '+', no leading zeros.
    const auto narrow = AsciiOf(decimal);
    FUZZ_CHECK(narrow && !narrow->empty());
    FUZZ_CHECK(((*narrow)[0] == '-') == (value < 0));
    const std::string_view digits = value < 0 ? std::string_view(*narrow).substr(1) : *narrow;
    FUZZ_CHECK(!digits.empty() && digits.find_first_not_of("0123456789") == digits.npos);
    FUZZ_CHECK(digits[0] != '0' || digits.size() == 1);
    std::int32_t back = 0;
    const auto [stop, error] =
        std::from_chars(narrow->data(), narrow->data() + narrow->size(), back);
    FUZZ_CHECK(error == std::errc() && stop == narrow->data() + narrow->size() && back == value);

    FUZZ_CHECK(velkin::TryParseStrictInteger(decimal) == value);
    FUZZ_CHECK(velkin::ParseStrictInteger(decimal) == value);

    // The same value in the other spellings the rule allows.
    const std::wstring blanks(variant % 3, L' ');
    const std::wstring_view prefixes[] = {L"0x", L"0X", L"$", L"x", L"X"};
    const std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    const std::wstring sign = value < 0 ? L"-" : (variant & 4) != 0 ? L"+" : L"";
    const std::wstring hex = blanks + sign + std::wstring(prefixes[(variant >> 3) % 5]) +
                             std::wstring((variant >> 6) % 4, L'0') +
                             HexDigits(magnitude, (variant & 32) != 0);
    FUZZ_CHECK(velkin::TryParseStrictInteger(hex) == value);
    FUZZ_CHECK(velkin::TryParseStrictInteger(blanks + decimal) == value);

    // Nothing may follow the digits.
    FUZZ_CHECK(!velkin::TryParseStrictInteger(decimal + L" "));
    FUZZ_CHECK(!velkin::TryParseStrictInteger(hex + L"g"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text =
        velkin::fuzz::WideFromBytes({reinterpret_cast<const char*>(data), size});

    const auto parsed = velkin::TryParseStrictInteger(text);
    FUZZ_CHECK(parsed == ReferenceParse(text));
    try {
        const std::int32_t value = velkin::ParseStrictInteger(text);
        FUZZ_CHECK(parsed && value == *parsed);
    } catch (const velkin::Error& error) {
        FUZZ_CHECK(!parsed);
        FUZZ_CHECK(error.message().find(text) != std::wstring::npos);
    }
    if (parsed) {
        CheckValue(*parsed, size);
    }

    // Every 32-bit value, not only the ones that fuzz text happens to spell.
    std::uint32_t bits = 0;
    if (size != 0) {
        std::memcpy(&bits, data, size < sizeof bits ? size : sizeof bits);
    }
    CheckValue(static_cast<std::int32_t>(bits), bits >> 3);
    return 0;
}
