#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velkin {

// The words of a switch text as the 7-Zip family reads them: blanks and tabs part words outside
// quotes, and a quote only toggles quoting and is dropped. Header-only, so that the stand-in
// archiver reads switches with the same rule without linking Velkin's core.
inline std::vector<std::wstring> SplitSevenZipWords(std::wstring_view text) {
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

} // namespace velkin
