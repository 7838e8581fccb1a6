#include "base/utf16.h"

#include <bit>
#include <cstring>

namespace velkin {
namespace {

void AppendUnit(std::string& bytes, unsigned unit) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
}

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

void AppendUtf16Le(std::string& bytes, std::wstring_view text) {
    if constexpr (sizeof(wchar_t) == 2 && std::endian::native == std::endian::little) {
        // Windows keeps wide text as UTF-16LE already: the units are the bytes.
        const std::size_t at = bytes.size();
        bytes.resize(at + text.size() * 2);
        std::memcpy(bytes.data() + at, text.data(), text.size() * 2);
        return;
    }
    for (const wchar_t c : text) {
        const auto code = static_cast<unsigned long>(c);
        if (code > 0xFFFF) {
            const auto offset = code - 0x10000;
            AppendUnit(bytes, 0xD800 + static_cast<unsigned>(offset >> 10));
            AppendUnit(bytes, 0xDC00 + static_cast<unsigned>(offset & 0x3FF));
        } else {
            AppendUnit(bytes, static_cast<unsigned>(code));
        }
    }
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
