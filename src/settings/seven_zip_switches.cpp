#include "settings/seven_zip_switches.h"

#include <vector>

#include "base/ascii_case.h"
#include "base/seven_zip_words.h"

namespace velkin {

SevenZipSwitches ReadSevenZipSwitches(std::wstring_view switches) {
    SevenZipSwitches read;
    for (const std::wstring& word : SplitSevenZipWords(switches)) {
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
