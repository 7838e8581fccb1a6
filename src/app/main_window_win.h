#pragma once

#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <memory>

#include "app/app_model.h"
#include "about/about_window_win.h"
#include "app/job_list_view_win.h"
#include "joblist/drop_intake.h"
#include "platform/unique_handle.h"
#include "platform/window_procedure.h"
#include "platform/windows_code_page.h"
#include "runner/group_run.h"
#include "settings/settings_values.h"

namespace velkin::win {

// VLKN_MAIN: the main window with its job list and menu. It shows the model and turns the
// user's commands into changes of it.
class MainWindow final : private DropIntakeHost, private RunHost {
public:
    explicit MainWindow(HINSTANCE instance);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND handle() const { return window_; }
    const AppModel& model() const { return model_; }
    void Show(int showCommand);

private:
    template <typename Owner> friend LRESULT CALLBACK ObjectWindowProc(HWND, UINT, WPARAM, LPARAM);
    void AttachWindow(HWND window);
    void DetachWindow();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void ApplyStartupSettings();
    void AskForArchiverLocation();
    void PlaceWindow(const RECT& stored);
    Settings CurrentSettings() const;
    void ApplyFont();
    void RefreshMenu();

    // Handlers, named after their command.
    void OnCommand(unsigned id);
    LRESULT OnNotify(NMHDR& header);
    void OnClose();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void WMDropFiles(HDROP drop);
    void ListViewKeyDown(WORD key);
    void S_DeleteNumClick();
    void S_ClearClick();
    void S_StartClick();
    void S_AboutClick();
    void S_ReadmetxtClick();
    void S_ExitClick();
    void S_ProfileClick(int profileNo);
    void S_EditProfileClick();
    void S_SavePathClick();
    void S_ClearEndClick();
    void FormClose();
    void OnInitMenuPopup(HMENU popup);
    void ShowRows();
    bool Busy() const { return intake_.Busy() || running_; }
    void CloseIfPending();

    // Drop intake, on behalf of the model.
    bool IsDirectory(const std::wstring& path) override;
    std::optional<std::wstring> AskArchivePath(const SaveDialogRequest& request) override;
    void Breathe() override;
    void RowsAppended() override;

    // Compression runs, on behalf of the model.
    std::wstring ProgramDirectory() override;
    void WriteFile(const std::wstring& path, const std::string& bytes) override;
    std::optional<std::uint32_t> RunArchiver(const std::wstring& commandLine) override;
    void ShowStartFailed() override;
    bool Confirm(std::wstring_view question) override;
    void Inform(std::wstring_view text, std::wstring_view caption) override;
    void StatusesChanged(const std::vector<std::size_t>& rows) override;
    void RowsCleared() override;

    AppModel model_;
    DropIntake intake_{model_, *this};
    WindowsCodePage codePage_;
    bool running_ = false;
    // A close asked for while a drop comes in or a run goes on waits until it is done.
    bool closePending_ = false;
    std::chrono::steady_clock::time_point lastBreath_;
    HWND window_ = nullptr; // destroyed by the close path, or by the destructor
    std::unique_ptr<JobListView> listView_;
    std::unique_ptr<AboutWindow> about_;
    UniqueFont font_;
    UINT dpi_ = 96;
};

} // namespace velkin::win
