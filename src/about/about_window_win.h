#pragma once

#include <windows.h>

#include <memory>

#include "about/url_link_win.h"
#include "platform/owned_window.h"
#include "platform/unique_handle.h"

namespace velkin::win {

// The About window, with the program's version. It is made once, hidden, and shown modally over
// its owner as often as the user asks; closing it only hides it.
class AboutWindow {
public:
    AboutWindow(HINSTANCE instance, HWND owner);
    ~AboutWindow();
    AboutWindow(const AboutWindow&) = delete;
    AboutWindow& operator=(const AboutWindow&) = delete;

    HWND handle() const { return window_.handle(); }

    // Puts the window's outer top-left corner on the main window's, shows it, and returns when
    // the user has closed it. The owner is disabled meanwhile and active again afterwards.
    void ShowModalAt(HWND mainWindow);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateMembers();
    // The close box and the system menu's close only hide the window.
    void HideOnClose();
    // Sizes, places and makes the fonts of everything for the window's DPI.
    void Layout(UINT dpi);
    void DrawImage(const DRAWITEMSTRUCT& item) const;

    HINSTANCE instance_;
    HWND owner_;
    HWND label1_ = nullptr; // children, destroyed with the window
    HWND label2_ = nullptr;
    HWND image2_ = nullptr;
    std::unique_ptr<UrlLink> lUrl_;
    std::unique_ptr<UrlLink> lEmail_;
    UniqueBitmap banner_;
    UniqueFont font_;
    UniqueFont titleFont_;
    UINT dpi_ = 96;
    bool modal_ = false;
    // Declared last: it goes first, while everything its messages reach still stands. Its owner
    // destroys it too.
    OwnedWindow window_{[this](UINT message, WPARAM wParam, LPARAM lParam) {
        return HandleMessage(message, wParam, lParam);
    }};
};

} // namespace velkin::win
