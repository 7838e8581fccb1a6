#pragma once

#include <windows.h>

#include "app/intake_pace.h"
#include "app/job_list_view_win.h"
#include "joblist/drop_intake.h"
#include "joblist/queue_keeper.h"

namespace velkin::win {

// What a drop's intake asks of the main window: whether a path is a folder, the save dialog or the
// folder picker, names as the file system compares them, and
// breaths in which the window handles the messages waiting and shows the rows so far, paced so
// that the window answers however large the drop. The queue file is kept up with the rows.
class WindowIntakeHost final : public DropIntakeHost {
public:
    explicit WindowIntakeHost(QueueKeeper& keeper) : keeper_(keeper) {}

    // The window and its list, once they are made; no drop comes before.
    void Attach(HWND window, JobListView& list) {
        window_ = window;
        list_ = &list;
    }
    // A drag was dropped: the messages have waited since then.
    void DropArrived() { pace_.Restart(IntakePace::Clock::now()); }

    bool IsDirectory(const std::wstring& path) override;
    std::optional<std::wstring> AskArchivePath(const SaveDialogRequest& request) override;
    std::optional<std::wstring> AskArchiveFolder(const std::wstring& initialFolder) override;
    std::wstring UpperCase(std::wstring_view text) override;
    void Breathe() override;
    void RowsAppended() override;

private:
    QueueKeeper& keeper_;
    IntakePace pace_;
    HWND window_ = nullptr;
    JobListView* list_ = nullptr;
};

} // namespace velkin::win
