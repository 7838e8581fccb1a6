#include "base/program_subsystem.h"

#include <cstdint>

#include "base/little_endian.h"

namespace velkin {
namespace {

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::size_t kPeHeaderOffsetAt = 0x3C;
constexpr std::size_t kFileHeaderSize = 20;
// The optional header follows the signature and the file header; its subsystem field sits at
// the same offset in its 32-bit (0x10B) and 64-bit (0x20B) forms.
constexpr std::size_t kOptionalHeaderAt = 4 + kFileHeaderSize;
constexpr std::size_t kSubsystemAt = 68;
constexpr std::uint64_t kPe32Magic = 0x10B;
constexpr std::uint64_t kPe32PlusMagic = 0x20B;
constexpr std::uint64_t kConsoleSubsystem = 3;

} // namespace

ProgramSubsystem SubsystemOfHeader(std::string_view fileStart) {
    if (fileStart.size() < kDosHeaderSize || fileStart.substr(0, 2) != "MZ") {
        return ProgramSubsystem::Window;
    }
    const std::uint64_t pe = LittleEndianAt(fileStart, kPeHeaderOffsetAt, 4);
    const std::uint64_t subsystemAt = pe + kOptionalHeaderAt + kSubsystemAt;
    if (subsystemAt + 2 > fileStart.size() ||
        fileStart.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
        return ProgramSubsystem::Window;
    }
    const std::uint64_t magic = LittleEndianAt(fileStart, pe + kOptionalHeaderAt, 2);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        return ProgramSubsystem::Window;
    }
    return LittleEndianAt(fileStart, subsystemAt, 2) == kConsoleSubsystem
               ? ProgramSubsystem::Console
               : ProgramSubsystem::Window;
}

} // namespace velkin
