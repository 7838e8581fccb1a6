#include "driver/window_queries.h"

#include <commctrl.h>

#include <algorithm>
#include <cwctype>

namespace velkin::driver {

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

std::wstring Caption(HWND window) {
    std::wstring text(1024, L'\0');
    for (;;) {
        const int length =
            ::InternalGetWindowText(window, text.data(), static_cast<int>(text.size()));
        if (length < static_cast<int>(text.size()) - 1) {
            text.resize(static_cast<std::size_t>(std::max(length, 0)));
            return text;
        }
        text.resize(text.size() * 2);
    }
}

std::wstring ControlText(HWND control) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kMessageTimeoutMs,
                               &length)) {
        FailWithLastError("WM_GETTEXTLENGTH");
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(control, WM_GETTEXT, text.size(),
                               reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                               kMessageTimeoutMs, &copied)) {
        FailWithLastError("WM_GETTEXT");
    }
    text.resize(copied);
    return text;
}

DWORD WindowProcessId(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

std::string WindowJson(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    RECT client{};
    ::GetClientRect(window, &client);
    DWORD pid = 0;
    const DWORD tid = ::GetWindowThreadProcessId(window, &pid);
    return "{\"hwnd\":\"" + HandleText(window) + "\",\"pid\":" + std::to_string(pid) +
           ",\"tid\":" + std::to_string(tid) + ",\"class\":" + JsonString(ClassName(window)) +
           ",\"caption\":" + JsonString(Caption(window)) +
           ",\"visible\":" + JsonBool(::IsWindowVisible(window) != FALSE) +
           ",\"enabled\":" + JsonBool(::IsWindowEnabled(window) != FALSE) +
           ",\"rect\":" + RectJson(rect) + ",\"client\":" + RectJson(client) + "}";
}

WindowFilter WindowFilter::From(const Arguments& args) {
    WindowFilter filter;
    filter.className = args.Get(L"class");
    filter.title = args.Get(L"title");
    if (const auto pid = args.Get(L"pid")) {
        filter.pid = static_cast<DWORD>(args.Number(L"pid", 0));
    }
    return filter;
}

bool WindowFilter::Matches(HWND window) const {
    return ::IsWindowVisible(window) && (!pid || WindowProcessId(window) == *pid) &&
           (!className || ClassName(window) == *className) && (!title || Caption(window) == *title);
}

std::vector<HWND> TopLevelWindows(const WindowFilter& filter) {
    struct Search {
        const WindowFilter* filter;
        std::vector<HWND> found;
    } search{&filter, {}};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(param);
            if (search.filter->Matches(window)) {
                search.found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    ::EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND WaitForWindow(const WindowFilter& filter, DWORD timeoutMs, const std::string& what) {
    const Deadline deadline(timeoutMs);
    for (;;) {
        const auto found = TopLevelWindows(filter);
        if (!found.empty()) {
            return found.front();
        }
        if (deadline.Passed()) {
            Fail("no window " + what + " within " + std::to_string(timeoutMs) + " ms",
                 kExitTimeout);
        }
        ::Sleep(kPollMs);
    }
}

std::string FilterText(const WindowFilter& filter) {
    std::string text;
    if (filter.className) {
        text += " class=" + ToUtf8(*filter.className);
    }
    if (filter.title) {
        text += " title=" + ToUtf8(*filter.title);
    }
    if (filter.pid) {
        text += " pid=" + std::to_string(*filter.pid);
    }
    return text.empty() ? text : text.substr(1);
}

win::UniqueKernelHandle OpenTargetProcess(DWORD pid, DWORD access) {
    win::UniqueKernelHandle process(::OpenProcess(access, FALSE, pid));
    if (!process) {
        FailWithLastError("OpenProcess(" + std::to_string(pid) + ")");
    }
    return process;
}

LRESULT SendChecked(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const char* what) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kMessageTimeoutMs,
                               &result)) {
        FailWithLastError(what);
    }
    return static_cast<LRESULT>(result);
}

HWND FindListView(HWND window) {
    if (ClassName(window) == WC_LISTVIEWW) {
        return window;
    }
    for (const HWND child : ChildWindows(window)) {
        if (ClassName(child) == WC_LISTVIEWW) {
            return child;
        }
    }
    Fail("no " + ToUtf8(WC_LISTVIEWW) + " inside " + HandleText(window));
}

std::wstring LowerCase(std::wstring text) {
    for (auto& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

GUITHREADINFO ThreadInfo(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) {
        FailWithLastError("GetGUIThreadInfo");
    }
    return info;
}

void Sync(HWND window, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result)) {
        Fail("window " + HandleText(window) + " did not answer within " +
                 std::to_string(timeoutMs) + " ms",
             kExitTimeout);
    }
}

std::string ControlJson(HWND control) {
    // A progress bar shows its position, not a text.
    const std::string position =
        IsClass(control, PROGRESS_CLASSW)
            ? ",\"position\":" + std::to_string(::SendMessageW(control, PBM_GETPOS, 0, 0))
            : std::string();
    return "{\"hwnd\":\"" + HandleText(control) + "\",\"class\":" + JsonString(ClassName(control)) +
           ",\"id\":" + std::to_string(::GetDlgCtrlID(control)) +
           ",\"text\":" + JsonString(ControlText(control)) + position +
           ",\"visible\":" + JsonBool(::IsWindowVisible(control) != FALSE) +
           ",\"enabled\":" + JsonBool(::IsWindowEnabled(control) != FALSE) + "}";
}

bool IsClass(HWND window, std::wstring_view name) {
    return LowerCase(ClassName(window)) == LowerCase(std::wstring(name));
}

} // namespace velkin::driver
