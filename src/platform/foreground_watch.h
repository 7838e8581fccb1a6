#pragma once

#include <windows.h>

#include <array>

#include "platform/unique_handle.h"

namespace velkin::win {

using UniqueWinEventHook = UniqueHandle<NullableHandleTraits<HWINEVENTHOOK, &::UnhookWinEvent>>;

// Tells, over one run, whether the user went to another program while an archiver worked.
//
// An archiver that shows a window of its own (a progress window, or the console of a console
// program, which belongs to a process the archiver started) takes the foreground from the
// disabled main window; that is no reason to ask for the user's attention at the end. When its
// window closes, the system may hand the foreground to any window, so the foreground at the end
// tells nothing: what counts is a change of the foreground, while an archiver runs, to a window
// of a program that is neither Velkin nor the archiver (nor one it started), away from a window
// that is still shown. The system reports changes of the foreground (and, where it reports none
// of those, as Wine does, changes of the keyboard focus) to hooks of this thread, which it
// calls while the thread handles its messages.
//
// Those reports come from the thread of the window that takes the foreground, and Wine's
// threads learn of a new hook only when they next ask for a message: a program idle since the
// hooks were set, activated by the window manager (a click), tells nothing. Velkin's own
// window, though, always hears that its program loses the foreground (WM_ACTIVATEAPP), on any
// path; the foreground it went to is judged by the same rule.
class ForegroundWatch {
public:
    explicit ForegroundWatch(HWND window);
    ~ForegroundWatch();
    ForegroundWatch(const ForegroundWatch&) = delete;
    ForegroundWatch& operator=(const ForegroundWatch&) = delete;

    void ArchiverStarted(HANDLE process, DWORD processId);
    void ArchiverEnded();
    bool UserLeft() const { return userLeft_; }

private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object,
                                 LONG child, DWORD thread, DWORD time);
    static LRESULT CALLBACK OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR watch);
    void Seen(HWND window);
    bool ArchiverRunning() const;
    bool OfArchiver(DWORD processId) const;

    HWND window_;
    std::array<UniqueWinEventHook, 2> hooks_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND last_; // the top-level window that had the foreground when last seen
    bool userLeft_ = false;
};

} // namespace velkin::win
