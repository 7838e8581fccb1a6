// What the two yardsticks of Velkin's start-up do alike: a window class of their own, one
// top-level window shown, and the message loop until it is closed.
#pragma once

#include <windows.h>

namespace bench {

// Ends the message loop when the window goes; everything else as the system does it.
inline LRESULT CALLBACK YardstickProcedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

struct Yardstick {
    const wchar_t* className;
    const wchar_t* title;
    WNDPROC procedure = YardstickProcedure;
    int background = COLOR_WINDOW; // a system colour
    DWORD style = WS_OVERLAPPEDWINDOW;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT;
    int height = CW_USEDEFAULT;
};

// The program's exit code.
inline int RunYardstick(HINSTANCE instance, int showCommand, const Yardstick& yardstick) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = yardstick.procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground =
        reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(yardstick.background + 1));
    windowClass.lpszClassName = yardstick.className;
    if (::RegisterClassExW(&windowClass) == 0) {
        return 1;
    }
    const HWND window = ::CreateWindowExW(0, yardstick.className, yardstick.title, yardstick.style,
                                          yardstick.x, yardstick.y, yardstick.width,
                                          yardstick.height, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    ::ShowWindow(window, showCommand);
    ::UpdateWindow(window);
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace bench
