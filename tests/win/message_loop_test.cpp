#include <doctest/doctest.h>

#include <windows.h>

#include <chrono>

#include "platform/message_loop.h"

namespace velkin::win {
namespace {

int handled = 0;

// Each message takes a while, as a flood from another program would add up.
LRESULT CALLBACK CountSlowly(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        ++handled;
        ::Sleep(2);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TEST_CASE("a flood of messages holds a bounded pump only for about its time") {
    handled = 0;
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          nullptr, nullptr);
    REQUIRE(window != nullptr);
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountSlowly));
    constexpr int kPosted = 200; // 400 ms of work at the least
    for (int i = 0; i < kPosted; ++i) {
        REQUIRE(::PostMessageW(window, WM_APP, 0, 0));
    }
    ProcessPendingMessagesFor(std::chrono::milliseconds(15));
    CHECK(handled >= 1);
    CHECK(handled < kPosted);
    ProcessPendingMessages();
    CHECK(handled == kPosted);
    ::DestroyWindow(window);
}

} // namespace velkin::win
