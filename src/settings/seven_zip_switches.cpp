#include "settings/seven_zip_switches.h"

#include <vector>

namespace velkin {
namespace {

std::vector<std::wstring> SplitAsSevenZip(std::wstring_view text) {
    std::vector<std::wstring> words;
    std::wstring word;
    bool quoted = false;
    bool inWord = false;
    for (const wchar_t c : text) {
        if ((c == L' ' || c == L'\t') && !quoted) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        if (c == L'"') {
            quoted = !quoted;
        } else {
            word += c;
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

bool StartsWithAsciiNoCase(std::wstring_view text, std::wstring_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) {
        return false;
    }
    for (std::size_t at = 0; at < lowerPrefix.size(); ++at) {
        wchar_t c = text[at];
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
        if (c != lowerPrefix[at]) {
            return false;
        }
    }
    return true;
}

} // namespace

SevenZipSwitches ReadSevenZipSwitches(std::wstring_view switches) {
    SevenZipSwitches read;
    for (const std::wstring& word : SplitAsSevenZip(switches)) {
        if (word == L"--") {
            break;
        }
        if (StartsWithAsciiNoCase(word, L"-scs")) {
            if (!read.charset) {
                read.charset = word.substr(4);
            }
        } else if (StartsWithAsciiNoCase(word, L"-t")) {
            if (!read.type) {
                read.type = word.substr(2);
            }
        }
    }
    return read;
}

} // namespace velkin
