// The main window's handlers of its menu commands and its close: each hands the command to the
// model, the dialogs or the piece that does the work, and has the view show the outcome.

#include "app/main_window_win.h"

#include "about/readme_win.h"
#include "app/intake_hold_win.h"
#include "app/main_dialogs_win.h"
#include "app/main_menu_win.h"
#include "app/run_host_win.h"
#include "app/window_settings_win.h"
#include "base/group_log.h"
#include "base/scope_exit.h"
#include "settings/settings_file.h"

namespace velkin::win {

void MainWindow::S_ExitClick() {
    ::SendMessageW(handle(), WM_CLOSE, 0, 0);
}

void MainWindow::S_DeleteNumClick() {
    const IntakeHold hold(intake_, handle());
    edits_.DeleteGroupAt(listView_->SelectedRow(), [this](std::wstring_view question) {
        return AskConfirmation(handle(), question);
    });
}

void MainWindow::S_ClearClick() {
    const IntakeHold hold(intake_, handle());
    edits_.Clear(
        [this](std::wstring_view question) { return AskConfirmation(handle(), question); });
}

const GroupLog* MainWindow::SelectedLog() const {
    const auto row = listView_ ? listView_->SelectedRow() : std::nullopt;
    return row ? model_.rows[*row].log.get() : nullptr;
}

void MainWindow::S_ShowLogClick() {
    const GroupLog* log = SelectedLog();
    if (log == nullptr) {
        return;
    }
    if (!log_) {
        log_ = std::make_unique<LogWindow>(instance_, handle());
    }
    log_->Show(GroupLogText(*log));
}

void MainWindow::S_ProfileClick(int profileNo) {
    model_.profiles.Select(profileNo);
    RefreshMainMenu(handle(), model_);
}

void MainWindow::S_EditProfileClick() {
    // Held while the dialog is open: a save dialog for an arrival would open over it.
    const IntakeHold hold(intake_, handle());
    const auto entered = AskProfileText(handle(), model_.profiles.SelectedOption());
    if (!entered || *entered == model_.profiles.SelectedOption()) {
        return;
    }
    // The settings file is ANSI: a character it cannot hold would come back at the next start
    // as "?" or a look-alike, and every later archive would get switches the user never typed.
    if (const std::wstring notHeld = CharactersNotHeld(*entered, codePage_); !notHeld.empty()) {
        TellProfileNotStored(handle(), notHeld);
        return;
    }
    model_.profiles.ReplaceSelectedText(*entered);
    RefreshMainMenu(handle(), model_);
}

void MainWindow::S_SavePathClick() {
    model_.savePath = !model_.savePath;
    RefreshMainMenu(handle(), model_);
}

void MainWindow::S_ClearEndClick() {
    model_.clearEnd = !model_.clearEnd;
    RefreshMainMenu(handle(), model_);
}

void MainWindow::S_StartClick() {
    const IntakeHold hold(intake_, handle());
    running_ = true;
    const ScopeExit runEnds([this] {
        running_ = false;
        CloseIfPending();
    });
    WindowRunHost run(handle(), queueKeeper_, *listView_, *taskbar_, close_);
    StartCommand(model_, run, codePage_);
}

void MainWindow::S_AboutClick() {
    const IntakeHold hold(intake_, handle());
    // Made on first use, not at start-up, where it would delay the first paint for a window that
    // is hidden until asked for; then kept, hidden, and shown whenever asked for.
    if (!about_) {
        about_ = std::make_unique<AboutWindow>(instance_, handle());
    }
    about_->ShowModalAt(handle());
}

void MainWindow::S_ReadmetxtClick() {
    OpenReadme(handle());
}

void MainWindow::S_EachItemClick() {
    // A drop takes the option as it arrives: one under way keeps what it arrived with.
    model_.eachItem = !model_.eachItem;
    RefreshMainMenu(handle(), model_);
}

void MainWindow::FormClose() {
    WriteWindowSettings(handle(), *listView_, model_);
}

} // namespace velkin::win
