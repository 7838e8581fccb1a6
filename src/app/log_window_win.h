#pragma once

#include <windows.h>

#include <string>

#include "platform/owned_window.h"
#include "platform/unique_handle.h"

namespace velkin::win {

// The log of a group's run: a resizable window owned by the main window, its text in a
// read-only edit control where Ctrl+A selects all and Ctrl+C copies. Made when first asked for;
// Esc and the close box hide it, and the next showing fills it anew.
class LogWindow {
public:
    LogWindow(HINSTANCE instance, HWND owner);
    LogWindow(const LogWindow&) = delete;
    LogWindow& operator=(const LogWindow&) = delete;

    HWND handle() const { return window_.handle(); }

    // Shows the text, the window centred on its owner at the owner's DPI when it was hidden.
    void Show(const std::wstring& text);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ApplyDpi(UINT dpi);

    HWND owner_;
    HWND edit_ = nullptr; // a child, destroyed with the window
    UniqueFont font_;
    // Declared last: it goes first, while everything its messages reach still stands.
    OwnedWindow window_{[this](UINT message, WPARAM wParam, LPARAM lParam) {
        return HandleMessage(message, wParam, lParam);
    }};
};

} // namespace velkin::win
