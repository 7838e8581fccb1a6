#include "app/log_window_win.h"

#include <commctrl.h>

#include <stdexcept>
#include <string>

#include "base/message_texts.h"
#include "platform/dpi.h"
#include "platform/window_class.h"

namespace velkin::win {
namespace {

// The client size at 96 DPI when first shown.
constexpr SIZE kClientSize{560, 320};
constexpr DWORD kStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kEditId = 1;

// Esc closes the window from the edit control, which has the focus; Ctrl+A selects all, which
// not every edit control does by itself.
LRESULT CALLBACK LogEditKeys(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                             DWORD_PTR) {
    switch (message) {
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(edit, LogEditKeys, id);
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            ::PostMessageW(::GetParent(edit), WM_CLOSE, 0, 0);
            return 0;
        }
        if (wParam == 'A' && ::GetKeyState(VK_CONTROL) < 0) {
            ::SendMessageW(edit, EM_SETSEL, 0, -1);
            return 0;
        }
        break;
    case WM_CHAR:
        // The characters of Esc and Ctrl+A, handled above: no beep.
        if (wParam == 0x1B || wParam == 0x01) {
            return 0;
        }
        break;
    default:
        break;
    }
    return ::DefSubclassProc(edit, message, wParam, lParam);
}

} // namespace

LogWindow::LogWindow(HINSTANCE instance, HWND owner) : owner_(owner) {
    const std::wstring className(text::kLogWindowClass);
    const std::wstring caption(text::kLogCaption);
    RegisterWindowClass(instance, {.name = className.c_str(),
                                   .procedure = &OwnedWindow::Procedure,
                                   .cursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)),
                                   .background = ::GetSysColorBrush(COLOR_BTNFACE)});
    window_.Create({.className = className.c_str(),
                    .title = caption.c_str(),
                    .style = kStyle,
                    .x = CW_USEDEFAULT,
                    .y = CW_USEDEFAULT,
                    .width = CW_USEDEFAULT,
                    .height = CW_USEDEFAULT,
                    .parent = owner,
                    .instance = instance});
    edit_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                  ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                              0, 0, 0, 0, handle(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), instance,
                              nullptr);
    if (edit_ == nullptr) {
        throw std::runtime_error("CreateWindowExW failed");
    }
    // A log of a group that printed much must fit whole: 64 KiB of bytes and a little more.
    ::SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
    ::SetWindowSubclass(edit_, LogEditKeys, 0, 0);
}

void LogWindow::Show(const std::wstring& text) {
    ::SetWindowTextW(edit_, text.c_str());
    if (!::IsWindowVisible(handle())) {
        CentreOnOwner(handle(), owner_, kClientSize, kStyle, 0);
        ApplyDpi(DpiForWindow(handle()));
        ::ShowWindow(handle(), SW_SHOW);
    }
    ::SetForegroundWindow(handle());
    ::SetFocus(edit_);
}

void LogWindow::ApplyDpi(UINT dpi) {
    font_ = WindowFont(dpi, true);
    ::SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

LRESULT LogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (edit_ != nullptr) {
            ::MoveWindow(edit_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        }
        return 0;
    case WM_SETFOCUS:
        if (edit_ != nullptr) {
            ::SetFocus(edit_);
        }
        return 0;
    case WM_CLOSE:
        ::ShowWindow(handle(), SW_HIDE);
        return 0;
    case WM_DPICHANGED:
        ApplyDpi(HIWORD(wParam));
        TakeSuggestedRect(handle(), lParam);
        return 0;
    default:
        break;
    }
    return window_.Default(message, wParam, lParam);
}

} // namespace velkin::win
