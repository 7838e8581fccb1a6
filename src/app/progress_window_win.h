#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/console_text.h"
#include "platform/owned_window.h"
#include "platform/unique_handle.h"

namespace velkin::win {

// What a console archiver's run shows instead of a console: which group of how many runs, the
// archive being written, the file being added, a bar from 0 to 100 and a 中止 button (Esc does
// the same). Owned by the main window, which stays disabled; centred on it at its DPI. One
// window for the whole run.
class ProgressWindow {
public:
    ProgressWindow(HINSTANCE instance, HWND owner);
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    HWND handle() const { return window_.handle(); }

    // A group starts: its number (from 1) of how many, and its archive; the bar goes back to 0
    // and 中止 may be pressed again.
    void GroupStarted(std::int32_t group, std::int32_t groups, const std::wstring& archivePath);
    void Progressed(const ConsoleProgress& progress, std::wstring_view file);
    // Whether 中止 was pressed since the group started.
    bool stopAsked() const { return stopAsked_; }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Layout(UINT dpi);
    void AskToStop();

    HWND group_ = nullptr; // children, destroyed with the window
    HWND archive_ = nullptr;
    HWND file_ = nullptr;
    HWND bar_ = nullptr;
    HWND stop_ = nullptr;
    UniqueFont font_;
    bool stopAsked_ = false;
    // Declared last: it goes first, while everything its messages reach still stands.
    OwnedWindow window_{[this](UINT message, WPARAM wParam, LPARAM lParam) {
        return HandleMessage(message, wParam, lParam);
    }};
};

} // namespace velkin::win
