#pragma once

#include <windows.h>

#include <memory>

#include "app/deferred_close.h"
#include "app/job_list_view_win.h"
#include "app/progress_window_win.h"
#include "joblist/queue_keeper.h"
#include "platform/foreground_watch.h"
#include "platform/taskbar_button.h"
#include "runner/group_run.h"

namespace velkin::win {

// What one run asks of the main window: the list file, the archiver with the window disabled
// while it works (a console archiver with the progress window, whose 中止 stops it), the boxes,
// the rows' statuses, the progress on the taskbar button, and whether a close stops it. The
// queue file is told of every group that starts and ends.
class WindowRunHost final : public RunHost {
public:
    WindowRunHost(HWND window, QueueKeeper& keeper, JobListView& list, TaskbarButton& taskbar,
                  const DeferredClose& close)
        : window_(window), keeper_(keeper), list_(list), taskbar_(taskbar), close_(close) {}

    std::wstring ProgramDirectory() override;
    FileHold WriteFile(const std::wstring& path, const FileWriter& write) override;
    ProgramSubsystem ArchiverSubsystem(const std::wstring& archiverPath) override;
    ArchiverRun RunArchiver(const ArchiverStart& start) override;
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

private:
    HWND window_;
    QueueKeeper& keeper_;
    JobListView& list_;
    TaskbarButton& taskbar_;
    const DeferredClose& close_;
    // While an archiver runs: whether the user went to another program.
    std::unique_ptr<ForegroundWatch> foregroundWatch_;
    // While a console archiver's run goes on: the window that shows its progress.
    std::unique_ptr<ProgressWindow> progress_;
    RunProgress runProgress_;
};

} // namespace velkin::win
