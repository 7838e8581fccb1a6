#pragma once

#include <string>
#include <string_view>

namespace velkin::standin {

// wchar_t holds UTF-16 units on Windows and code points elsewhere; both decode the same way.
// A lone surrogate is reported as it stands (isValid false) rather than dropped, so that the
// log can show exactly what came in.
template <class Visit> void ForEachCodePoint(std::wstring_view text, Visit visit) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto unit = static_cast<char32_t>(static_cast<unsigned long>(text[i]));
        if constexpr (sizeof(wchar_t) == 2) {
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size()) {
                const auto next = static_cast<char32_t>(static_cast<unsigned long>(text[i + 1]));
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    visit(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), true);
                    ++i;
                    continue;
                }
            }
        }
        const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
        visit(unit, !surrogate && unit <= 0x10FFFF);
    }
}

// One valid code point, UTF-8 encoded.
void AppendUtf8(std::string& out, char32_t cp);

// UTF-8; a code point that has no UTF-8 form becomes U+FFFD and sets *lossy.
std::string ToUtf8(std::wstring_view text, bool* lossy = nullptr);

// Strict UTF-8 to wide text; nothing when the bytes are not UTF-8.
bool FromUtf8(std::string_view bytes, std::wstring& out);

// Lower case and comparison without case for ASCII letters only: switches, commands and type
// names are ASCII.
std::wstring LowerAscii(std::wstring_view text);
bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithAsciiNoCase(std::wstring_view text, std::wstring_view prefix);

// A whole decimal number, optionally signed, with nothing else around it.
bool ParseDecimal(std::wstring_view text, long long& value);

} // namespace velkin::standin
