#pragma once

#include <string_view>

#include "joblist/archive_naming.h"

namespace velkin {

// The archive type a profile's switches give the 7-Zip family: the one its -t switch names (what
// comes before a ":"), in any letter case, with that type's usual extension; the 7z type when
// there is no -t switch, which is what the family makes of an archive named .7z. A type the
// family writes one file into (gzip, bzip2, xz, and NanaZip's zstd, brotli, lizard, lz4, lz5)
// names a drop of that one file as the family's own window does, the file's whole name with the
// type's extension after it (report.txt.gz); any other drop would not fit into it and is named
// as a 7z archive, which the archiver then refuses to make under that type. A type not known
// here takes its own name, lower-cased, as its extension when that name is made of ASCII letters
// and digits, else the 7z extension. With -sfx the archive is a program: .exe, whatever the type.
ArchiveType SevenZipArchiveType(std::wstring_view profileText);

} // namespace velkin
