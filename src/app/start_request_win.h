#pragma once

#include <windows.h>

#include <optional>

#include "app/start_request.h"

namespace velkin::win {

// What this start's command line asks for, relative paths made full against the current
// directory the program was started in.
StartRequest ReadCommandLineRequest();

// Hands the request to the front window of a Velkin started from this program's folder and
// brings that window to the front. Whether that window took it; when not (there is none, or it
// refused or did not answer in time), the caller opens a window of its own with the paths, so
// that none is lost.
bool HandOffToOpenWindow(const StartRequest& request);

// The request a WM_COPYDATA message hands over; nothing when the message is not a hand-off.
std::optional<StartRequest> ReadHandOff(const COPYDATASTRUCT* message);

} // namespace velkin::win
