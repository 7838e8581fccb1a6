#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "about/about_window_win.h"
#include "app/app_model.h"
#include "app/start_request.h"
#include "app/intake_pace.h"
#include "app/job_list_view_win.h"
#include "joblist/drop_intake.h"
#include "joblist/queue_file_win.h"
#include "joblist/queue_keeper.h"
#include "platform/foreground_watch.h"
#include "platform/owned_window.h"
#include "platform/program_directory.h"
#include "platform/taskbar_button.h"
#include "platform/window_placement_win.h"
#include "platform/windows_code_page.h"
#include "runner/group_run.h"
#include "settings/settings_values.h"

namespace velkin::win {

// VLKN_MAIN: the main window with its job list and menu. It shows the model and turns the
// user's commands into changes of it.
class MainWindow final : private DropIntakeHost, private RunHost {
public:
    explicit MainWindow(HINSTANCE instance);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND handle() const { return window_.handle(); }
    const AppModel& model() const { return model_; }
    void Show(int showCommand);
    // Paths that come other than by a drag (the command line, a second start, the clipboard) go
    // in as dragged drops do, one after another, once the messages already waiting are done;
    // those no name can hold are refused, with one word to the user.
    void ReceiveArrival(const StartRequest& request);
    // A queue that a Velkin of this folder left behind (killed, crashed, or closed during a run)
    // is offered once, and put back on Yes.
    void OfferQueueLeftBehind();

private:
    // The message plumbing: each message becomes a call of one of the handlers below it.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnCommand(unsigned id);
    LRESULT OnNotify(NMHDR& header);
    void OnInitMenuPopup(HMENU popup);
    void OnClose();
    void OnEndSession();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    bool OnCopyData(const COPYDATASTRUCT* message);
    void TakeInWaiting();
    void PasteFiles();
    void ComeForward();

    // The form's event handlers, under the names its description gives them.
    void WMDropFiles(HDROP drop);
    void ListViewKeyDown(WORD key);
    void S_ExitClick();
    void S_DeleteNumClick();
    void S_ClearClick();
    void S_ProfileClick(int profileNo); // S_Profile1Click to S_Profile5Click
    void S_EditProfileClick();
    void S_SavePathClick();
    void S_ClearEndClick();
    void S_StartClick();
    void S_AboutClick();
    void S_ReadmetxtClick();
    void FormClose();

    // Start-up, the settings and the view.
    void ApplyStartupSettings();
    Settings CurrentSettings() const;
    void RefreshMenu();
    void ShowRows();
    bool Busy() const { return intake_.Busy() || running_; }
    // Paths taken from a second start or the clipboard that are neither rows nor named as
    // refused yet.
    bool ArrivalsUnseen() const { return intake_.HasWaiting() || !refused_.empty(); }
    void CloseIfPending();
    void ShowRefused();

    // Drop intake, on behalf of the model (main_window_hosts_win.cpp, as is what follows).
    bool IsDirectory(const std::wstring& path) override;
    std::optional<std::wstring> AskArchivePath(const SaveDialogRequest& request) override;
    void Breathe() override;
    void RowsAppended() override;

    // Compression runs, on behalf of the model.
    std::wstring ProgramDirectory() override;
    FileHold WriteFile(const std::wstring& path, const FileWriter& write) override;
    ProcessEnd RunArchiver(const std::wstring& commandLine) override;
    void ShowStartFailed() override;
    bool Confirm(std::wstring_view question) override;
    void Inform(std::wstring_view text, std::wstring_view caption) override;
    void StatusesChanged(const std::vector<std::size_t>& rows) override;
    void RowsCleared() override;
    void RunProgressed(const RunProgress& progress) override;
    void RunEnded() override;
    void GroupStarted(std::int32_t n) override;
    void GroupEnded(std::int32_t n, bool done) override;
    bool StopRequested() override;
    bool ContinueAfterBreak(std::int32_t groupsLeft) override;
    void RunStopped() override;

    HINSTANCE instance_;
    AppModel model_;
    DropIntake intake_{model_, *this};
    QueueKeeper queueKeeper_{model_, [] { return CreateQueueFile(win::ProgramDirectory()); }};
    WindowsCodePage codePage_;
    WindowPlacer placer_;
    bool running_ = false;
    // A close asked for while a drop comes in, a run goes on or a box or dialog of the program
    // is open (the window is then disabled) waits until that is over: handled inside a box's
    // loop, it would destroy the window under the box, whose quit would take the box away.
    // Meanwhile the window takes nothing more in. Drops that had arrived but still waited to go
    // in when the close was asked for go in afterwards, and the window then stays open: the user
    // closed it without having seen them.
    bool closePending_ = false;
    bool keepOpen_ = false;
    // The close came during a run: it stops the run, and the queue outlives the window.
    bool closeStopsRun_ = false;
    // Paths refused on arrival, named to the user once no command holds the intake.
    std::vector<std::wstring> refused_;
    // While an archiver runs: whether the user went to another program.
    std::unique_ptr<ForegroundWatch> foregroundWatch_;
    IntakePace pace_;
    std::unique_ptr<JobListView> listView_;
    std::unique_ptr<AboutWindow> about_;
    std::unique_ptr<TaskbarButton> taskbar_;
    // Declared last: it goes first, while everything its messages reach still stands. The close
    // path destroys it too.
    OwnedWindow window_{[this](UINT message, WPARAM wParam, LPARAM lParam) {
        return HandleMessage(message, wParam, lParam);
    }};
};

} // namespace velkin::win
