#include "settings/seven_zip_switches.h"

#include <vector>

#include "base/ascii_case.h"

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

} // namespace

SevenZipSwitches ReadSevenZipSwitches(std::wstring_view switches) {
    SevenZipSwitches read;
    for (const std::wstring& word : SplitAsSevenZip(switches)) {
        if (word == L"--") {
            break;
        }
        if (StartsWithAsciiNoCase(word, L"-sfx")) {
            read.selfExtracting = true;
        } else if (StartsWithAsciiNoCase(word, L"-scs")) {
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
