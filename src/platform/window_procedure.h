#pragma once

#include <windows.h>

#include "platform/message_boxes.h"

namespace velkin::win {

// The object a window belongs to: it arrives as the last argument of CreateWindowExW and is
// kept in the window's GWLP_USERDATA from WM_NCCREATE on.
template <typename Owner> Owner* WindowOwner(HWND window, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* owner = static_cast<Owner*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    return reinterpret_cast<Owner*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The window procedure of a class whose objects each own one window: Owner::AttachWindow at
// WM_NCCREATE, Owner::HandleMessage for every message, Owner::DetachWindow at WM_NCDESTROY.
// An error must not unwind through the system's frames: one that escapes a handler is shown by
// the exception display, and the program goes on with the next message.
template <typename Owner>
LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Owner* owner = WindowOwner<Owner>(window, message, lParam);
    if (owner == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCCREATE) {
        owner->AttachWindow(window);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        owner->DetachWindow();
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return owner->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ShowCurrentException();
        return 0;
    }
}

} // namespace velkin::win
