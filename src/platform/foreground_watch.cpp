#include "platform/foreground_watch.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <unordered_map>

namespace velkin::win {
namespace {

// The watch hangs on its window: a hook's callback is told nothing of whose it is.
constexpr const wchar_t* kProperty = L"VelkinForegroundWatch";

// How far up the line of parents a process is looked for: an archiver that starts a helper,
// whose console belongs to yet another process, is three deep.
constexpr int kMostGenerations = 8;

BOOL CALLBACK FindWatch(HWND window, LPARAM found) {
    if (auto* watch = ::GetPropW(window, kProperty)) {
        *reinterpret_cast<void**>(found) = watch;
        return FALSE;
    }
    return TRUE;
}

} // namespace

ForegroundWatch::ForegroundWatch(HWND window) : window_(window), last_(::GetForegroundWindow()) {
    ::SetPropW(window_, kProperty, this);
    const DWORD events[] = {EVENT_SYSTEM_FOREGROUND, EVENT_OBJECT_FOCUS};
    for (std::size_t i = 0; i < hooks_.size(); ++i) {
        hooks_[i].reset(::SetWinEventHook(events[i], events[i], nullptr, &ForegroundWatch::OnEvent,
                                          0, 0, WINEVENT_OUTOFCONTEXT));
    }
    ::SetWindowSubclass(window_, &ForegroundWatch::OnMessage, 0, reinterpret_cast<DWORD_PTR>(this));
}

ForegroundWatch::~ForegroundWatch() {
    ::RemoveWindowSubclass(window_, &ForegroundWatch::OnMessage, 0);
    for (auto& hook : hooks_) {
        hook.reset();
    }
    ::RemovePropW(window_, kProperty);
}

void ForegroundWatch::ArchiverStarted(HANDLE process, DWORD processId) {
    process_ = process;
    processId_ = processId;
}

void ForegroundWatch::ArchiverEnded() {
    process_ = nullptr;
    processId_ = 0;
}

void CALLBACK ForegroundWatch::OnEvent(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD,
                                       DWORD) {
    if (window == nullptr) {
        return;
    }
    void* found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindWatch, reinterpret_cast<LPARAM>(&found));
    if (found != nullptr) {
        static_cast<ForegroundWatch*>(found)->Seen(window);
    }
}

LRESULT CALLBACK ForegroundWatch::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR watch) {
    // By the time the program that lost the foreground hears of it, the system has given the
    // foreground to the new window (Wine), or has yet to (Windows, where the hooks tell).
    if (message == WM_ACTIVATEAPP && wParam == FALSE) {
        if (const HWND foreground = ::GetForegroundWindow()) {
            reinterpret_cast<ForegroundWatch*>(watch)->Seen(foreground);
        }
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

void ForegroundWatch::Seen(HWND window) {
    const HWND top = ::GetAncestor(window, GA_ROOT);
    if (top == nullptr || top == last_) {
        return;
    }
    // The window it came from still shows: the user moved away from it. Gone or hidden, it was
    // an archiver's window closing, after which the system picks whatever window it likes.
    // Whose the new window is comes last: it takes a walk through every process.
    if (!userLeft_ && ArchiverRunning() && last_ != nullptr && ::IsWindowVisible(last_)) {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(top, &processId);
        userLeft_ = processId != ::GetCurrentProcessId() && !OfArchiver(processId);
    }
    last_ = top;
}

bool ForegroundWatch::ArchiverRunning() const {
    return process_ != nullptr && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ForegroundWatch::OfArchiver(DWORD processId) const {
    if (processId_ == 0) {
        return false;
    }
    if (processId == processId_) {
        return true;
    }
    const UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return false;
    }
    std::unordered_map<DWORD, DWORD> parents;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        parents[entry.th32ProcessID] = entry.th32ParentProcessID;
    }
    for (int generation = 0; generation < kMostGenerations; ++generation) {
        const auto parent = parents.find(processId);
        if (parent == parents.end() || parent->second == 0) {
            return false;
        }
        processId = parent->second;
        if (processId == processId_) {
            return true;
        }
    }
    return false;
}

} // namespace velkin::win
