#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkin {

// The switches of a profile that Velkin reads for the 7-Zip family: the archive type (-t) and
// the self-extracting program (-sfx), which name the archive, and the list file's character set
// (-scs), which the list file is written in. Everything else is the archiver's business.
//
// Read as the 7-Zip family reads its command line: split at blanks and tabs outside double
// quotes, the quotes taken out ("-tzip" and -t"zip" are -tzip); a word that starts with "-" is a
// switch, until a word "--", after which none is; switch names in any letter case. A word that
// starts with "-t" is the type switch, one that starts with "-scs" the character-set switch and
// one that starts with "-sfx" the self-extracting switch (what follows names its module), since
// no other switch name of the family starts so. The first of each counts; a second -t or -scs
// ends the archiver with a command-line error anyway.
struct SevenZipSwitches {
    std::optional<std::wstring> type;    // what follows -t, as written
    std::optional<std::wstring> charset; // what follows -scs, as written
    bool selfExtracting = false;         // -sfx
};

SevenZipSwitches ReadSevenZipSwitches(std::wstring_view switches);

} // namespace velkin
