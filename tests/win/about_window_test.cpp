#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "about/about_window_win.h"
#include "platform/dpi.h"

namespace velkin::win {
namespace {

// What the About window looked like while ShowModalAt ran, seen from a timer inside its loop.
struct ModalView {
    bool visible = false;
    RECT bounds{};
    bool ownerEnabled = true;
};

// The timer callback has no context argument; the test that starts the timer owns this.
ModalView* observed = nullptr;

void CALLBACK ObserveAndClose(HWND about, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(about, id);
    observed->visible = ::IsWindowVisible(about) != FALSE;
    ::GetWindowRect(about, &observed->bounds);
    observed->ownerEnabled = ::IsWindowEnabled(::GetWindow(about, GW_OWNER)) != FALSE;
    // The close box, as the user would press it.
    ::PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
}

std::wstring WindowText(HWND window) {
    wchar_t text[128] = {};
    ::GetWindowTextW(window, text, 128);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

RECT ChildBounds(HWND parent, int id) {
    const HWND child = ::GetDlgItem(parent, id);
    REQUIRE(child != nullptr);
    RECT bounds{};
    ::GetWindowRect(child, &bounds);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

class Owner {
public:
    Owner() {
        window_.reset(::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 40, 30, 400,
                                        300, nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                        nullptr));
        REQUIRE(window_);
    }
    HWND get() const { return window_.get(); }

private:
    UniqueWindow window_;
};

TEST_CASE("the About window is made hidden, owned, fixed and laid out at the window's DPI") {
    Owner owner;
    AboutWindow about(::GetModuleHandleW(nullptr), owner.get());
    const HWND window = about.handle();
    CHECK_FALSE(::IsWindowVisible(window));
    CHECK(::GetWindow(window, GW_OWNER) == owner.get());
    CHECK(ClassName(window) == L"TVLKN_ABOUT");
    CHECK(WindowText(window) == L"バージョン情報");
    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    CHECK((style & WS_SYSMENU) != 0);
    CHECK((style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0);

    const UINT dpi = DpiForWindow(window);
    RECT client{};
    ::GetClientRect(window, &client);
    CHECK(client.right == ScaleForDpi(217, dpi));
    CHECK(client.bottom == ScaleForDpi(134, dpi));

    CHECK(WindowText(::GetDlgItem(window, 1)) == L"Velkin 070509");
    CHECK(WindowText(::GetDlgItem(window, 2)) == L"Velkin project");
    CHECK(ClassName(::GetDlgItem(window, 3)) == L"TURLLink");
    CHECK(WindowText(::GetDlgItem(window, 3)) == L"https://velkin.example.org/");
    CHECK(WindowText(::GetDlgItem(window, 4)) == L"velkin@example.org");
    const int expected[][2] = {{8, 8}, {8, 32}, {8, 48}, {8, 64}, {8, 88}};
    for (int id = 1; id <= 5; ++id) {
        const RECT bounds = ChildBounds(window, id);
        CAPTURE(id);
        CHECK(bounds.left == ScaleForDpi(expected[id - 1][0], dpi));
        CHECK(bounds.top == ScaleForDpi(expected[id - 1][1], dpi));
        CHECK(bounds.right > bounds.left);
    }
    const RECT image = ChildBounds(window, 5);
    CHECK(image.right - image.left == ScaleForDpi(201, dpi));
    CHECK(image.bottom - image.top == ScaleForDpi(41, dpi));
}

TEST_CASE("ShowModalAt shows the window on the owner's corner until it is closed, then again") {
    Owner owner;
    AboutWindow about(::GetModuleHandleW(nullptr), owner.get());
    ModalView view;
    observed = &view;

    for (const POINT corner : {POINT{40, 30}, POINT{120, 90}}) {
        CAPTURE(corner.x);
        ::SetWindowPos(owner.get(), nullptr, corner.x, corner.y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        view = ModalView{};
        ::SetTimer(about.handle(), 1, 100, ObserveAndClose);
        about.ShowModalAt(owner.get());
        CHECK(view.visible);
        CHECK(view.bounds.left == corner.x);
        CHECK(view.bounds.top == corner.y);
        CHECK_FALSE(view.ownerEnabled);
        // Closed means hidden, not destroyed.
        REQUIRE(::IsWindow(about.handle()));
        CHECK_FALSE(::IsWindowVisible(about.handle()));
        CHECK(::IsWindowEnabled(owner.get()));
    }
    observed = nullptr;
}

} // namespace
} // namespace velkin::win
