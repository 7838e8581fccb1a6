// What the model asks of the main window: the drop intake's questions and pacing, and a run's
// files, archiver, boxes and progress.

#include "app/main_window_win.h"

#include "app/main_dialogs_win.h"
#include "base/message_texts.h"
#include "base/scope_exit.h"
#include "base/velkin_error.h"
#include "platform/archiver_process.h"
#include "platform/dropped_files.h"
#include "platform/message_boxes.h"
#include "platform/message_loop.h"
#include "platform/program_directory.h"
#include "platform/text_file.h"
#include "platform/unique_handle.h"

namespace velkin::win {
namespace {

// Yes and No, the information icon, No as the default.
constexpr UINT kConfirmFlags = MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2;

} // namespace

// Drop intake, on behalf of the model.

bool MainWindow::IsDirectory(const std::wstring& path) {
    return IsExistingDirectory(path);
}

std::optional<std::wstring> MainWindow::AskArchivePath(const SaveDialogRequest& request) {
    return win::AskArchivePath(handle(), request);
}

void MainWindow::Breathe() {
    // The queue is kept a few rows at a time, so that its work falls within the breaths' pace.
    queueKeeper_.RowsTakenIn();
    if (!pace_.BreathDue()) {
        return;
    }
    if (pace_.ShowDue(listView_->AppendedRowsInView(), IntakePace::Clock::now())) {
        listView_->ShowAppendedRows();
    }
    ProcessPendingMessagesFor(IntakePace::kMostMessageTime);
    pace_.Breathed(IntakePace::Clock::now());
}

void MainWindow::RowsAppended() {
    queueKeeper_.DropTakenIn();
    listView_->ShowAppendedRows();
}

// Compression runs, on behalf of the model.

std::wstring MainWindow::ProgramDirectory() {
    return win::ProgramDirectory();
}

FileHold MainWindow::WriteFile(const std::wstring& path, const FileWriter& write) {
    return std::make_shared<UniqueFileHandle>(WriteAndHoldFile(path, write));
}

ProcessEnd MainWindow::RunArchiver(const std::wstring& commandLine) {
    // The disabled window is what keeps commands away while the archiver works.
    ::EnableWindow(handle(), FALSE);
    const ScopeExit enable([window = handle()] { ::EnableWindow(window, TRUE); });
    if (!foregroundWatch_) {
        foregroundWatch_ = std::make_unique<ForegroundWatch>(handle());
    }
    return RunAndWait(commandLine, *foregroundWatch_);
}

void MainWindow::ShowStartFailed() {
    ShowMessageBox(handle(), text::kArchiverStartFailed, text::kApplicationTitle, MB_OK);
}

bool MainWindow::Confirm(std::wstring_view question) {
    return ShowMessageBox(handle(), question, text::kConfirmCaption, kConfirmFlags) == IDYES;
}

void MainWindow::Inform(std::wstring_view message, std::wstring_view caption) {
    ShowMessageBox(handle(), message, caption, MB_OK | MB_ICONINFORMATION);
}

void MainWindow::StatusesChanged(const std::vector<std::size_t>& rows) {
    listView_->RedrawRows(rows);
}

void MainWindow::RowsCleared() {
    queueKeeper_.Cleared();
    listView_->ShowAllRows();
}

void MainWindow::RunProgressed(const RunProgress& progress) {
    taskbar_->ShowProgress(progress.done, progress.total, progress.failed);
}

void MainWindow::GroupStarted(std::int32_t n) {
    queueKeeper_.GroupStarted(n);
}

void MainWindow::GroupEnded(std::int32_t n, bool done) {
    if (done) {
        queueKeeper_.GroupDone(n);
    }
}

bool MainWindow::StopRequested() {
    return closeStopsRun_;
}

bool MainWindow::ContinueAfterBreak(std::int32_t groupsLeft) {
    return ShowMessageBox(handle(), FormatCounts(text::kContinueAfterBreak, {groupsLeft}),
                          text::kApplicationTitle,
                          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void MainWindow::RunStopped() {
    queueKeeper_.RunStopped();
    listView_->ShowAllRows();
}

void MainWindow::RunEnded() {
    const bool userLeft = foregroundWatch_ && foregroundWatch_->UserLeft();
    foregroundWatch_.reset();
    taskbar_->EndProgress(userLeft);
}

} // namespace velkin::win
