#include "runner/seven_zip_status.h"

namespace velkin {
namespace {

// A program's own exit codes stay below this; larger ones are the system's.
constexpr std::uint32_t kFirstSystemCode = 256;

} // namespace

bool SevenZipMeansAsWinRar(std::uint32_t exitCode) {
    switch (exitCode) {
    case 2:
    case 7:
    case 8:
    case 255:
        return true;
    default:
        return exitCode >= kFirstSystemCode;
    }
}

} // namespace velkin
