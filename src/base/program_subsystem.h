#pragma once

#include <cstddef>
#include <string_view>

namespace velkin {

// Whether a program is started with a console of its own (console) or shows windows, if any,
// and needs no console (window), as its file's header tells the system.
enum class ProgramSubsystem { Window, Console };

// How many bytes from the file's start SubsystemOfHeader needs at most: the loader's own header
// offset rarely passes a few hundred bytes, and a header further in is taken as unreadable.
inline constexpr std::size_t kProgramHeaderBytes = 4096;

// The subsystem the PE header in the file's first bytes names: console for the console
// subsystem (3), window for every other. Anything that is not a whole PE header counts as a
// window program, which starts as every archiver always did.
ProgramSubsystem SubsystemOfHeader(std::string_view fileStart);

} // namespace velkin
