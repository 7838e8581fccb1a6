#pragma once

#include <windows.h>

#include <optional>

#include "app/start_request.h"

namespace velkin::win {

// What this start's command line asks for, relative paths made full against the current
// directory the program was started in.
StartRequest ReadCommandLineRequest();

// Hands the request to a window of a Velkin started from this program's folder, the front one
// first, which then comes to the front itself. Whether one took it; when none did (there is
// none, or each refused or did not answer in time), the caller opens a window of its own with the
// paths, so that none is lost.
bool HandOffToOpenWindow(const StartRequest& request);

// The request a WM_COPYDATA message hands over; nothing when the message is not a hand-off.
std::optional<StartRequest> ReadHandOff(const COPYDATASTRUCT* message);

} // namespace velkin::win
