#include "app/hand_off.h"

#include "base/little_endian.h"
#include "base/utf16.h"

namespace velkin {
namespace {

constexpr std::size_t kHeaderBytes = 8;
constexpr std::uint32_t kEachApartFlag = 1;

bool IsZeroUnit(std::string_view bytes, std::size_t at) {
    return bytes[at] == '\0' && bytes[at + 1] == '\0';
}

} // namespace

std::optional<std::string> EncodeHandOff(const StartRequest& request) {
    if (request.paths.empty()) {
        return std::nullopt;
    }
    std::string bytes;
    AppendLittleEndian(bytes, kHandOffVersion, 4);
    AppendLittleEndian(bytes, request.eachApart ? kEachApartFlag : 0, 4);
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
    const auto flags = static_cast<std::uint32_t>(LittleEndianAt(bytes, 4, 4));
    if (LittleEndianAt(bytes, 0, 4) != kHandOffVersion || (flags & ~kEachApartFlag) != 0) {
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
