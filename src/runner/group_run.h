#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_sink.h"
#include "base/code_page.h"
#include "base/process_end.h"
#include "base/program_subsystem.h"
#include "runner/power_off_switch.h"
#include "runner/archiver_command.h"
#include "runner/run_model.h"

namespace velkin {

// Keeps a file held while it lives; what holding means is the host's business.
using FileHold = std::shared_ptr<void>;
// Writes a file's bytes to the sink it is given.
using FileWriter = std::function<void(ByteSink&)>;

// How far a run has come: `done` of its `total` groups have ended, and whether one of them failed
// (its archiver could not be started or reported an error).
struct RunProgress {
    std::int32_t done = 0;
    std::int32_t total = 0;
    bool failed = false;
};

// How one group's archiver is to be started.
struct ArchiverStart {
    std::wstring commandLine;
    // A console archiver starts without a console window, its output read as it comes.
    ProgramSubsystem subsystem = ProgramSubsystem::Window;
    // A console archiver's text is UTF-8 (the 7-Zip family, told so) or in the OEM code page.
    bool printsUtf8 = false;
    // Which group of how many this is (counted from 1), and the archive it writes.
    std::int32_t group = 1;
    std::int32_t groups = 1;
    std::wstring archivePath;
};

// How the archiver ended, and what a console archiver printed: on its standard error alone, and
// on both streams, progress left out (GroupLog).
struct ArchiverRun {
    ProcessEnd end;
    std::wstring printed;
    std::wstring errors;
};

// What a compression run needs from the platform.
class RunHost {
public:
    virtual ~RunHost() = default;

    // The folder of the running program, with its trailing separator.
    virtual std::wstring ProgramDirectory() = 0;
    // Creates the file anew with exactly the bytes `write` hands its sink, a piece at a time,
    // and keeps other programs from writing it (a second Velkin in the same folder) while the
    // returned hold lives; it stays readable for the archiver. Throws the error naming the file
    // when it cannot; an error thrown by `write` leaves as it came.
    virtual FileHold WriteFile(const std::wstring& path, const FileWriter& write) = 0;
    // Which subsystem the archiver's program has, read once as a run starts.
    virtual ProgramSubsystem ArchiverSubsystem(const std::wstring& archiverPath) = 0;
    // Starts the archiver and waits until it ends, the window disabled meanwhile but still
    // handling its messages. How it ended, as far as the wait could tell.
    virtual ArchiverRun RunArchiver(const ArchiverStart& start) = 0;
    // Tells the user the archiver could not be started; returns when they dismissed it.
    virtual void ShowStartFailed() = 0;
    virtual bool Confirm(std::wstring_view question) = 0;
    virtual void Inform(std::wstring_view text, std::wstring_view caption) = 0;
    // The statuses of these rows changed; they are shown at once.
    virtual void StatusesChanged(const std::vector<std::size_t>& rows) = 0;
    // Every row was removed.
    virtual void RowsCleared() = 0;
    // The run has begun, or one of its groups has ended. The total is the drop count of that
    // moment, which a drop taken in while a group runs raises.
    virtual void RunProgressed(const RunProgress& progress) = 0;
    // The run is over: its last group has ended (the clearing or the closing box follows), it
    // was stopped, or an error ended it. Called while an error may be on its way out, so it
    // must not throw.
    virtual void RunEnded() = 0;

    // A group's archiver is about to start; it has ended, and whether its rows are archived.
    virtual void GroupStarted(std::int32_t n) = 0;
    virtual void GroupEnded(std::int32_t n, bool done) = 0;
    // Whether a close was asked for meanwhile: the run then starts no further group.
    virtual bool StopRequested() = 0;
    // The archiver said the user stopped it and this many groups are left: whether to go on.
    virtual bool ContinueAfterBreak(std::int32_t groupsLeft) = 0;
    // The run was stopped: its archived rows are gone and the rest numbered afresh.
    virtual void RunStopped() = 0;
};

// The rows of one drop group and what its run is given: rows whose drop-number text is exactly
// the decimal text of n; the last of them decides switches and archive path.
struct GroupSelection {
    std::vector<std::size_t> rows;
    std::wstring switches;
    std::wstring archivePath;
};

GroupSelection SelectGroup(const RunModel& model, std::int32_t n);

// The list file of a group: the full paths of its rows, in list order, in the form the
// model's archiver reads (WriteListFile for WinRAR, WriteSevenZipListFile for the 7-Zip family,
// which follows the group's switches).
ListFileEncoding WriteGroupListFile(const RunModel& model, const GroupSelection& group,
                                    const CodePage& codePage, ByteSink& sink);
// The same in one string.
ListFile GroupListFile(const RunModel& model, const GroupSelection& group,
                       const CodePage& codePage);

// How one group's run went: whether its rows show the done status, and whether the archiver
// said that the user stopped it (exit code 255).
struct GroupOutcome {
    bool done = false;
    bool userBreak = false;
};

// What the groups of one run share: the archiver's subsystem, read as the run starts, and
// WinRAR's power-off switch, carried to the run's last group.
struct RunState {
    ProgramSubsystem subsystem = ProgramSubsystem::Window;
    PowerOffAtEnd powerOff;
};

// Runs the archiver once for drop group n: list file, command line, start, wait, statuses, each
// by the rules of the archiver's kind; the group's rows keep the run's log.
GroupOutcome CompressGroup(RunModel& model, RunHost& host, const CodePage& codePage, std::int32_t n,
                           RunState& run);

// The Start command: after the user's consent, every group from 0 while the number differs
// from the drop count (read afresh each time), then clears the list or asks the user to. The
// host hears how far the run has come before the first group and after each one, and that it
// is over before the clearing or the closing box.
//
// A run can stop before its end: when a close was asked for (before the next group), or when
// the user stopped the archiver and does not want the groups left run. What is still to do then
// stays, numbered afresh (KeepRowsToDo), and neither the clearing nor the closing box follows.
void StartCommand(RunModel& model, RunHost& host, const CodePage& codePage);

} // namespace velkin
