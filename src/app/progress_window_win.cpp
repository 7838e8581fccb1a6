#include "app/progress_window_win.h"

#include <commctrl.h>

#include <stdexcept>
#include <string>

#include "base/message_texts.h"
#include "base/velkin_error.h"
#include "platform/dpi.h"
#include "platform/window_class.h"

namespace velkin::win {
namespace {

// Client size and places at 96 DPI.
constexpr SIZE kClientSize{380, 132};
constexpr RECT kGroupAt{12, 10, 368, 26};
constexpr RECT kArchiveAt{12, 30, 368, 46};
constexpr RECT kFileAt{12, 50, 368, 66};
constexpr RECT kBarAt{12, 72, 368, 90};
constexpr RECT kStopAt{276, 98, 368, 122};
// A caption without a close box: the one way to stop is 中止.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kStopId = IDCANCEL;

HWND CreateChild(HWND parent, const wchar_t* className, DWORD style, int id) {
    const HWND child =
        ::CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    if (child == nullptr) {
        throw std::runtime_error("CreateWindowExW failed");
    }
    return child;
}

// Esc on the button, which has the focus, presses it.
LRESULT CALLBACK StopKeys(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                          DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(button, StopKeys, id);
    } else if (message == WM_KEYDOWN && wParam == VK_ESCAPE) {
        ::SendMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(kStopId, BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
        return 0;
    } else if (message == WM_CHAR && wParam == 0x1B) {
        return 0;
    }
    return ::DefSubclassProc(button, message, wParam, lParam);
}

void Place(HWND child, const RECT& at, UINT dpi) {
    ::MoveWindow(child, ScaleForDpi(at.left, dpi), ScaleForDpi(at.top, dpi),
                 ScaleForDpi(at.right - at.left, dpi), ScaleForDpi(at.bottom - at.top, dpi), TRUE);
}

} // namespace

ProgressWindow::ProgressWindow(HINSTANCE instance, HWND owner) {
    const std::wstring className(text::kProgressWindowClass);
    const std::wstring caption(text::kApplicationTitle);
    RegisterWindowClass(instance, {.name = className.c_str(),
                                   .procedure = &OwnedWindow::Procedure,
                                   .cursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)),
                                   .background = ::GetSysColorBrush(COLOR_BTNFACE)});
    window_.Create({.exStyle = kExStyle,
                    .className = className.c_str(),
                    .title = caption.c_str(),
                    .style = kStyle,
                    .parent = owner,
                    .instance = instance});
    group_ = CreateChild(handle(), L"STATIC", SS_LEFT | SS_NOPREFIX, -1);
    archive_ = CreateChild(handle(), L"STATIC", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, -1);
    file_ = CreateChild(handle(), L"STATIC", SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, -1);
    bar_ = CreateChild(handle(), PROGRESS_CLASSW, 0, -1);
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, 100);
    stop_ = CreateChild(handle(), L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, kStopId);
    const std::wstring stop(text::kStopButton);
    ::SetWindowTextW(stop_, stop.c_str());
    ::SetWindowSubclass(stop_, StopKeys, 0, 0);

    CentreOnOwner(handle(), owner, kClientSize, kStyle, kExStyle);
    Layout(DpiForWindow(handle()));
    ::ShowWindow(handle(), SW_SHOW);
    ::SetFocus(stop_);
}

void ProgressWindow::GroupStarted(std::int32_t group, std::int32_t groups,
                                  const std::wstring& archivePath) {
    stopAsked_ = false;
    ::EnableWindow(stop_, TRUE);
    const std::wstring counts = FormatCounts(text::kProgressGroup, {group, groups});
    ::SetWindowTextW(group_, counts.c_str());
    ::SetWindowTextW(archive_, archivePath.c_str());
    ::SetWindowTextW(file_, L"");
    ::SendMessageW(bar_, PBM_SETPOS, 0, 0);
}

void ProgressWindow::Progressed(const ConsoleProgress& progress, std::wstring_view file) {
    ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(progress.percent), 0);
    if (!file.empty()) {
        const std::wstring name(file);
        ::SetWindowTextW(file_, name.c_str());
    }
}

void ProgressWindow::AskToStop() {
    stopAsked_ = true;
    ::EnableWindow(stop_, FALSE);
}

void ProgressWindow::Layout(UINT dpi) {
    font_ = WindowFont(dpi);
    for (const HWND child : {group_, archive_, file_, stop_}) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
    Place(group_, kGroupAt, dpi);
    Place(archive_, kArchiveAt, dpi);
    Place(file_, kFileAt, dpi);
    Place(bar_, kBarAt, dpi);
    Place(stop_, kStopAt, dpi);
}

LRESULT ProgressWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kStopId && !stopAsked_) {
            AskToStop();
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && stop_ != nullptr) {
            ::SetFocus(stop_);
        }
        return 0;
    case WM_DPICHANGED:
        Layout(HIWORD(wParam));
        TakeSuggestedRect(handle(), lParam);
        return 0;
    default:
        break;
    }
    return window_.Default(message, wParam, lParam);
}

} // namespace velkin::win
