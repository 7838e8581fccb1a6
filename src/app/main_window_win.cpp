#include "app/main_window_win.h"

#include <commctrl.h>

#include <utility>

#include "app/busy_rule.h"
#include "app/come_forward_win.h"
#include "app/command_ids.h"
#include "app/intake_hold_win.h"
#include "app/main_dialogs_win.h"
#include "app/main_menu_win.h"
#include "app/queue_offer_win.h"
#include "app/start_request_win.h"
#include "app/window_settings_win.h"
#include "base/message_texts.h"
#include "platform/clipboard_files.h"
#include "platform/dpi.h"
#include "platform/dropped_files.h"
#include "platform/message_boxes.h"
#include "platform/unique_handle.h"
#include "platform/window_class.h"

namespace velkin::win {
namespace {

constexpr int kListViewId = 1;

// The program's icon in its resources (res/velkin.rc).
constexpr WORD kIconResource = 1;

} // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {
    RegisterWindowClass(instance,
                        {.name = text::kMainWindowClass.data(),
                         .procedure = &OwnedWindow::Procedure,
                         .style = CS_HREDRAW | CS_VREDRAW,
                         .cursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)), // IDC_ARROW
                         .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                         .icon = kIconResource});
    UniqueMenu menu(CreateMainMenu());
    const std::wstring title(text::kApplicationTitle);
    // Created hidden at the platform's default place; the settings then place it. Should the
    // rest of the construction fail, the window goes with this object's members.
    // WS_EX_ACCEPTFILES is all that DragAcceptFiles(window, TRUE) sets: the window takes the
    // shell's drops from its creation on, and shell32 is not loaded before the first drop.
    window_.Create({.exStyle = WS_EX_ACCEPTFILES,
                    .className = text::kMainWindowClass.data(),
                    .title = title.c_str(),
                    .style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                    .x = CW_USEDEFAULT,
                    .y = CW_USEDEFAULT,
                    .width = CW_USEDEFAULT,
                    .height = CW_USEDEFAULT,
                    .menu = menu.get(),
                    .instance = instance});
    menu.release(); // the window destroys its menu
    taskbar_ = std::make_unique<TaskbarButton>(handle());
    ApplyStartupSettings(handle(), placer_, *listView_, model_);
}

void MainWindow::Show(int showCommand) {
    int command = SW_SHOWNORMAL;
    if (showCommand == SW_SHOWMAXIMIZED || showCommand == SW_SHOWMINNOACTIVE) {
        command = showCommand;
    }
    ::ShowWindow(handle(), command);
    ::UpdateWindow(handle());
}

void MainWindow::OfferQueueLeftBehind() {
    win::OfferQueueLeftBehind(handle(), intake_, edits_);
}

// The message plumbing.

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return Dispatch(message, wParam, lParam);
    } catch (...) {
        // A failed creation fails the window (OwnedWindow throws it from Create). Any other
        // error is shown here, with drops held while its box is open, as for every other box.
        if (message == WM_CREATE || message == WM_NCCREATE) {
            throw;
        }
        const IntakeHold hold(intake_, handle());
        ShowCurrentException();
        return 0;
    }
}

LRESULT MainWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (taskbar_ && message == taskbar_->createdMessage()) {
        taskbar_->Recreated();
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_SIZE:
        if (listView_) {
            listView_->Resize(LOWORD(lParam), HIWORD(lParam));
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && taskbar_) {
            taskbar_->Activated();
        }
        break;
    case WM_SETFOCUS:
        if (listView_) {
            ::SetFocus(listView_->handle());
        }
        return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 && lParam == 0) {
            OnCommand(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (listView_) {
            listView_->OnNotify(*reinterpret_cast<NMHDR*>(lParam), result);
        }
        return result;
    }
    case WM_DROPFILES:
        WMDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        GreyRefusedCommands(reinterpret_cast<HMENU>(wParam), Busy());
        GreyLogCommand(reinterpret_cast<HMENU>(wParam), SelectedLog() != nullptr);
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_ENABLE:
        if (wParam != FALSE) {
            CloseIfPending();
        }
        return 0;
    case WM_ENDSESSION:
        if (wParam != FALSE) {
            OnEndSession();
        }
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    case WM_DPICHANGED:
        placer_.OnDpiChanged(handle(), *reinterpret_cast<const RECT*>(lParam));
        listView_->ChangeDpi(HIWORD(wParam));
        return 0;
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE;
    case kTakeInWaitingMessage:
        TakeInWaiting();
        return 0;
    case kComeForwardMessage:
        ComeForward(handle(), running_, *taskbar_);
        return 0;
    default:
        break;
    }
    return window_.Default(message, wParam, lParam);
}

void MainWindow::OnCreate() {
    listView_ = std::make_unique<JobListView>(
        handle(), kListViewId, model_.rows, DpiForWindow(handle()),
        JobListEvents{[this](std::size_t row, std::wstring text) {
                          return edits_.EditDropNumber(row, std::move(text));
                      },
                      [this](WORD key) { ListViewKeyDown(key); }});
    intakeHost_.Attach(handle(), *listView_);
}

void MainWindow::OnCommand(unsigned id) {
    static constexpr struct {
        unsigned id;
        void (MainWindow::*handler)();
    } kHandlers[] = {{kCmdExit, &MainWindow::S_ExitClick},
                     {kCmdDeleteNum, &MainWindow::S_DeleteNumClick},
                     {kCmdClear, &MainWindow::S_ClearClick},
                     {kCmdShowLog, &MainWindow::S_ShowLogClick},
                     {kCmdEditProfile, &MainWindow::S_EditProfileClick},
                     {kCmdSavePath, &MainWindow::S_SavePathClick},
                     {kCmdClearEnd, &MainWindow::S_ClearEndClick},
                     {kCmdStart, &MainWindow::S_StartClick},
                     {kCmdAbout, &MainWindow::S_AboutClick},
                     {kCmdReadmetxt, &MainWindow::S_ReadmetxtClick},
                     {kCmdEachItem, &MainWindow::S_EachItemClick}};
    if (!CommandAllowed(id, Busy())) {
        return;
    }
    if (id >= kCmdProfile1 && id <= kCmdProfile5) {
        S_ProfileClick(static_cast<int>(id - kCmdProfile1) + 1);
        return;
    }
    for (const auto& command : kHandlers) {
        if (command.id == id) {
            (this->*command.handler)();
            return;
        }
    }
}

void MainWindow::OnClose() {
    const auto step =
        close_.Asked({.held = Held(), .running = running_, .arrivalsUnseen = arrivals_.Unseen()});
    if (step == DeferredClose::Step::TakeInArrivals) {
        TakeInWaiting();
    }
    if (step != DeferredClose::Step::Close && step != DeferredClose::Step::CloseKeepingQueue) {
        return;
    }
    if (!SaveSettingsAtClose()) {
        return;
    }
    if (step == DeferredClose::Step::Close) {
        queueKeeper_.Discard(); // the rows go, as they always have
    }
    ::DestroyWindow(handle());
}

bool MainWindow::SaveSettingsAtClose() {
    try {
        FormClose();
        return true;
    } catch (...) {
        // The window stays open with everything in it, and the next close tries the whole save
        // again. Should that fail too (a settings file the user cannot write), the user may end
        // the program without it: otherwise only the task manager could.
        const IntakeHold hold(intake_, handle());
        ShowCurrentException();
        return std::exchange(saveFailed_, true) && AskEndWithoutSettings(handle());
    }
}

void MainWindow::OnEndSession() {
    // Windows is shutting down or the user signs out: the program ends without a close, so this
    // is the last chance to keep the settings. Nobody is left to see an error. The queue file
    // stays as it is, for the next start: nobody chose to drop those rows, and a group that runs
    // now counts as not done.
    try {
        FormClose();
    } catch (...) {
    }
}

bool MainWindow::OnCopyData(const COPYDATASTRUCT* message) {
    // Anything but a well-formed hand-off, from whatever program, is refused and changes nothing.
    // A window whose close waits refuses too: the second start then opens a window of its own.
    const auto request = ReadHandOff(message);
    if (!request || close_.waiting()) {
        return false;
    }
    ReceiveArrival(*request);
    // The second start let this process take the foreground; the answer goes back first.
    ::PostMessageW(handle(), kComeForwardMessage, 0, 0);
    return true;
}

void MainWindow::TakeInWaiting() {
    arrivals_.TakeInWaiting(handle());
    CloseIfPending();
}

void MainWindow::PasteFiles() {
    if (close_.waiting()) {
        return;
    }
    // Files copied in Explorer are one drop; anything else on the clipboard is none.
    ReceiveArrival({ClipboardFiles(handle()), false});
}

void MainWindow::CloseIfPending() {
    const auto step = close_.Resumed(Held());
    if (step == DeferredClose::Step::TakeInArrivals) {
        ::PostMessageW(handle(), kTakeInWaitingMessage, 0, 0);
    } else if (step == DeferredClose::Step::Close) {
        ::PostMessageW(handle(), WM_CLOSE, 0, 0);
    }
}

// A drop and the list's keys.

void MainWindow::WMDropFiles(HDROP drop) {
    auto paths = std::make_unique<DroppedPaths>(drop, DroppedPaths::Origin::ShellDrop);
    if (close_.waiting()) {
        return; // the drop is handed back to the shell unread
    }
    intakeHost_.DropArrived();
    intake_.Receive(std::move(paths));
    CloseIfPending();
}

void MainWindow::ListViewKeyDown(WORD key) {
    if (key == VK_DELETE) {
        OnCommand(kCmdDeleteNum);
    } else if (IsPasteKey(key)) {
        PasteFiles();
    }
}

} // namespace velkin::win
