#pragma once

#include <string_view>

#include "base/byte_sink.h"
#include "base/code_page.h"
#include "runner/archiver_command.h"

namespace velkin {

// The list file the 7-Zip family reads. It reads UTF-8 unless its -scs switch names another
// character set, and it detects none by itself: UTF-16 or Shift-JIS read as UTF-8 ends it with
// a command-line error. So the file follows the profile's -scs switch: UTF-8 (also -scs65001),
// UTF-16LE or UTF-16BE (-scs1200, -scs1201), both without a byte-order mark, or a code page:
// -scsWIN (-scs0) the ANSI one, -scsDOS (-scs1) the OEM one, -scs<number> that one. A switch the
// family does not take ends it before it reads the list, and the list is then UTF-8.
//
// The family trims every line of blanks and tabs and then takes double quotes around it off, so
// a path that starts or ends with a blank is written in quotes.
//
// Unwritable when some path has no form in that character set (a lone surrogate has none in
// UTF-8, Hangul none in Shift-JIS) or the code page is not the system's: the archiver would read
// another name, one that might even match other files, so no such file is made.
ListFileEncoding WriteSevenZipListFile(const ListFileLines& lines, std::wstring_view switches,
                                       const CodePage& ansi, ByteSink& sink);

} // namespace velkin
