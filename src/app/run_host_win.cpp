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

using Decoder = std::wstring (*)(std::string_view);

// A console archiver's progress in the progress window and, as the running group's share of
// the run, on the taskbar button; its 中止.
class ShownProgress final : public ConsoleRunWatch {
public:
    ShownProgress(ProgressWindow& window, TaskbarButton& taskbar, const RunProgress& run,
                  Decoder decode)
        : window_(window), taskbar_(taskbar), run_(run), decode_(decode) {}
    void Progressed(const ConsoleProgress& progress) override {
        window_.Progressed(progress, decode_(progress.file));
        taskbar_.ShowProgress(run_.done * 100 + progress.percent, run_.total * 100, run_.failed);
    }
    bool StopAsked() override { return window_.stopAsked(); }

private:
    ProgressWindow& window_;
    TaskbarButton& taskbar_;
    const RunProgress& run_;
    Decoder decode_;
};

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

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
    const Decoder decode = start.printsUtf8 ? &DecodeUtf8 : &DecodeOem;
    if (!progress_) {
        progress_ = std::make_unique<ProgressWindow>(
            reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(window_, GWLP_HINSTANCE)), window_);
    }
    progress_->GroupStarted(start.group, start.groups, start.archivePath);
    const bool archiveExisted = FileExists(start.archivePath);
    ShownProgress shown(*progress_, taskbar_, runProgress_, decode);
    ConsoleRunEnd ended = RunConsoleAndWait(start.commandLine, *foregroundWatch_, shown);
    // What a stopped archiver left of an archive it was making looks whole and is not; an
    // archive that was there before the group is the user's, whatever the archiver did to it.
    const bool stopped = progress_->stopAsked() &&
                         !(ended.end.kind == ProcessEnd::Kind::Exited && ended.end.exitCode == 0);
    if (stopped && !archiveExisted) {
        ::DeleteFileW(start.archivePath.c_str());
    }
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
    runProgress_ = progress;
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
    progress_.reset();
    taskbar_.EndProgress(userLeft);
}

} // namespace velkin::win
