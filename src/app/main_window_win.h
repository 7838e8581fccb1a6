#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>

#include "app/app_model.h"
#include "app/job_list_view_win.h"
#include "platform/unique_handle.h"

namespace velkin::win {

// VLKN_MAIN: the main window with its job list and menu. It shows the model and turns the
// user's commands into changes of it.
class MainWindow {
public:
    explicit MainWindow(HINSTANCE instance);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND handle() const { return window_; }
    void Show(int showCommand);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void ApplyStartupSettings();
    void ApplyFont();
    void RefreshMenu();

    // Handlers, named after their command.
    void OnCommand(unsigned id);
    LRESULT OnNotify(NMHDR& header);
    void OnClose();
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void WMDropFiles(HDROP drop);
    void ListViewKeyDown(WORD key);
    void S_ExitClick();
    void S_ProfileClick(int profileNo);
    void S_EditProfileClick();
    void S_SavePathClick();
    void S_ClearEndClick();
    void FormClose();

    AppModel model_;
    HWND window_ = nullptr; // destroyed by the close path, or by the destructor
    std::unique_ptr<JobListView> listView_;
    UniqueFont font_;
    UINT dpi_ = 96;
};

} // namespace velkin::win
