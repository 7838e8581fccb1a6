#pragma once

#include <string_view>

namespace velkin {

// Which archiver's rules a run follows: its list file, the archive types a profile names, what
// its exit codes mean. Every program that is not of the 7-Zip family is taken for WinRAR, as
// every program always was.
enum class ArchiverKind { WinRar, SevenZip };

// Decided by the program's file name alone, in any letter case: 7z.exe, 7za.exe and 7zz.exe
// (consoles), 7zG.exe (a progress window, as WinRAR shows), and NanaZipC.exe and NanaZipG.exe,
// the same programs of the 7-Zip fork. The folder plays no part, so the short (8.3) form the
// first-start prompt stores decides as the long one does.
ArchiverKind ArchiverKindOf(std::wstring_view archiverPath);

} // namespace velkin
