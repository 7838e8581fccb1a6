#include "platform/taskbar_button.h"

#include <algorithm>

namespace velkin::win {
namespace {

bool InForeground(HWND window) {
    // A box or dialog of the window's own in front counts as the window.
    const HWND foreground = ::GetForegroundWindow();
    return foreground != nullptr && ::GetAncestor(foreground, GA_ROOTOWNER) == window;
}

void Flash(HWND window, DWORD flags) {
    FLASHWINFO flash{};
    flash.cbSize = sizeof(flash);
    flash.hwnd = window;
    flash.dwFlags = flags;
    ::FlashWindowEx(&flash);
}

} // namespace

TaskbarButton::TaskbarButton(HWND window)
    : window_(window), createdMessage_(::RegisterWindowMessageW(L"TaskbarButtonCreated")) {
    // A program running with higher rights than the shell would otherwise never hear of it.
    ::ChangeWindowMessageFilterEx(window_, createdMessage_, MSGFLT_ALLOW, nullptr);
}

TaskbarButton::~TaskbarButton() {
    list_.reset();
    if (comInitialised_) {
        ::CoUninitialize();
    }
}

void TaskbarButton::Recreated() {
    if (showing_) {
        Acquire();
        Apply();
    }
}

void TaskbarButton::ShowProgress(int done, int total, bool failed) {
    if (!showing_) {
        showing_ = true;
        Acquire();
    }
    total_ = static_cast<ULONGLONG>(std::max(total, 1));
    done_ = static_cast<ULONGLONG>(std::clamp(done, 0, std::max(total, 1)));
    const TBPFLAG state = failed ? TBPF_ERROR : TBPF_NORMAL;
    if (list_ && state != state_) {
        list_->SetProgressState(window_, state);
    }
    state_ = state;
    if (list_) {
        list_->SetProgressValue(window_, done_, total_);
    }
}

void TaskbarButton::EndProgress(bool userLeft) {
    if (!showing_) {
        return;
    }
    showing_ = false;
    state_ = TBPF_NOPROGRESS;
    if (list_) {
        list_->SetProgressState(window_, TBPF_NOPROGRESS);
    }
    if (InForeground(window_)) {
        return;
    }
    if (userLeft || ::IsIconic(window_) || !::SetForegroundWindow(window_)) {
        FlashUntilActivated();
    }
}

void TaskbarButton::FlashUntilActivated() {
    // The button keeps flashing until the window comes to the front; Activated() ends it where
    // the system does not do so itself.
    Flash(window_, FLASHW_TRAY | FLASHW_TIMERNOFG);
    flashing_ = true;
}

void TaskbarButton::Activated() {
    if (flashing_) {
        flashing_ = false;
        Flash(window_, FLASHW_STOP);
    }
}

void TaskbarButton::Acquire() {
    if (list_) {
        return;
    }
    if (!comInitialised_) {
        comInitialised_ =
            SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }
    ITaskbarList3* list = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&list)))) {
        return;
    }
    list_.reset(list);
    if (FAILED(list_->HrInit())) {
        list_.reset();
    }
}

void TaskbarButton::Apply() {
    if (!list_) {
        return;
    }
    list_->SetProgressState(window_, state_);
    list_->SetProgressValue(window_, done_, total_);
}

} // namespace velkin::win
