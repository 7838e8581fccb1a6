#pragma once

#include <windows.h>

#include <memory>

#include "about/url_link_win.h"
#include "platform/unique_handle.h"
#include "platform/window_procedure.h"

namespace velkin::win {

// The banner's bitmap; kept here until the platform layer's handle list has bitmaps.
struct BannerBitmapTraits {
    using Handle = HBITMAP;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { ::DeleteObject(handle); }
};
using UniqueBannerBitmap = UniqueHandle<BannerBitmapTraits>;

// VLKN_ABOUT: the version window. It is made once, hidden, and shown modally over its owner
// as often as the user asks; closing it only hides it.
class AboutWindow {
public:
    AboutWindow(HINSTANCE instance, HWND owner);
    ~AboutWindow();
    AboutWindow(const AboutWindow&) = delete;
    AboutWindow& operator=(const AboutWindow&) = delete;

    HWND handle() const { return window_; }

    // Puts the window's outer top-left corner on the main window's, shows it, and returns when
    // the user has closed it. The owner is disabled meanwhile and active again afterwards.
    void ShowModalAt(HWND mainWindow);

private:
    template <typename Owner> friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
    void AttachWindow(HWND window);
    void DetachWindow();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void FormCreate();
    void FormClose();
    // Sizes, places and makes the fonts of everything for the window's DPI.
    void Layout(UINT dpi);
    void DrawImage(const DRAWITEMSTRUCT& item) const;

    HINSTANCE instance_;
    HWND owner_;
    HWND window_ = nullptr; // destroyed by the destructor, or with its owner
    HWND label1_ = nullptr; // children, destroyed with the window
    HWND label2_ = nullptr;
    HWND image2_ = nullptr;
    std::unique_ptr<UrlLink> lUrl_;
    std::unique_ptr<UrlLink> lEmail_;
    UniqueBannerBitmap banner_;
    UniqueFont font_;
    UniqueFont titleFont_;
    UINT dpi_ = 96;
    bool modal_ = false;
};

} // namespace velkin::win
