// Commands about windows as wholes: finding them, waiting for them, closing, moving and
// looking inside them.
#include <windows.h>

#include "driver/commands.h"
#include "driver/window_queries.h"

namespace velkin::driver {

void CommandWindow(const Arguments& args) {
    const auto filter = WindowFilter::From(args);
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    PrintLine(WindowJson(WaitForWindow(filter, timeoutMs, FilterText(filter))));
}

void CommandWindows(const Arguments& args) {
    const auto filter = WindowFilter::From(args);
    args.RejectUnused();
    for (const HWND window : TopLevelWindows(filter)) {
        PrintLine(WindowJson(window));
    }
}

void CommandWaitNone(const Arguments& args) {
    const auto filter = WindowFilter::From(args);
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    const Deadline deadline(timeoutMs);
    while (!TopLevelWindows(filter).empty()) {
        if (deadline.Passed()) {
            Fail("a window " + FilterText(filter) + " is still there after " +
                     std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
        ::Sleep(kPollMs);
    }
    PrintLine("{\"gone\":true}");
}

void CommandWaitGone(const Arguments& args) {
    const auto value = args.Require(L"hwnd");
    const HWND window = reinterpret_cast<HWND>(
        static_cast<std::uintptr_t>(std::wcstoull(value.c_str(), nullptr, 0)));
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    const Deadline deadline(timeoutMs);
    while (::IsWindow(window) && ::IsWindowVisible(window)) {
        if (deadline.Passed()) {
            Fail("window " + HandleText(window) + " is still there after " +
                     std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
        ::Sleep(kPollMs);
    }
    PrintLine("{\"hwnd\":\"" + HandleText(window) + "\",\"gone\":true}");
}

void CommandClose(const Arguments& args) {
    const HWND window = args.Window();
    args.RejectUnused();
    // What the caption's close box sends; there is no caption to click without a window manager.
    if (!::PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0)) {
        FailWithLastError("PostMessageW(WM_SYSCOMMAND)");
    }
    PrintLine("{\"closed\":\"" + HandleText(window) + "\"}");
}

void CommandPostClose(const Arguments& args) {
    const HWND window = args.Window();
    const auto afterRows = args.Get(L"after-rows");
    const auto untilRows = args.Get(L"until");
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    // WM_CLOSE itself, as another program or a task manager posts it, with no system command
    // in between.
    auto post = [&] {
        if (!::PostMessageW(window, WM_CLOSE, 0, 0)) {
            FailWithLastError("PostMessageW(WM_CLOSE)");
        }
    };
    if (!afterRows) {
        post();
        PrintLine("{\"posted\":\"" + HandleText(window) +
                  "\",\"time_100ns\":" + std::to_string(Now100ns()) + "}");
        return;
    }
    // With --after-rows the message goes the moment the list view in the window first answers
    // with more rows than that, and again after every later answer until it has --until rows:
    // the window answers only between rows while a drop is being taken in, so a close is
    // waiting at each of those moments. A command started afterwards would come too late.
    const HWND list = FindListView(window);
    const long long threshold = std::wcstoll(afterRows->c_str(), nullptr, 10);
    const long long until =
        untilRows ? std::wcstoll(untilRows->c_str(), nullptr, 10) : threshold + 1;
    const Deadline deadline(timeoutMs);
    long long first = -1;
    long long firstTicks = 0;
    long long count = -1;
    int posts = 0;
    for (;;) {
        const auto answer = ListRowCount(list, deadline, timeoutMs);
        if (!answer) {
            break; // the window is gone: closed
        }
        count = *answer;
        if (count > threshold) {
            post();
            if (posts++ == 0) {
                first = count;
                firstTicks = Now100ns();
            }
        }
        if (count >= until) {
            break;
        }
        if (deadline.Passed()) {
            Fail("the list has " + std::to_string(count) + " rows after " +
                     std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
    }
    PrintLine("{\"posted\":\"" + HandleText(window) + "\",\"row_count\":" + std::to_string(first) +
              ",\"time_100ns\":" + std::to_string(firstTicks) + ",\"posts\":" +
              std::to_string(posts) + ",\"last_row_count\":" + std::to_string(count) + "}");
}

void CommandSync(const Arguments& args) {
    const HWND window = args.Window();
    const DWORD timeoutMs = args.TimeoutMs();
    args.RejectUnused();
    Sync(window, timeoutMs);
    PrintLine("{\"synced\":\"" + HandleText(window) + "\"}");
}

// A registered window message (RegisterWindowMessageW) sent as another program sends it; returns
// once H's thread has handled it. The shell announces a window's taskbar button this way.
void CommandSendRegistered(const Arguments& args) {
    const HWND window = args.Window();
    const auto name = args.Get(L"name");
    const DWORD timeoutMs = args.TimeoutMs();
    if (!name || name->empty()) {
        Fail("send-registered needs --name, the message's registered name", kExitUsage);
    }
    args.RejectUnused();
    const UINT message = ::RegisterWindowMessageW(name->c_str());
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, 0, 0, SMTO_NORMAL, timeoutMs, &result)) {
        Fail("window " + HandleText(window) + " did not handle " + ToUtf8(*name) + " within " +
                 std::to_string(timeoutMs) + " ms",
             kExitTimeout);
    }
    PrintLine("{\"sent\":\"" + HandleText(window) + "\",\"message\":" + std::to_string(message) +
              "}");
}

// The X window that Wine's X11 driver shows for the top-level window H, for looking at its
// properties with X tools (xprop -id).
void CommandX11Window(const Arguments& args) {
    const HWND window = args.Window();
    args.RejectUnused();
    const auto x11 =
        reinterpret_cast<std::uintptr_t>(::GetPropW(window, L"__wine_x11_whole_window"));
    if (x11 == 0) {
        Fail("window " + HandleText(window) + " has no X window of its own");
    }
    PrintLine("{\"hwnd\":\"" + HandleText(window) + "\",\"x11_window\":" + std::to_string(x11) +
              "}");
}

// Where the keys would go now: the foreground window and, in the thread of H, the active and
// the focus window, whether a menu is being tracked, and an edit's selection if one has the
// focus. Key strokes are judged by these before they are sent and by their effects after.
void CommandFocus(const Arguments& args) {
    const HWND window = args.Window();
    args.RejectUnused();
    const GUITHREADINFO info = ThreadInfo(window);
    std::string selection = "null";
    if (info.hwndFocus != nullptr && IsClass(info.hwndFocus, L"Edit")) {
        const auto range =
            static_cast<DWORD>(SendChecked(info.hwndFocus, EM_GETSEL, 0, 0, "EM_GETSEL"));
        selection = JsonNumbers({LOWORD(range), HIWORD(range)});
    }
    PrintLine(
        "{\"foreground\":\"" + HandleText(::GetForegroundWindow()) + "\",\"active\":\"" +
        HandleText(info.hwndActive) + "\",\"focus\":\"" + HandleText(info.hwndFocus) +
        "\",\"focus_class\":" +
        JsonString(info.hwndFocus != nullptr ? ClassName(info.hwndFocus) : L"") +
        ",\"focus_parent\":\"" +
        HandleText(info.hwndFocus != nullptr ? ::GetParent(info.hwndFocus) : nullptr) +
        "\",\"in_menu\":" + JsonBool((info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0) +
        ",\"selection\":" + selection + "}");
}

// Stands in for dragging a window's frame: without a window manager there is no frame to drag.
void CommandMove(const Arguments& args) {
    const HWND window = args.Window();
    const std::wstring rect = args.Require(L"rect");
    args.RejectUnused();
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    if (std::swscanf(rect.c_str(), L"%d,%d,%d,%d", &x, &y, &width, &height) != 4) {
        Fail("--rect needs X,Y,WIDTH,HEIGHT", kExitUsage);
    }
    if (!::SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE)) {
        FailWithLastError("SetWindowPos");
    }
    PrintLine(WindowJson(window));
}

// The window with its styles, and every window inside it (children of children too) with its
// class, control id, text, screen rectangle and styles: what a user sees of a window and where.
void CommandInspect(const Arguments& args) {
    const HWND window = args.Window();
    args.RejectUnused();
    auto styles = [](HWND of) {
        return ",\"style\":" + std::to_string(static_cast<DWORD>(::GetWindowLongW(of, GWL_STYLE))) +
               ",\"exstyle\":" +
               std::to_string(static_cast<DWORD>(::GetWindowLongW(of, GWL_EXSTYLE)));
    };
    std::string children;
    for (const HWND child : ChildWindows(window)) {
        RECT rect{};
        ::GetWindowRect(child, &rect);
        const std::string control = ControlJson(child);
        if (!children.empty()) {
            children += ',';
        }
        children += control.substr(0, control.size() - 1) + ",\"parent\":\"" +
                    HandleText(::GetParent(child)) + "\",\"rect\":" + RectJson(rect) +
                    styles(child) + "}";
    }
    RECT client{};
    ::GetClientRect(window, &client);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    const std::string json = WindowJson(window);
    PrintLine(json.substr(0, json.size() - 1) + styles(window) + ",\"client_origin\":" +
              JsonNumbers({origin.x, origin.y}) + ",\"children\":[" + children + "]}");
}
} // namespace velkin::driver
