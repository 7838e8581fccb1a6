#include "runner/group_run.h"

#include "base/integer_text.h"
#include "base/message_texts.h"
#include "base/velkin_error.h"
#include "runner/archiver_command.h"
#include "runner/exit_status.h"

namespace velkin {
namespace {

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
    for (std::size_t at = 0; at < model.rows.size(); ++at) {
        const JobRow& row = model.rows[at];
        if (row.dropNumber != number) {
            continue;
        }
        group.rows.push_back(at);
        group.paths.push_back(row.FullPath());
        group.switches = model.profiles.Option(ParseStrictInteger(row.profileNumber));
        group.archivePath = row.Destination();
    }
    return group;
}

void CompressGroup(RunModel& model, RunHost& host, const CodePage& codePage, std::int32_t n,
                   PowerOffAtEnd& powerOff) {
    GroupSelection group = SelectGroup(model, n);
    // Judged as the group starts, like the bound of the run.
    const bool lastGroup = n + 1 == model.dropCount;
    group.switches = powerOff.SwitchesFor(group.switches, lastGroup);

    // The list file comes first: when it cannot be written the rows keep the status they had.
    // It is held until the archiver has ended, so that nothing else can change what it reads.
    const std::wstring directory = host.ProgramDirectory();
    const std::wstring listFilePath = directory + std::wstring(kListFileName);
    FileHold listFile = host.WriteFile(listFilePath, BuildListFile(group.paths, codePage).bytes);

    SetStatus(model, group.rows, text::kStatusRunning);
    host.StatusesChanged(group.rows);

    const std::wstring commandLine = BuildArchiverCommandLine(
        {model.winRarPath, group.switches, group.archivePath, listFilePath});
    const ProcessEnd end = host.RunArchiver(commandLine);
    listFile.reset();
    SetStatus(model, group.rows, StatusAfterRun(end));
    host.StatusesChanged(group.rows);
    if (end.kind == ProcessEnd::Kind::NotStarted) {
        host.ShowStartFailed();
    }
}

void StartCommand(RunModel& model, RunHost& host, const CodePage& codePage) {
    if (model.rows.empty()) {
        return;
    }
    if (!host.Confirm(text::kConfirmStart)) {
        return;
    }
    PowerOffAtEnd powerOff;
    for (std::int32_t n = 0; n != model.dropCount; ++n) {
        CompressGroup(model, host, codePage, n, powerOff);
    }
    if (model.clearEnd) {
        model.rows.clear();
        model.dropCount = 0;
        host.RowsCleared();
    } else {
        host.Inform(text::kClearByHand, text::kClearByHandCaption);
    }
}

} // namespace velkin
