#include "app/come_forward_win.h"

namespace velkin::win {

void ComeForward(HWND window, bool running, TaskbarButton& taskbar) {
    // In front of the archiver's window the disabled main window would hide whatever the
    // archiver asks.
    if (running) {
        taskbar.FlashUntilActivated();
        return;
    }
    if (::IsIconic(window)) {
        ::ShowWindow(window, SW_RESTORE);
    }
    // A question or dialog the window shows is what the user must see first.
    ::SetForegroundWindow(::GetLastActivePopup(window));
}

} // namespace velkin::win
