#include "core/run_record.h"

#include <cstdio>

#include "core/json.h"
#include "core/seven_zip.h"
#include "core/text.h"

namespace velkin::standin {
namespace {

// Which failures outrank which when a run meets several.
int Severity(std::uint32_t code) {
    switch (code) {
    case kExitSuccess:
        return 0;
    case kExitIncomplete:
        return 1;
    case kExitArchive:
        return 2;
    case kExitListFile:
        return 3;
    case kExitCommandLine:
        return 4;
    default:
        return 5;
    }
}

bool EndsWithAsciiNoCase(const std::wstring& text, std::wstring_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsAsciiNoCase(std::wstring_view(text).substr(text.size() - suffix.size()), suffix);
}

std::string SwitchEffectsJson(const SwitchPlan& plan) {
    std::vector<std::string> items;
    for (const auto& effect : plan.effects) {
        items.push_back(JsonObject()
                            .Text("switch", effect.token)
                            .Text("action", SwitchActionName(effect.action))
                            .Text("detail", effect.detail)
                            .Finish());
    }
    return JsonArray(items);
}

std::string AddedJson(const std::vector<AddedItem>& added) {
    std::vector<std::string> items;
    for (const auto& item : added) {
        items.push_back(JsonObject()
                            .Text("source", item.source)
                            .Text("name", item.name)
                            .Ascii("kind", item.folder ? "folder" : "file")
                            .Unsigned("size", item.size)
                            .Unsigned("compressedSize", item.compressedSize)
                            .Finish());
    }
    return JsonArray(items);
}

std::string SkippedJson(const std::vector<SkippedItem>& skipped) {
    std::vector<std::string> items;
    for (const auto& item : skipped) {
        items.push_back(JsonObject().Text("path", item.path).Text("reason", item.reason).Finish());
    }
    return JsonArray(items);
}

} // namespace

std::uint32_t RunRecord::ExitCode() const {
    if (exitCodeForced) {
        return *exitCodeForced;
    }
    return sevenZip ? SevenZipExitCode(exitCodeChosen) : exitCodeChosen;
}

void RunRecord::Fail(std::uint32_t code, std::wstring error) {
    errors.push_back(std::move(error));
    if (Severity(code) > Severity(exitCodeChosen)) {
        exitCodeChosen = code;
    }
}

std::vector<std::wstring> NotDoneBySwitches(const SwitchPlan& plan, const std::wstring& archive) {
    std::vector<std::wstring> notDone;
    for (const auto& effect : plan.effects) {
        if (effect.action == SwitchAction::NotActedOn) {
            notDone.push_back(effect.token + L": not acted on: " + effect.detail);
        } else if (effect.action == SwitchAction::Ignored) {
            notDone.push_back(effect.token + L": ignored (" + effect.detail + L")");
        }
    }
    if (EndsWithAsciiNoCase(archive, L".rar")) {
        notDone.push_back(L"RAR format: the .rar archive holds ZIP content");
    }
    notDone.push_back(L"listed files never deleted or changed");
    return notDone;
}

std::string FormatUtcTime(int year, int month, int day, int hour, int minute, int second,
                          int millisecond) {
    char text[40];
    std::snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", year, month, day, hour,
                  minute, second, millisecond);
    return text;
}

std::string FormatLogLine(const RunRecord& record) {
    JsonObject line;
    line.Ascii("tool", "StandInArchiver")
        .Ascii("start", record.startTime)
        .Ascii("end", record.endTime)
        .Number("durationMs", record.durationMs)
        .Unsigned("pid", record.processId)
        .Unsigned("ansiCodePage", record.ansiCodePage)
        .Text("commandLine", record.commandLine)
        .Bool("commandLineUnderstood", record.parsed.ok)
        .Text("commandLineError", record.parsed.error)
        .TextList("commandLineNotes", record.parsed.notes)
        .Text("program", record.parsed.program)
        .Text("command", record.parsed.command)
        .Text("switches", record.parsed.switches)
        .TextList("switchList", record.parsed.switchList)
        .Raw("switchEffects", SwitchEffectsJson(record.switchPlan))
        .Text("archivePath", record.parsed.archivePath)
        .Text("archiveFullPath", record.archiveFullPath)
        .Text("listFilePath", record.parsed.listFilePath);
    if (record.listBytes) {
        line.Unsigned("listFileSize", record.listBytes->size())
            .Ascii("listFileBase64", Base64(*record.listBytes));
    } else {
        line.Null("listFileSize").Null("listFileBase64");
    }
    if (record.list) {
        line.Text("listEncoding", ListEncodingName(record.list->encoding))
            .TextList("listEntries", record.list->entries)
            .TextList("listProblems", record.list->problems)
            .TextList("listNotes", record.list->notes);
    } else {
        line.Null("listEncoding")
            .Raw("listEntries", "[]")
            .Raw("listProblems", "[]")
            .Raw("listNotes", "[]");
    }
    line.Ascii("archiver", record.sevenZip ? "7-Zip family" : "WinRAR")
        .Text("archiveType", record.archiveType)
        .Ascii("archiveFormat", "zip")
        .Bool("archiveWritten", record.archiveWritten)
        .Raw("added", AddedJson(record.added))
        .TextList("missing", record.missing)
        .Raw("skipped", SkippedJson(record.skipped))
        .TextList("notDone", record.notDone)
        .TextList("notes", record.notes)
        .TextList("errors", record.errors)
        .Number("delayMs", record.delayMs)
        .Unsigned("exitCodeChosen", record.exitCodeChosen)
        .Bool("exitCodeForced", record.exitCodeForced.has_value())
        .Unsigned("exitCode", record.ExitCode());
    return line.Finish();
}

} // namespace velkin::standin
