#pragma once

#include <cstdint>

namespace velkin {

// How a program that was asked to run ended, as far as the program that started it can tell.
struct ProcessEnd {
    enum class Kind {
        NotStarted,  // the system refused to start it
        Exited,      // it ended with exitCode
        Unconfirmed, // it was started, but the wait for its end failed
    };
    Kind kind = Kind::NotStarted;
    std::uint32_t exitCode = 0; // only for Exited
};

} // namespace velkin
