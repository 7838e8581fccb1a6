#pragma once

#include <cstdint>
#include <string>

namespace velkin {

// The status a group's rows show after its archiver ended with this exit code: "OK" for 0,
// otherwise "失敗 (終了コード N)", with the code's meaning after the number when the archiver
// documents one.
std::wstring StatusForExitCode(std::uint32_t exitCode);

} // namespace velkin
