#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <memory>

namespace velkin::win {

// A window's button on the taskbar: the progress of a long operation on it, and a flash when the
// operation ends after the user went to work in another program.
//
// COM and the shell's taskbar interface are taken when a progress is first shown, never at
// start-up. Where they cannot be had (an old system, a shell without a taskbar), showing and
// clearing the progress do nothing: the operation goes on exactly as it would anyway.
class TaskbarButton {
public:
    explicit TaskbarButton(HWND window);
    ~TaskbarButton();
    TaskbarButton(const TaskbarButton&) = delete;
    TaskbarButton& operator=(const TaskbarButton&) = delete;

    // The message the shell sends when it has made the window's button, and again whenever it
    // makes it anew (after the shell itself was restarted).
    UINT createdMessage() const { return createdMessage_; }
    // That message arrived: a progress being shown is shown again on the new button.
    void Recreated();

    // done of total steps, in the error colour once failed is true.
    void ShowProgress(int done, int total, bool failed);
    // Takes the progress off the button. When the window is not in the foreground: if the user
    // went to another program meanwhile, its button flashes until the window comes to the front;
    // otherwise only programs the operation itself started had the foreground, and the window
    // comes back to the front (or flashes, should the system refuse that).
    void EndProgress(bool userLeft);
    // The button flashes until the window comes to the front: something arrived that the user
    // should see, at a moment the window must not cover what is in front of it.
    void FlashUntilActivated();
    // The window came to the front: a flash ends.
    void Activated();

private:
    struct Release {
        void operator()(IUnknown* object) const { object->Release(); }
    };

    void Acquire();
    void Apply();

    HWND window_;
    UINT createdMessage_;
    bool comInitialised_ = false;
    std::unique_ptr<ITaskbarList3, Release> list_;
    bool showing_ = false;
    bool flashing_ = false;
    TBPFLAG state_ = TBPF_NOPROGRESS;
    ULONGLONG done_ = 0;
    ULONGLONG total_ = 1;
};

} // namespace velkin::win
