#include "app/run_host_win.h"

#include "app/main_dialogs_win.h"
#include "base/message_texts.h"
#include "base/scope_exit.h"
#include "base/utf8.h"
#include "base/velkin_error.h"
#include "platform/archiver_process.h"
#include "platform/message_boxes.h"
#include "platform/program_directory.h"
#include "platform/program_file.h"
#include "platform/text_file.h"
#include "platform/unique_handle.h"

namespace velkin::win {

std::wstring WindowRunHost::ProgramDirectory() {
    return win::ProgramDirectory();
}

FileHold WindowRunHost::WriteFile(const std::wstring& path, const FileWriter& write) {
    return std::make_shared<UniqueFileHandle>(WriteAndHoldFile(path, write));
}

namespace {

// Text in the OEM code page, as a console program other than the 7-Zip family's prints it.
std::wstring DecodeOem(std::string_view bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int size = static_cast<int>(bytes.size());
    const int length = ::MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), size, text.data(), length);
    return text;
}

// The progress of a console archiver, shown nowhere yet.
class IgnoredProgress final : public ConsoleRunWatch {
public:
    void Progressed(const ConsoleProgress&) override {}
};

} // namespace

ProgramSubsystem WindowRunHost::ArchiverSubsystem(const std::wstring& archiverPath) {
    return ProgramSubsystemOf(archiverPath);
}

ArchiverRun WindowRunHost::RunArchiver(const ArchiverStart& start) {
    // The disabled window is what keeps commands away while the archiver works.
    ::EnableWindow(window_, FALSE);
    const ScopeExit enable([window = window_] { ::EnableWindow(window, TRUE); });
    if (!foregroundWatch_) {
        foregroundWatch_ = std::make_unique<ForegroundWatch>(window_);
    }
    if (start.subsystem != ProgramSubsystem::Console) {
        return {RunAndWait(start.commandLine, *foregroundWatch_), {}, {}};
    }
    IgnoredProgress progress;
    ConsoleRunEnd ended = RunConsoleAndWait(start.commandLine, *foregroundWatch_, progress);
    const auto decode = start.printsUtf8 ? &DecodeUtf8 : &DecodeOem;
    return {ended.end, decode(ended.printed), decode(ended.errors)};
}

void WindowRunHost::ShowStartFailed() {
    ShowMessageBox(window_, text::kArchiverStartFailed, text::kApplicationTitle, MB_OK);
}

bool WindowRunHost::Confirm(std::wstring_view question) {
    return AskConfirmation(window_, question);
}

void WindowRunHost::Inform(std::wstring_view message, std::wstring_view caption) {
    ShowMessageBox(window_, message, caption, MB_OK | MB_ICONINFORMATION);
}

void WindowRunHost::StatusesChanged(const std::vector<std::size_t>& rows) {
    list_.RedrawRows(rows);
}

void WindowRunHost::RowsCleared() {
    keeper_.Cleared();
    list_.ShowAllRows();
}

void WindowRunHost::RunProgressed(const RunProgress& progress) {
    taskbar_.ShowProgress(progress.done, progress.total, progress.failed);
}

void WindowRunHost::GroupStarted(std::int32_t n) {
    keeper_.GroupStarted(n);
}

void WindowRunHost::GroupEnded(std::int32_t n, bool done) {
    if (done) {
        keeper_.GroupDone(n);
    }
}

bool WindowRunHost::StopRequested() {
    return close_.stopsRun();
}

bool WindowRunHost::ContinueAfterBreak(std::int32_t groupsLeft) {
    return ShowMessageBox(window_, FormatCounts(text::kContinueAfterBreak, {groupsLeft}),
                          text::kApplicationTitle,
                          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void WindowRunHost::RunStopped() {
    keeper_.RunStopped();
    list_.ShowAllRows();
}

void WindowRunHost::RunEnded() {
    const bool userLeft = foregroundWatch_ && foregroundWatch_->UserLeft();
    foregroundWatch_.reset();
    taskbar_.EndProgress(userLeft);
}

} // namespace velkin::win
