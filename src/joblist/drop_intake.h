#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/path_source.h"
#include "joblist/archive_naming.h"
#include "joblist/job_list.h"

namespace velkin {

// What taking in a drop needs from the platform.
class DropIntakeHost {
public:
    virtual ~DropIntakeHost() = default;

    // Whether the path names an existing folder; a path that cannot be read is no folder.
    virtual bool IsDirectory(const std::wstring& path) = 0;
    // The save dialog; the chosen full path, or nothing when the user cancelled.
    virtual std::optional<std::wstring> AskArchivePath(const SaveDialogRequest& request) = 0;
    // The folder picker, for a drop whose items each get an archive; the chosen folder, or
    // nothing when the user cancelled.
    virtual std::optional<std::wstring> AskArchiveFolder(const std::wstring& initialFolder) = 0;
    // The text in upper case as the file system compares names (see DistinctArchiveNames).
    virtual std::wstring UpperCase(std::wstring_view text) = 0;
    // Called after every row: the host lets the window handle what is waiting whenever it has
    // not done so for a while, showing the rows added so far.
    virtual void Breathe() = 0;
    // Every row of a drop is in the model.
    virtual void RowsAppended() = 0;
};

// Turns drops into job rows: one drop, one drop number, one profile number, one destination.
// With the option of an archive for every item, each item of a drop is a group of its own, with
// a drop number and a destination of its own, in the drop's order.
class DropIntake {
public:
    // How a drop's items make groups: as the option says when it arrives, or all in one whatever
    // it says (each path that "/each" names is a drop of its own, as it always was).
    enum class Grouping { AsChosen, Whole };

    DropIntake(JobList& model, DropIntakeHost& host) : model_(model), host_(host) {}

    // Takes in the drop with what the user has chosen at this moment: the selected profile, the
    // archive type its text asks for, whether to ask for the archive path, and whether every item
    // gets an archive. A drop that
    // arrives while another is being taken in (the window keeps handling messages meanwhile)
    // or while the intake is held waits, keeping those choices, and is taken in after it,
    // whole, in arrival order. Its paths are read one at a time, between rows.
    void Receive(std::unique_ptr<PathSource> paths, Grouping grouping = Grouping::AsChosen);
    void Receive(std::vector<std::wstring> paths, Grouping grouping = Grouping::AsChosen);

    // While the intake is held (a command that changes the rows is under way), drops wait.
    // Releasing takes nothing in; the holder calls TakeInWaiting once it is done.
    void Hold() { ++holds_; }
    void Release() { --holds_; }
    // Takes in the drops that wait, unless the intake is held or already at work.
    void TakeInWaiting();

    bool Busy() const { return busy_; }
    // Whether drops wait to be taken in, and whether TakeInWaiting would take them in now.
    bool HasWaiting() const { return !pending_.empty(); }
    bool CanTakeIn() const { return !busy_ && holds_ == 0; }

private:
    struct Arrival {
        std::unique_ptr<PathSource> paths;
        int profileNo;
        ArchiverKind archiver;
        ArchiveType type;
        bool askArchivePath;
        bool eachItem;
    };

    void TakeIn(Arrival& drop);
    void TakeInEachItem(Arrival& drop);

    JobList& model_;
    DropIntakeHost& host_;
    std::deque<Arrival> pending_;
    bool busy_ = false;
    int holds_ = 0;
};

} // namespace velkin
