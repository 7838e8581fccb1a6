#include "app/intake_host_win.h"

#include "app/main_dialogs_win.h"
#include "platform/dropped_files.h"
#include "platform/message_loop.h"

namespace velkin::win {

bool WindowIntakeHost::IsDirectory(const std::wstring& path) {
    return IsExistingDirectory(path);
}

std::optional<std::wstring> WindowIntakeHost::AskArchivePath(const SaveDialogRequest& request) {
    return win::AskArchivePath(window_, request);
}

std::optional<std::wstring> WindowIntakeHost::AskArchiveFolder(const std::wstring& initialFolder) {
    return win::AskArchiveFolder(window_, initialFolder);
}

std::wstring WindowIntakeHost::UpperCase(std::wstring_view text) {
    return UpperCaseAsFileNames(text);
}

void WindowIntakeHost::Breathe() {
    // The queue is kept a few rows at a time, so that its work falls within the breaths' pace.
    keeper_.RowsTakenIn();
    if (!pace_.BreathDue()) {
        return;
    }
    if (pace_.ShowDue(list_->AppendedRowsInView(), IntakePace::Clock::now())) {
        list_->ShowAppendedRows();
    }
    ProcessPendingMessagesFor(IntakePace::kMostMessageTime);
    pace_.Breathed(IntakePace::Clock::now());
}

void WindowIntakeHost::RowsAppended() {
    keeper_.DropTakenIn();
    list_->ShowAppendedRows();
}

} // namespace velkin::win
