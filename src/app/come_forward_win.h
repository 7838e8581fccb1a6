#pragma once

#include <windows.h>

#include "platform/taskbar_button.h"

namespace velkin::win {

// Posted to the main window once it has answered a second start that handed its paths over:
// the window then comes to the front, as the second start let it.
inline constexpr UINT kComeForwardMessage = WM_APP + 2;

// Brings the window to the front, restored, with whatever question or dialog it shows on top;
// while an archiver runs, its taskbar button flashes instead.
void ComeForward(HWND window, bool running, TaskbarButton& taskbar);

} // namespace velkin::win
