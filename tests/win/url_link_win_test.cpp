#include <doctest/doctest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "about/url_link_win.h"
#include "platform/dpi.h"

namespace velkin::win {
namespace {

// One ShellExecute call as the link made it; absent texts stay absent.
struct ShellCall {
    HWND owner;
    std::wstring verb;
    std::wstring file;
    std::optional<std::wstring> parameters;
    std::optional<std::wstring> directory;
    int showCommand;
};

std::optional<std::wstring> Text(const wchar_t* text) {
    return text == nullptr ? std::nullopt : std::optional<std::wstring>(text);
}

class FakePlatform final : public UrlLinkPlatform {
public:
    std::vector<ShellCall> calls;
    POINT cursor{300, 200};

    void OpenWithShell(HWND owner, const wchar_t* verb, const wchar_t* file,
                       const wchar_t* parameters, const wchar_t* directory,
                       int showCommand) override {
        calls.push_back({owner, verb, file, Text(parameters), Text(directory), showCommand});
    }
    POINT CursorPos() override { return cursor; }
};

// A hidden top-level window to hold the link.
class Parent {
public:
    Parent() {
        window_.reset(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 100, nullptr,
                                        nullptr, ::GetModuleHandleW(nullptr), nullptr));
        REQUIRE(window_);
    }
    HWND get() const { return window_.get(); }

private:
    UniqueWindow window_;
};

SIZE ClientSize(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

TEST_CASE("a left press opens the link through the shell exactly once per press") {
    Parent parent;
    FakePlatform platform;
    UrlLink link(parent.get(), 7, platform);
    link.link().SetURLtype(TURLtype::tpMAIL);
    link.link().SetLink(L"velkin@example.org");

    ::SendMessageW(link.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    REQUIRE(platform.calls.size() == 1);
    const ShellCall& call = platform.calls[0];
    CHECK(call.owner == nullptr);
    CHECK(call.verb == L"OPEN");
    CHECK(call.file == L"mailto:velkin@example.org");
    CHECK(call.parameters == std::optional<std::wstring>(L""));
    CHECK(call.directory == std::optional<std::wstring>(L""));
    CHECK(call.showCommand == SW_SHOW);

    // A double click's second press arrives as a double-click message and opens again.
    CHECK((::GetClassLongPtrW(link.handle(), GCL_STYLE) & CS_DBLCLKS) != 0);
    ::SendMessageW(link.handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(1, 1));
    CHECK(platform.calls.size() == 2);

    ::SendMessageW(link.handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 1));
    ::SendMessageW(link.handle(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 1));
    ::SendMessageW(link.handle(), WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    CHECK(platform.calls.size() == 2);
}

TEST_CASE("the pointer colours the link and shows the hint beside it") {
    Parent parent;
    FakePlatform platform;
    UrlLink link(parent.get(), 7, platform);
    link.link().SetLink(L"https://velkin.example.org/");
    link.SetCaption(L"caption text");
    CHECK(link.link().Font().color == RGB(0, 0, 255));
    CHECK(link.link().HintFormColor() == ::GetSysColor(COLOR_INFOBK));

    ::SendMessageW(link.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    CHECK(link.link().Font().color == RGB(255, 0, 0));
    const HWND hint = link.hintHandle();
    REQUIRE(hint != nullptr);
    CHECK(::IsWindowVisible(hint));
    CHECK((::GetWindowLongW(hint, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    RECT bounds{};
    ::GetWindowRect(hint, &bounds);
    CHECK(bounds.left == 315);
    CHECK(bounds.top == 215);

    // The Link's extent in the hint font, measured here on its own, plus the margins; the
    // window has no border, so its client area is all of it.
    const UniqueFont font = CreateFontFrom(link.link().HintFormFont(), DpiForWindow(parent.get()));
    const HDC screen = ::GetDC(nullptr);
    const HGDIOBJ old = ::SelectObject(screen, font.get());
    SIZE extent{};
    const std::wstring text = L"https://velkin.example.org/";
    ::GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &extent);
    ::SelectObject(screen, old);
    ::ReleaseDC(nullptr, screen);
    const SIZE client = ClientSize(hint);
    CHECK(client.cx == extent.cx + 6);
    CHECK(client.cy == extent.cy + 3);
    CHECK(bounds.right - bounds.left == client.cx);

    // Moving on leaves it where it is.
    platform.cursor = POINT{10, 10};
    ::SendMessageW(link.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 2));
    ::GetWindowRect(hint, &bounds);
    CHECK(bounds.left == 315);

    ::SendMessageW(link.handle(), WM_MOUSELEAVE, 0, 0);
    CHECK(link.link().Font().color == RGB(0, 0, 255));
    CHECK_FALSE(::IsWindowVisible(hint));
}

TEST_CASE("the link shows the hand pointer and sizes itself to its caption") {
    Parent parent;
    FakePlatform platform;
    UrlLink link(parent.get(), 7, platform);
    const LRESULT handled =
        ::SendMessageW(link.handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.handle()),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    CHECK(handled == TRUE);
    CHECK(::GetCursor() == ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));

    link.SetCaption(L"https://velkin.example.org/");
    const SIZE small = ClientSize(link.handle());
    CHECK(small.cx > 0);
    CHECK(small.cy > 0);
    link.SetCaption(L"https://velkin.example.org/ and a good deal more");
    CHECK(ClientSize(link.handle()).cx > small.cx);
}

} // namespace
} // namespace velkin::win
