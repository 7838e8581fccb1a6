#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <utility>

namespace velkin::win {

// How CreateWindowExW is asked for a window; what is left out is zero.
struct WindowCreation {
    DWORD exStyle = 0;
    const wchar_t* className = nullptr;
    const wchar_t* title = L"";
    DWORD style = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    HWND parent = nullptr;
    HMENU menu = nullptr; // a top-level window's menu, or a child window's control id
    HINSTANCE instance = nullptr;
};

// The window of a C++ object. The object hands over its message handler, which sees every
// message from WM_NCCREATE on; what it leaves alone it passes to Default. An error that escapes
// the handler must not unwind through the system's frames: the exception display shows it, and
// the program goes on with the next message. An error that escapes WM_NCCREATE or WM_CREATE
// fails the creation instead, and Create throws it: a window half made is no window. The window
// is destroyed with this object, unless it went first (with its parent, or by DestroyWindow).
//
// The owning object declares it as its last member, so that it is destroyed first, while
// everything the window's last messages reach still stands. That is why it is a member and not
// a base class: a base goes only after the members of the class built on it, and the window's
// last messages would reach an object already taken apart.
class OwnedWindow {
public:
    using Handler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;

    explicit OwnedWindow(Handler handler) : handler_(std::move(handler)) {}
    ~OwnedWindow();
    OwnedWindow(const OwnedWindow&) = delete;
    OwnedWindow& operator=(const OwnedWindow&) = delete;

    // The window procedure of every class whose windows are made by Create.
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // Makes the window; throws when the system refuses, or the handler's error that failed it.
    void Create(const WindowCreation& creation);

    // Null before Create and once the window is gone.
    HWND handle() const { return window_; }

    // What the system does with a message.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const {
        return ::DefWindowProcW(window_, message, wParam, lParam);
    }

private:
    Handler handler_;
    HWND window_ = nullptr;
    std::exception_ptr creationError_;
};

} // namespace velkin::win
