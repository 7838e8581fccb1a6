#include "runner/group_run.h"

#include "base/integer_text.h"
#include "base/message_texts.h"
#include "base/scope_exit.h"
#include "base/velkin_error.h"
#include "joblist/drop_groups.h"
#include "runner/exit_status.h"
#include "runner/seven_zip_list_file.h"

namespace velkin {
namespace {

// A group's lines where its rows keep them.
class GroupLines final : public ListFileLines {
public:
    GroupLines(const JobRows& rows, const std::vector<std::size_t>& group)
        : rows_(rows), group_(group) {}
    std::size_t Count() const override { return group_.size(); }
    ListFileLine At(std::size_t n) const override {
        // The lines are asked for in order and a group's rows mostly follow each other:
        // stepping to the next row costs less than finding a row of a deque by its position.
        const std::size_t position = group_[n];
        if (position == at_ + 1 && at_ != kNone) {
            ++row_;
        } else {
            row_ = rows_.begin() + static_cast<std::ptrdiff_t>(position);
        }
        at_ = position;
        return {row_->Folder(), row_->FileName()};
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    const JobRows& rows_;
    const std::vector<std::size_t>& group_;
    mutable JobRows::const_iterator row_;
    mutable std::size_t at_ = kNone;
};

void SetStatus(RunModel& model, const std::vector<std::size_t>& rows, std::wstring_view status) {
    for (const auto row : rows) {
        // Rows only ever join the list at its end while a group runs, so positions hold.
        if (row < model.rows.size()) {
            model.rows[row].status = status;
        }
    }
}

} // namespace

GroupSelection SelectGroup(const RunModel& model, std::int32_t n) {
    GroupSelection group;
    const std::wstring number = DecimalText(n);
    // Every row's profile number is read, as an unreadable one ends the run; the rows of a drop
    // share that text, so it is read once a drop.
    const std::wstring* profileText = nullptr;
    std::int32_t profileNo = 0;
    // Walked in order: finding a row of a deque by its position costs more than reading it.
    std::size_t at = 0;
    for (const JobRow& row : model.rows) {
        const std::size_t position = at++;
        if (row.dropNumber != number) {
            continue;
        }
        group.rows.push_back(position);
        if (&row.ProfileNumber() != profileText) {
            profileText = &row.ProfileNumber();
            profileNo = ParseStrictInteger(*profileText);
        }
    }
    if (!group.rows.empty()) {
        group.switches = model.profiles.Option(profileNo);
        group.archivePath = model.rows[group.rows.back()].Destination();
    }
    return group;
}

ListFileEncoding WriteGroupListFile(const RunModel& model, const GroupSelection& group,
                                    const CodePage& codePage, ByteSink& sink) {
    const GroupLines lines(model.rows, group.rows);
    if (model.archiverKind() == ArchiverKind::SevenZip) {
        return WriteSevenZipListFile(lines, group.switches, codePage, sink);
    }
    return WriteListFile(lines, codePage, sink);
}

ListFile GroupListFile(const RunModel& model, const GroupSelection& group,
                       const CodePage& codePage) {
    StringSink sink;
    const ListFileEncoding encoding = WriteGroupListFile(model, group, codePage, sink);
    return ListFile{encoding, std::move(sink.bytes())};
}

GroupOutcome CompressGroup(RunModel& model, RunHost& host, const CodePage& codePage, std::int32_t n,
                           RunState& run) {
    GroupSelection group = SelectGroup(model, n);
    const ArchiverKind archiver = model.archiverKind();
    if (archiver == ArchiverKind::WinRar) {
        // Judged as the group starts, like the bound of the run.
        const bool lastGroup = n + 1 == model.dropCount;
        group.switches = run.powerOff.SwitchesFor(group.switches, lastGroup);
    }

    // The command line and the list file come first: when either cannot be made the rows keep
    // the status they had. The list file is held until the archiver has ended, so that nothing
    // else can change what it reads.
    const std::wstring directory = host.ProgramDirectory();
    const std::wstring listFilePath = directory + std::wstring(kListFileName);
    const bool console = run.subsystem == ProgramSubsystem::Console;
    const bool sevenZipConsole = console && archiver == ArchiverKind::SevenZip;
    ArchiverStart start{BuildArchiverCommandLine(
                            {model.winRarPath, group.switches, group.archivePath, listFilePath,
                             sevenZipConsole ? kSevenZipConsoleSwitches : std::wstring_view()}),
                        run.subsystem,
                        sevenZipConsole,
                        n + 1,
                        model.dropCount,
                        group.archivePath};
    FileHold listFile = host.WriteFile(listFilePath, [&](ByteSink& sink) {
        if (WriteGroupListFile(model, group, codePage, sink) == ListFileEncoding::Unwritable) {
            throw Error(FormatMessageText(text::kCannotCreateFile, listFilePath));
        }
    });

    SetStatus(model, group.rows, text::kStatusRunning);
    host.StatusesChanged(group.rows);
    host.GroupStarted(n);

    ArchiverRun ran = host.RunArchiver(start);
    listFile.reset();
    const ProcessEnd end = ran.end;
    const std::wstring status = StatusAfterRun(end, archiver);
    SetStatus(model, group.rows, status);
    const auto log = std::make_shared<const GroupLog>(GroupLog{
        std::move(start.commandLine), end, status, std::move(ran.errors), std::move(ran.printed)});
    for (const auto row : group.rows) {
        if (row < model.rows.size()) {
            model.rows[row].log = log;
        }
    }
    host.StatusesChanged(group.rows);
    const GroupOutcome outcome{status == text::kStatusDone, end.kind == ProcessEnd::Kind::Exited &&
                                                                end.exitCode == kUserBreakExitCode};
    host.GroupEnded(n, outcome.done);
    if (end.kind == ProcessEnd::Kind::NotStarted) {
        host.ShowStartFailed();
    }
    return outcome;
}

void StartCommand(RunModel& model, RunHost& host, const CodePage& codePage) {
    if (model.rows.empty()) {
        return;
    }
    if (!host.Confirm(text::kConfirmStart)) {
        return;
    }
    bool stopped = false;
    {
        const ScopeExit ended([&host] { host.RunEnded(); });
        RunState run{host.ArchiverSubsystem(model.winRarPath), {}};
        RunProgress progress{0, model.dropCount, false};
        host.RunProgressed(progress);
        for (std::int32_t n = 0; n != model.dropCount && !stopped; ++n) {
            if (host.StopRequested()) {
                stopped = true;
                break;
            }
            const GroupOutcome outcome = CompressGroup(model, host, codePage, n, run);
            progress.failed = !outcome.done || progress.failed;
            progress.done = n + 1;
            progress.total = model.dropCount;
            host.RunProgressed(progress);
            const std::int32_t left = model.dropCount - (n + 1);
            stopped = outcome.userBreak && left > 0 && !host.ContinueAfterBreak(left);
        }
    }
    if (stopped) {
        KeepRowsToDo(model.rows, model.dropCount);
        host.RunStopped();
        return;
    }
    if (model.clearEnd) {
        model.Clear();
        host.RowsCleared();
    } else {
        host.Inform(text::kClearByHand, text::kClearByHandCaption);
    }
}

} // namespace velkin
