#pragma once

#include <cstdint>
#include <string>

#include "base/archiver_kind.h"
#include "base/process_end.h"

namespace velkin {

// What the archiver ends with when the user stopped it (its own progress window's cancel, say).
inline constexpr std::uint32_t kUserBreakExitCode = 255;

// The status a group's rows show after its archiver ended with this exit code: "OK" for 0,
// otherwise "失敗 (終了コード N)", with the code's meaning after it when one is known. The
// archiver's own codes are decimal; a status value of the system (0x80000000 and above: the
// program crashed, hit a breakpoint or was ended from outside) is hexadecimal, as the system's
// documents write it. The 7-Zip family's codes mean other things (runner/seven_zip_status).
std::wstring StatusForExitCode(std::uint32_t exitCode,
                               ArchiverKind archiver = ArchiverKind::WinRar);

// The status after a run, however it ended: not started, an exit code, or an end the wait
// could not confirm.
std::wstring StatusAfterRun(const ProcessEnd& end, ArchiverKind archiver = ArchiverKind::WinRar);

} // namespace velkin
