#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "base/velkin_error.h"
#include "platform/message_boxes.h"
#include "platform/owned_window.h"
#include "platform/window_class.h"

namespace velkin::win {
namespace {

// What a thread timer saw from inside a box's own loop. A timer message comes only once no
// other message waits, so by its first tick every message posted before the box was handled.
struct BoxView {
    int ticks = 0;
    HWND box = nullptr;
    bool boxVisible = false;
    bool closedWindowGone = false;
};

// The timer callback has no context argument; the test that starts the timer owns these.
BoxView* seen = nullptr;
HWND closedWindow = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Looks once, then answers the box with OK, as the user would.
void CALLBACK LookAndAnswer(HWND, UINT, UINT_PTR, DWORD) {
    // A tick left in the queue after its test (KillTimer leaves those) finds nothing to do.
    if (seen == nullptr || seen->ticks++ != 0) {
        return;
    }
    ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&seen->box));
    seen->boxVisible = seen->box != nullptr && ::IsWindowVisible(seen->box) != FALSE;
    seen->closedWindowGone = ::IsWindow(closedWindow) == FALSE;
    if (seen->box != nullptr) {
        ::PostMessageW(seen->box, WM_COMMAND, IDOK, 0);
    }
}

class ThreadTimer {
public:
    explicit ThreadTimer(BoxView& view) : id_(::SetTimer(nullptr, 0, 50, LookAndAnswer)) {
        seen = &view;
        REQUIRE(id_ != 0);
    }
    ~ThreadTimer() {
        ::KillTimer(nullptr, id_);
        seen = nullptr;
    }
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

private:
    UINT_PTR id_;
};

} // namespace

TEST_CASE("the exception display stays until answered, whatever waited in the queue") {
    // A window whose close destroys it, like a main window closed from outside.
    closedWindow = ::CreateWindowExW(0, L"STATIC", L"closed", WS_POPUP, 0, 0, 10, 10, nullptr,
                                     nullptr, ::GetModuleHandleW(nullptr), nullptr);
    REQUIRE(closedWindow != nullptr);
    ::PostQuitMessage(7);
    ::PostMessageW(closedWindow, WM_CLOSE, 0, 0);
    BoxView view;
    {
        const ThreadTimer timer(view);
        ShowExceptionDisplay(L"ファイル C:\\x\\Velkin.lst を作成できません");
    }
    CHECK(view.closedWindowGone);
    CHECK(view.boxVisible);
    // The quit that waited is there again for the loops around the box.
    MSG quit{};
    REQUIRE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    CHECK(quit.wParam == 7);
    CHECK_FALSE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_CASE("an error while a window is created fails the creation and is thrown, not shown") {
    constexpr wchar_t kClass[] = L"VelkinTestFailedCreation";
    RegisterWindowClass(::GetModuleHandleW(nullptr),
                        {.name = kClass, .procedure = &OwnedWindow::Procedure});
    OwnedWindow window([&window](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_CREATE) {
            throw Error(L"一覧を作れません");
        }
        return window.Default(message, wParam, lParam);
    });
    BoxView view;
    std::wstring thrown;
    {
        // Answers an exception display, should one show, so that the test goes on.
        const ThreadTimer timer(view);
        try {
            window.Create(
                {.className = kClass, .style = WS_POPUP, .instance = ::GetModuleHandleW(nullptr)});
        } catch (const Error& error) {
            thrown = error.message();
        }
    }
    CHECK(thrown == L"一覧を作れません");
    CHECK(view.box == nullptr);
    CHECK(window.handle() == nullptr);
    CHECK(::FindWindowW(kClass, nullptr) == nullptr);
}

} // namespace velkin::win
