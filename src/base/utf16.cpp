#include "base/utf16.h"

#include <bit>
#include <cstring>

namespace velkin {
namespace {

unsigned UnitAt(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) |
           (static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8);
}

bool IsHighSurrogate(unsigned unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(unsigned unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

std::size_t WriteUtf16(std::wstring_view text, bool bigEndian, char* out) {
    if constexpr (sizeof(wchar_t) == 2 && std::endian::native == std::endian::little) {
        // Windows keeps wide text as UTF-16LE already: the units are the bytes.
        if (!bigEndian) {
            if (!text.empty()) {
                std::memcpy(out, text.data(), text.size() * 2);
            }
            return text.size() * 2;
        }
    }
    char* const start = out;
    const auto unit = [&](unsigned long u) {
        const auto low = static_cast<char>(u & 0xFF);
        const auto high = static_cast<char>((u >> 8) & 0xFF);
        *out++ = bigEndian ? high : low;
        *out++ = bigEndian ? low : high;
    };
    for (const wchar_t c : text) {
        const auto code = static_cast<unsigned long>(c);
        if (code > 0xFFFF) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    return static_cast<std::size_t>(out - start);
}

void AppendUtf16Le(std::string& bytes, std::wstring_view text) {
    const std::size_t at = bytes.size();
    bytes.resize(at + kMostUtf16BytesPerUnit * text.size());
    bytes.resize(at + WriteUtf16(text, false, bytes.data() + at));
}

std::wstring WideFromUtf16Le(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size() / 2);
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const unsigned unit = UnitAt(bytes, at);
        if constexpr (sizeof(wchar_t) == 4) {
            if (IsHighSurrogate(unit) && at + 3 < bytes.size()) {
                const unsigned next = UnitAt(bytes, at + 2);
                if (IsLowSurrogate(next)) {
                    text +=
                        static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                    at += 2;
                    continue;
                }
            }
        }
        text += static_cast<wchar_t>(unit);
    }
    return text;
}

} // namespace velkin
