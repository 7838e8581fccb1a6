#pragma once

#include <cstdint>
#include <string_view>

namespace velkin {

// The 7-Zip family's exit codes: 0 no error, 1 a warning, 2 a fatal error, 7 a command-line
// error, 8 not enough memory, 255 stopped by the user. The family uses none of WinRAR's other
// codes, whose meanings (a CRC error for 3 and so on) would tell a wrong story.

// Exit code 1 is a warning, not success: the archive was made, but without the files the
// archiver could not read (a file gone or locked since the drop), and the status says so.
inline constexpr std::uint32_t kSevenZipWarning = 1;
inline constexpr std::wstring_view kSevenZipWarningStatus =
    L"警告 (終了コード 1: 一部のファイルが書庫に入っていません)";

// Whether an exit code other than 0 and 1 means for the family what it means for WinRAR: 2, 7,
// 8 and 255 do, and so does every status value of the system (a program that crashed or was
// ended from outside), which belongs to no archiver.
bool SevenZipMeansAsWinRar(std::uint32_t exitCode);

} // namespace velkin
