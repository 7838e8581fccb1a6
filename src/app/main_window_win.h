#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "about/about_window_win.h"
#include "app/app_model.h"
#include "app/arrivals_win.h"
#include "app/deferred_close.h"
#include "app/intake_host_win.h"
#include "app/job_list_edits.h"
#include "app/job_list_view_win.h"
#include "app/log_window_win.h"
#include "app/start_request.h"
#include "joblist/drop_intake.h"
#include "joblist/queue_file_win.h"
#include "joblist/queue_keeper.h"
#include "platform/owned_window.h"
#include "platform/program_directory.h"
#include "platform/taskbar_button.h"
#include "platform/window_placement_win.h"
#include "platform/windows_code_page.h"
#include "settings/settings_values.h"

namespace velkin::win {

// The main window, with its job list and menu: the one window the user works in. It turns each
// message into a call on the model, the view or one of the pieces it holds, where the rules
// live (the busy rule, the deferred close, the list's edits, the intake and the run hosts).
class MainWindow final {
public:
    explicit MainWindow(HINSTANCE instance);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND handle() const { return window_.handle(); }
    const AppModel& model() const { return model_; }
    void Show(int showCommand);
    // Paths from the command line, a second start or the clipboard (Arrivals).
    void ReceiveArrival(const StartRequest& request) { arrivals_.Receive(handle(), request); }
    // A queue left behind by a Velkin of this folder (queue_offer_win.h).
    void OfferQueueLeftBehind();

private:
    // The message plumbing: each message becomes a call of one of the handlers below it.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnCommand(unsigned id);
    void OnClose();
    // Whether the close goes on: the settings were saved, or the user chose to end without them.
    bool SaveSettingsAtClose();
    void OnEndSession();
    bool OnCopyData(const COPYDATASTRUCT* message);
    void TakeInWaiting();
    void PasteFiles();

    // A drop and the list's keys.
    void WMDropFiles(HDROP drop);
    void ListViewKeyDown(WORD key);

    // The menu commands (S_, the item's name, Click) and the close; main_window_commands_win.cpp.
    void S_ExitClick();
    void S_DeleteNumClick();
    void S_ClearClick();
    void S_ShowLogClick();
    void S_ProfileClick(int profileNo); // S_Profile1Click to S_Profile5Click
    void S_EditProfileClick();
    void S_SavePathClick();
    void S_ClearEndClick();
    void S_StartClick();
    void S_AboutClick();
    void S_ReadmetxtClick();
    void S_EachItemClick();
    void FormClose();

    // The log of the selected row's group, or null before that group ran in this window.
    const GroupLog* SelectedLog() const;

    bool Busy() const { return intake_.Busy() || running_; }
    // Busy, or disabled by a box or dialog of the program: a close waits.
    bool Held() const { return Busy() || !::IsWindowEnabled(handle()); }
    void CloseIfPending();

    HINSTANCE instance_;
    AppModel model_;
    QueueKeeper queueKeeper_{model_, [] { return CreateQueueFile(win::ProgramDirectory()); }};
    JobListEdits edits_{model_, queueKeeper_, [this] { listView_->ShowAllRows(); }};
    WindowIntakeHost intakeHost_{queueKeeper_};
    DropIntake intake_{model_, intakeHost_};
    Arrivals arrivals_{intake_};
    DeferredClose close_;
    WindowsCodePage codePage_;
    WindowPlacer placer_;
    bool running_ = false;
    bool saveFailed_ = false; // a close has failed to save the settings
    std::unique_ptr<JobListView> listView_;
    std::unique_ptr<AboutWindow> about_;
    std::unique_ptr<LogWindow> log_;
    std::unique_ptr<TaskbarButton> taskbar_;
    // Declared last: it goes first, while everything its messages reach still stands. The close
    // path destroys it too.
    OwnedWindow window_{[this](UINT message, WPARAM wParam, LPARAM lParam) {
        return HandleMessage(message, wParam, lParam);
    }};
};

} // namespace velkin::win
