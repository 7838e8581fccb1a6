#include "app/hand_off.h"

#include "base/utf16.h"

namespace velkin {
namespace {

constexpr std::size_t kHeaderBytes = 8;
constexpr std::uint32_t kEachApartFlag = 1;

void AppendUint32(std::string& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes += static_cast<char>((value >> shift) & 0xFF);
    }
}

std::uint32_t Uint32At(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

bool IsZeroUnit(std::string_view bytes, std::size_t at) {
    return bytes[at] == '\0' && bytes[at + 1] == '\0';
}

} // namespace

std::optional<std::string> EncodeHandOff(const StartRequest& request) {
    if (request.paths.empty()) {
        return std::nullopt;
    }
    std::string bytes;
    AppendUint32(bytes, kHandOffVersion);
    AppendUint32(bytes, request.eachApart ? kEachApartFlag : 0);
    for (const auto& path : request.paths) {
        if (path.empty() || path.find(L'\0') != std::wstring::npos) {
            return std::nullopt;
        }
        AppendUtf16Le(bytes, path);
        bytes.append(2, '\0');
        if (bytes.size() + 2 > kMaxHandOffBytes) {
            return std::nullopt;
        }
    }
    bytes.append(2, '\0');
    return bytes;
}

std::optional<StartRequest> DecodeHandOff(std::string_view bytes) {
    if (bytes.size() > kMaxHandOffBytes || bytes.size() < kHeaderBytes || bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    const std::uint32_t flags = Uint32At(bytes, 4);
    if (Uint32At(bytes, 0) != kHandOffVersion || (flags & ~kEachApartFlag) != 0) {
        return std::nullopt;
    }
    StartRequest request;
    request.eachApart = (flags & kEachApartFlag) != 0;
    std::size_t at = kHeaderBytes;
    while (at < bytes.size()) {
        const std::size_t start = at;
        while (at < bytes.size() && !IsZeroUnit(bytes, at)) {
            at += 2;
        }
        if (at == bytes.size()) {
            return std::nullopt; // a path without its terminator
        }
        if (at == start) {
            // The end of the list: it must hold a path, and nothing may follow it.
            if (request.paths.empty() || at + 2 != bytes.size()) {
                return std::nullopt;
            }
            return request;
        }
        request.paths.push_back(WideFromUtf16Le(bytes.substr(start, at - start)));
        at += 2;
    }
    return std::nullopt; // no end of the list
}

} // namespace velkin
