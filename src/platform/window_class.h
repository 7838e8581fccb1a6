#pragma once

#include <windows.h>

namespace velkin::win {

// What the program's window classes differ in.
struct WindowClass {
    const wchar_t* name = nullptr;
    WNDPROC procedure = nullptr;
    UINT style = 0;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    // The icon resource of the title bar and the task bar, large and small; 0 for none.
    WORD icon = 0;
};

// Registers the class for this module the first time it is asked for and does nothing after.
// Throws when the system refuses.
void RegisterWindowClass(HINSTANCE instance, const WindowClass& windowClass);

} // namespace velkin::win
