#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velkin::standin {

// Turns one line's bytes in the ANSI code page into text; nothing when the bytes are not valid
// in it. The platform supplies it.
using AnsiDecoder = std::function<std::optional<std::wstring>(std::string_view)>;

// Ansi and Utf16Le are WinRAR's; the 7-Zip family reads the others as well (core/seven_zip.h).
enum class ListEncoding { Ansi, Utf16Le, Utf8, Utf16Be, CodePage };

struct DecodedList {
    ListEncoding encoding = ListEncoding::Ansi;
    std::vector<std::wstring> entries;  // in list order, duplicates kept
    std::vector<std::wstring> problems; // the list cannot be taken as it is: the run fails
    std::vector<std::wstring> notes;    // tolerated
};

// UTF-16LE when the file starts with FF FE, else ANSI. Lines end with CR LF; a bare LF and a
// missing last line end are tolerated, empty lines skipped. Each line is read as WinRAR reads
// it: blanks and tabs at its end trimmed (noted), then one pair of enclosing quotes taken off.
DecodedList DecodeListFile(std::string_view bytes, const AnsiDecoder& decodeAnsi);

const wchar_t* ListEncodingName(ListEncoding encoding);

} // namespace velkin::standin
