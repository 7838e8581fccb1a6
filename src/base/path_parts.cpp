#include "base/path_parts.h"

#include <type_traits>

namespace velkin {
namespace {

bool NeverLeadByte(unsigned char) {
    return false;
}

template <typename Char>
bool IsSecondByte(std::basic_string_view<Char> text, std::size_t at, LeadByteTest isLeadByte) {
    if constexpr (sizeof(Char) != 1) {
        return false;
    } else {
        std::size_t leadBytes = 0;
        while (at > leadBytes && isLeadByte(static_cast<unsigned char>(text[at - leadBytes - 1]))) {
            ++leadBytes;
        }
        return leadBytes % 2 == 1;
    }
}

// Position of the last character that is one of the given ASCII characters, or npos.
template <typename Char>
std::size_t FindLast(std::basic_string_view<Char> text, std::string_view wanted,
                     LeadByteTest isLeadByte) {
    for (std::size_t at = text.size(); at-- > 0;) {
        const auto code =
            static_cast<unsigned long>(static_cast<std::make_unsigned_t<Char>>(text[at]));
        if (code < 0x80 && wanted.find(static_cast<char>(code)) != std::string_view::npos &&
            !IsSecondByte(text, at, isLeadByte)) {
            return at;
        }
    }
    return std::basic_string_view<Char>::npos;
}

template <typename Char>
std::basic_string<Char> FolderPartOf(std::basic_string_view<Char> path, LeadByteTest isLeadByte) {
    const auto at = FindLast(path, "\\:", isLeadByte);
    return at == path.npos ? std::basic_string<Char>()
                           : std::basic_string<Char>(path.substr(0, at + 1));
}

template <typename Char>
std::basic_string<Char> FileNamePartOf(std::basic_string_view<Char> path, LeadByteTest isLeadByte) {
    const auto at = FindLast(path, "\\:", isLeadByte);
    return std::basic_string<Char>(at == path.npos ? path : path.substr(at + 1));
}

template <typename Char>
std::basic_string<Char> ChangeExtensionOf(std::basic_string_view<Char> name,
                                          std::basic_string_view<Char> extension,
                                          LeadByteTest isLeadByte) {
    const auto at = FindLast(name, ".\\:", isLeadByte);
    std::basic_string<Char> changed(at != name.npos && name[at] == '.' ? name.substr(0, at) : name);
    changed += extension;
    return changed;
}

} // namespace

std::wstring FolderPart(std::wstring_view path) {
    return FolderPartOf(path, NeverLeadByte);
}

std::string FolderPart(std::string_view path, LeadByteTest isLeadByte) {
    return FolderPartOf(path, isLeadByte);
}

std::wstring FileNamePart(std::wstring_view path) {
    return FileNamePartOf(path, NeverLeadByte);
}

std::size_t FileNamePartLength(std::wstring_view path) {
    // Wide text has no second bytes: the last separator is simply the last "\\" or ":". Every
    // row of a drop asks, so this is one tight loop.
    std::size_t length = 0;
    for (auto at = path.rbegin(); at != path.rend() && *at != L'\\' && *at != L':'; ++at) {
        ++length;
    }
    return length;
}

std::string FileNamePart(std::string_view path, LeadByteTest isLeadByte) {
    return FileNamePartOf(path, isLeadByte);
}

std::wstring ChangeExtension(std::wstring_view name, std::wstring_view extension) {
    return ChangeExtensionOf(name, extension, NeverLeadByte);
}

std::string ChangeExtension(std::string_view name, std::string_view extension,
                            LeadByteTest isLeadByte) {
    return ChangeExtensionOf(name, extension, isLeadByte);
}

bool IsShiftJisLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

} // namespace velkin
