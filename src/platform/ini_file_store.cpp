#include "platform/ini_file_store.h"

#include <windows.h>

#include <algorithm>

namespace velkin::win {
namespace {

// One more than the 2048 of earlier versions. Wine drops the character before the closing quote
// too when a quoted value ends exactly at the end of the buffer, so a quoted value of 2047
// characters would come back as 2046. One character to spare keeps that case whole; the cut to
// 2047 is then made here, which gives the same text on every length.
constexpr std::size_t kBufferLength = kMaxIniValueLength + 2;

std::wstring ReadWithDefault(const std::wstring& section, const std::wstring& key,
                             const wchar_t* fallback, const std::wstring& path) {
    std::wstring buffer(kBufferLength, L'\0');
    const DWORD length =
        ::GetPrivateProfileStringW(section.c_str(), key.c_str(), fallback, buffer.data(),
                                   static_cast<DWORD>(buffer.size()), path.c_str());
    buffer.resize(std::min<std::size_t>(length, kMaxIniValueLength));
    return buffer;
}

} // namespace

std::optional<std::wstring> IniFileStore::Read(std::wstring_view section,
                                               std::wstring_view key) const {
    // The system gives the default for a missing key, and no way to tell it from a value equal
    // to it. A present key reads the same with any default, so two reads with different
    // defaults tell them apart. The defaults are control characters without blanks or quotes,
    // which the system would otherwise trim or strip from them.
    const std::wstring sectionText(section);
    const std::wstring keyText(key);
    std::wstring first = ReadWithDefault(sectionText, keyText, L"\x01", path_);
    if (first != L"\x01") {
        return first;
    }
    if (ReadWithDefault(sectionText, keyText, L"\x02", path_) != L"\x02") {
        return first;
    }
    return std::nullopt;
}

bool IniFileStore::Write(std::wstring_view section, std::wstring_view key,
                         std::wstring_view value) {
    const std::wstring sectionText(section);
    const std::wstring keyText(key);
    const std::wstring valueText(value);
    return ::WritePrivateProfileStringW(sectionText.c_str(), keyText.c_str(), valueText.c_str(),
                                        path_.c_str()) != FALSE;
}

bool IniFileStore::Remove(std::wstring_view section, std::wstring_view key) {
    const std::wstring sectionText(section);
    const std::wstring keyText(key);
    return ::WritePrivateProfileStringW(sectionText.c_str(), keyText.c_str(), nullptr,
                                        path_.c_str()) != FALSE;
}

} // namespace velkin::win
