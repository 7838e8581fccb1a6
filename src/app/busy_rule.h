#pragma once

#include <array>

#include "app/command_ids.h"

namespace velkin {

// While a drop comes in or a run goes on, the commands that change which rows exist wait: a
// deletion, a clearing or a second run would work on rows that are still changing under it.
// Every other command stays at hand. The command dispatch refuses these, the menu greys them,
// and the Delete key, being the delete command, goes through the dispatch.
inline constexpr std::array kCommandsRefusedWhileBusy{kCmdDeleteNum, kCmdClear, kCmdStart};

constexpr bool CommandAllowed(unsigned id, bool busy) {
    if (!busy) {
        return true;
    }
    for (const unsigned refused : kCommandsRefusedWhileBusy) {
        if (id == refused) {
            return false;
        }
    }
    return true;
}

} // namespace velkin
