// Looking at windows and processes from outside: what several command families ask.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/driver.h"
#include "platform/unique_handle.h"

namespace velkin::driver {

std::wstring ClassName(HWND window);
bool IsClass(HWND window, std::wstring_view name); // whatever the letter case
std::wstring LowerCase(std::wstring text);

// A window's caption as the system keeps it, without a message to the window:
// GetWindowTextLength sends one, and a window whose thread is busy (a file dialog filling
// itself in, say) would hold a listing of every window until its thread got to it.
std::wstring Caption(HWND window);

// The live text of a control of another process (an edit box's content, say): asked of the
// control itself, which GetWindowText does not do across processes.
std::wstring ControlText(HWND control);

DWORD WindowProcessId(HWND window);
std::string WindowJson(HWND window);
std::string ControlJson(HWND control);

struct WindowFilter {
    std::optional<std::wstring> className;
    std::optional<std::wstring> title;
    std::optional<DWORD> pid;

    static WindowFilter From(const Arguments& args);
    bool Matches(HWND window) const;
};

std::vector<HWND> TopLevelWindows(const WindowFilter& filter);
std::vector<HWND> ChildWindows(HWND parent);
HWND WaitForWindow(const WindowFilter& filter, DWORD timeoutMs, const std::string& what);
std::string FilterText(const WindowFilter& filter);

win::UniqueKernelHandle OpenTargetProcess(DWORD pid, DWORD access);
LRESULT SendChecked(HWND window, UINT message, WPARAM wParam, LPARAM lParam, const char* what);
HWND FindListView(HWND window);

// The thread that owns a window, as the system sees it: which window of it is active and which
// has the keyboard focus, and whether it is in a menu.
GUITHREADINFO ThreadInfo(HWND window);

// Returns once the window's thread has come back to its message loop and handled a message.
void Sync(HWND window, DWORD timeoutMs);

} // namespace velkin::driver
