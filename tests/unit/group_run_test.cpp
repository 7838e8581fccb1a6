#include <doctest/doctest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/velkin_error.h"
#include "runner/exit_status.h"
#include "runner/group_run.h"

namespace velkin {
namespace {

class AsciiCodePage final : public CodePage {
public:
    std::optional<std::string> ToAnsi(std::wstring_view text) const override {
        std::string bytes;
        for (const wchar_t c : text) {
            if (c >= 0x80) {
                return std::nullopt;
            }
            bytes += static_cast<char>(c);
        }
        return bytes;
    }
};

ProcessEnd Exited(std::uint32_t exitCode) {
    return {ProcessEnd::Kind::Exited, exitCode};
}

// Records what a run does, in order, and answers as a test tells it to.
class FakeRunHost final : public RunHost {
public:
    std::vector<std::string> events;
    std::vector<std::string> listFiles;
    std::vector<std::wstring> commandLines;
    std::vector<ArchiverStart> starts;
    ProgramSubsystem subsystem = ProgramSubsystem::Window;
    std::vector<std::vector<std::wstring>> statusesWhileRunning;
    std::function<ProcessEnd(std::size_t run)> archiver = [](std::size_t) { return Exited(0); };
    bool consent = true;
    bool listFileFails = false;
    RunModel* model = nullptr;

    std::wstring ProgramDirectory() override { return L"C:\\Velkin dir\\"; }
    FileHold WriteFile(const std::wstring& path, const FileWriter& write) override {
        events.push_back("write");
        if (listFileFails) {
            throw Error(FormatMessageText(L"ファイル %s を作成できません", path));
        }
        CHECK(path == L"C:\\Velkin dir\\Velkin.lst");
        StringSink sink;
        write(sink);
        listFiles.push_back(sink.bytes());
        return FileHold(
            this, [](void* host) { static_cast<FakeRunHost*>(host)->events.push_back("release"); });
    }
    ProgramSubsystem ArchiverSubsystem(const std::wstring& path) override {
        CHECK(path == model->winRarPath);
        return subsystem;
    }
    ArchiverRun RunArchiver(const ArchiverStart& start) override {
        events.push_back("run");
        commandLines.push_back(start.commandLine);
        starts.push_back(start);
        std::vector<std::wstring> statuses;
        for (const auto& row : model->rows) {
            statuses.push_back(row.status);
        }
        statusesWhileRunning.push_back(statuses);
        return {archiver(commandLines.size() - 1), L"printed " + start.archivePath,
                L"errors " + start.archivePath};
    }
    void ShowStartFailed() override { events.push_back("start failed"); }
    bool Confirm(std::wstring_view question) override {
        CHECK(question == L"圧縮を開始します。\n宜しいですか?");
        events.push_back("confirm");
        return consent;
    }
    void Inform(std::wstring_view text, std::wstring_view caption) override {
        CHECK(text == L"続けて登録と圧縮する場合はリストをクリアして下さい。");
        CHECK(caption == L"手動でクリアして下さい");
        events.push_back("inform");
    }
    void StatusesChanged(const std::vector<std::size_t>& rows) override {
        for (const auto row : rows) {
            CHECK(row < model->rows.size());
        }
        statusNotices.push_back(rows);
    }
    void RowsCleared() override { events.push_back("cleared"); }
    void RunProgressed(const RunProgress& progress) override {
        events.push_back("progress " + std::to_string(progress.done) + "/" +
                         std::to_string(progress.total) + (progress.failed ? " failed" : ""));
    }
    void RunEnded() override { events.push_back("ended"); }
    void GroupStarted(std::int32_t n) override { groups.push_back("started " + std::to_string(n)); }
    void GroupEnded(std::int32_t n, bool done) override {
        groups.push_back("ended " + std::to_string(n) + (done ? " done" : ""));
        ++groupsEnded;
    }
    bool StopRequested() override { return stopAfter >= 0 && groupsEnded >= stopAfter; }
    bool ContinueAfterBreak(std::int32_t left) override {
        events.push_back("go on with " + std::to_string(left) + "?");
        return goOn;
    }
    void RunStopped() override { events.push_back("stopped"); }
    std::vector<std::vector<std::size_t>> statusNotices;
    std::vector<std::string> groups;
    int groupsEnded = 0;
    int stopAfter = -1; // a close asked for once this many groups have ended
    bool goOn = false;
};

JobRow Row(std::wstring number, std::wstring profile, std::wstring path, std::wstring destination) {
    return JobRow(std::move(number), std::move(profile), std::move(path), std::move(destination));
}

struct Fixture {
    RunModel model;
    FakeRunHost host;
    AsciiCodePage codePage;

    Fixture() {
        host.model = &model;
        model.winRarPath = L"C:\\PROGRA~1\\WinRAR\\WinRAR.exe";
        for (int n = 1; n <= kProfileCount; ++n) {
            model.profiles.SetText(n, L"-p" + std::to_wstring(n));
        }
    }
    std::vector<std::wstring> Statuses() const {
        std::vector<std::wstring> statuses;
        for (const auto& row : model.rows) {
            statuses.push_back(row.status);
        }
        return statuses;
    }
};

using Texts = std::vector<std::wstring>;
using Events = std::vector<std::string>;

} // namespace

TEST_CASE("a group is the rows whose number text matches exactly; the last row decides") {
    Fixture f;
    f.model.rows = {
        Row(L"0", L"1", L"D:\\a", L"D:\\a.rar"), Row(L"01", L"1", L"D:\\x", L"X.rar"),
        Row(L"1", L"2", L"E:\\b", L"E:\\b.rar"), Row(L"0", L"3", L"D:\\c", L"D:\\c.zip"),
        Row(L" 0", L"1", L"D:\\y", L"Y.rar"),    Row(L"0", L"3", L"D:\\a", L"D:\\c.zip")};
    const auto group = SelectGroup(f.model, 0);
    CHECK(group.rows == std::vector<std::size_t>{0, 3, 5});
    CHECK(GroupListFile(f.model, group, f.codePage).bytes == "D:\\a\r\nD:\\c\r\nD:\\a\r\n");
    CHECK(group.switches == L"-p3");
    CHECK(group.archivePath == L"D:\\c.zip");

    const auto one = SelectGroup(f.model, 1);
    CHECK(GroupListFile(f.model, one, f.codePage).bytes == "E:\\b\r\n");
    CHECK(one.switches == L"-p2");
}

TEST_CASE("compressing a group writes the list file, then runs the archiver once") {
    Fixture f;
    f.model.rows = {Row(L"0", L"2", L"D:\\x\\a.txt", L"D:\\x\\a.rar"),
                    Row(L"0", L"2", L"D:\\x\\b c.txt", L"D:\\x\\a.rar"),
                    Row(L"0", L"2", L"D:\\x\\d", L"D:\\x\\a.rar")};
    f.model.dropCount = 1;
    RunState run;
    CHECK(CompressGroup(f.model, f.host, f.codePage, 0, run).done);
    CHECK(f.host.groups == Events{"started 0", "ended 0 done"});

    // The list file is held from its writing until the archiver has ended.
    CHECK(f.host.events == Events{"write", "run", "release"});
    REQUIRE(f.host.listFiles.size() == 1);
    CHECK(f.host.listFiles[0] == "D:\\x\\a.txt\r\nD:\\x\\b c.txt\r\nD:\\x\\d\r\n");
    REQUIRE(f.host.commandLines.size() == 1);
    CHECK(f.host.commandLines[0] == L"\"C:\\PROGRA~1\\WinRAR\\WinRAR.exe\" A -p2 \"D:\\x\\a.rar\" "
                                    L"\"@C:\\Velkin dir\\Velkin.lst\"");
    CHECK(f.host.statusesWhileRunning[0] == Texts{L"圧縮中", L"圧縮中", L"圧縮中"});
    CHECK(f.Statuses() == Texts{L"OK", L"OK", L"OK"});
    // Both changes of status are shown, each for exactly the group's rows.
    const std::vector<std::size_t> groupRows = {0, 1, 2};
    CHECK(f.host.statusNotices == std::vector<std::vector<std::size_t>>{groupRows, groupRows});
}

TEST_CASE("a console archiver of the 7-Zip family is told to print progress and UTF-8; any "
          "other start keeps its command line") {
    struct Case {
        std::wstring archiver;
        ProgramSubsystem subsystem;
        std::wstring switches;
        std::wstring added;
        bool printsUtf8;
    };
    const Case cases[] = {
        {L"C:\\7-Zip\\7z.exe", ProgramSubsystem::Console, L"-t7z -mx=9", L" -bsp1 -sccUTF-8", true},
        {L"C:\\7-Zip\\7z.exe", ProgramSubsystem::Console, L"", L" -bsp1 -sccUTF-8", true},
        {L"C:\\N\\NanaZipC.exe", ProgramSubsystem::Console, L"-tzip", L" -bsp1 -sccUTF-8", true},
        {L"C:\\7-Zip\\7zG.exe", ProgramSubsystem::Window, L"-t7z -mx=9", L"", false},
        {L"C:\\WinRAR\\Rar.exe", ProgramSubsystem::Console, L"-EP1 -S", L"", false},
        {L"C:\\WinRAR\\WinRAR.exe", ProgramSubsystem::Window, L"-EP1 -S", L"", false},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.model.winRarPath = c.archiver;
        f.model.profiles.SetText(1, c.switches);
        f.model.rows = {Row(L"0", L"1", L"D:\\a.txt", L"D:\\a.7z"),
                        Row(L"1", L"1", L"D:\\b.txt", L"D:\\b.7z")};
        f.model.dropCount = 2;
        f.host.subsystem = c.subsystem;
        StartCommand(f.model, f.host, f.codePage);
        REQUIRE(f.host.starts.size() == 2);
        const ArchiverStart& start = f.host.starts[0];
        CHECK(start.commandLine == L"\"" + c.archiver + L"\" A " + c.switches + c.added +
                                       L" \"D:\\a.7z\" \"@C:\\Velkin dir\\Velkin.lst\"");
        CHECK(start.subsystem == c.subsystem);
        CHECK(start.printsUtf8 == c.printsUtf8);
        CHECK(f.host.starts[1].group == 2);
        CHECK(f.host.starts[1].groups == 2);
        CHECK(f.host.starts[1].archivePath == L"D:\\b.7z");
    }
}

TEST_CASE("a group's rows keep its run's log, shared, through a stop that keeps them") {
    Fixture f;
    f.model.rows = {Row(L"0", L"1", L"a", L"A.rar"), Row(L"0", L"1", L"b", L"A.rar"),
                    Row(L"1", L"1", L"c", L"C.rar"), Row(L"2", L"1", L"d", L"D.rar")};
    f.model.dropCount = 3;
    f.host.archiver = [](std::size_t run) { return Exited(run == 0 ? 2u : 255u); };
    StartCommand(f.model, f.host, f.codePage);
    // The user break in the second group stops the run: the first two groups stay, the third
    // never ran.
    REQUIRE(f.model.rows.size() == 4);
    REQUIRE(f.model.rows[0].log);
    CHECK(f.model.rows[0].log == f.model.rows[1].log);
    CHECK(f.model.rows[0].log->commandLine == f.host.commandLines[0]);
    CHECK(f.model.rows[0].log->status == L"失敗 (終了コード 2: 致命的なエラー)");
    CHECK(f.model.rows[0].log->printed == L"printed A.rar");
    CHECK(f.model.rows[0].log->errors == L"errors A.rar");
    CHECK(f.model.rows[0].log->end.exitCode == 2);
    REQUIRE(f.model.rows[2].log);
    CHECK(f.model.rows[2].log->status == f.model.rows[2].status);
    CHECK(f.model.rows[2].log->printed == L"printed C.rar");
    CHECK_FALSE(f.model.rows[3].log);
}

TEST_CASE("a group's log as the log window shows it, and the first lines of its errors") {
    const GroupLog console{L"\"7z.exe\" A  \"D:\\a.7z\" \"@L\"", Exited(1),
                           L"警告 (終了コード 1: 一部のファイルが書庫に入っていません)",
                           L"\nWARNING: ファイルが見つかりません。\nD:\\日本語.txt\n\n3 more\n",
                           L"\nWARNING: x\n7-Zip\n"};
    const GroupLog window{
        L"\"WinRAR.exe\" A", {ProcessEnd::Kind::NotStarted}, L"起動失敗", L"", L""};
    struct Case {
        const GroupLog& log;
        std::size_t most;
        std::wstring text;
        std::wstring tip;
    };
    const Case cases[] = {
        {console, 2,
         L"コマンドライン: \"7z.exe\" A  \"D:\\a.7z\" \"@L\"\r\n終了コード: 1\r\n"
         L"ステータス: 警告 (終了コード 1: 一部のファイルが書庫に入っていません)\r\n\r\n\r\n"
         L"WARNING: x\r\n7-Zip\r\n",
         L"WARNING: ファイルが見つかりません。\nD:\\日本語.txt"},
        {console, 9, GroupLogText(console),
         L"WARNING: ファイルが見つかりません。\nD:\\日本語.txt\n3 more"},
        {window, 3, L"コマンドライン: \"WinRAR.exe\" A\r\nステータス: 起動失敗\r\n", L""},
    };
    for (const auto& c : cases) {
        CHECK(GroupLogText(c.log) == c.text);
        CHECK(FirstErrorLines(c.log, c.most) == c.tip);
    }
}

TEST_CASE("a group no row carries still runs, with an empty list and empty parts") {
    Fixture f;
    f.model.rows = {Row(L"7", L"1", L"D:\\a", L"D:\\a.rar")};
    RunState run;
    CompressGroup(f.model, f.host, f.codePage, 0, run);
    CHECK(f.host.listFiles == std::vector<std::string>{""});
    CHECK(f.host.commandLines[0] ==
          L"\"C:\\PROGRA~1\\WinRAR\\WinRAR.exe\" A  \"\" \"@C:\\Velkin dir\\Velkin.lst\"");
    CHECK(f.Statuses() == Texts{L""});
}

TEST_CASE("the archiver's outcome shows in the rows and in the run's progress") {
    Fixture f;
    f.model.rows = {Row(L"0", L"1", L"a", L"A.rar"), Row(L"1", L"1", L"b", L"B.rar"),
                    Row(L"2", L"1", L"c", L"C.rar"), Row(L"9", L"1", L"z", L"Z.rar")};
    f.model.dropCount = 3;
    f.model.rows.push_back(Row(L"3", L"1", L"d", L"D.rar"));
    f.model.dropCount = 4;
    f.host.archiver = [](std::size_t run) -> ProcessEnd {
        switch (run) {
        case 1:
            return {ProcessEnd::Kind::NotStarted};
        case 3:
            return {ProcessEnd::Kind::Unconfirmed};
        default:
            return Exited(run == 0 ? 0u : 2u);
        }
    };
    StartCommand(f.model, f.host, f.codePage);
    CHECK(f.Statuses() == Texts{L"OK", L"起動失敗", L"失敗 (終了コード 2: 致命的なエラー)", L"",
                                L"終了を確認できません"});
    // A failure is reported from the group it happened in on, and the run is over before the
    // closing box.
    CHECK(f.host.events == Events{"confirm",
                                  "progress 0/4",
                                  "write",
                                  "run",
                                  "release",
                                  "progress 1/4",
                                  "write",
                                  "run",
                                  "release",
                                  "start failed",
                                  "progress 2/4 failed",
                                  "write",
                                  "run",
                                  "release",
                                  "progress 3/4 failed",
                                  "write",
                                  "run",
                                  "release",
                                  "progress 4/4 failed",
                                  "ended",
                                  "inform"});
    // An exit code other than 0 fails the group as well.
    f.host.archiver = [](std::size_t) { return Exited(2); };
    RunState run;
    CHECK_FALSE(CompressGroup(f.model, f.host, f.codePage, 0, run).done);
}

TEST_CASE("a run stops after a close, or after a user break when the user says so") {
    Fixture f;
    // Groups 0 to 3; 1 and 2 share a destination, so that the numbering afresh joins them.
    f.model.rows = {Row(L"0", L"1", L"a", L"A.rar"), Row(L"1", L"1", L"b", L"B.rar"),
                    Row(L"1", L"1", L"b2", L"B.rar"), Row(L"2", L"1", L"c", L"B.rar"),
                    Row(L"3", L"1", L"d", L"D.rar")};
    f.model.dropCount = 4;
    const auto numbersAndStatuses = [&] {
        std::vector<std::wstring> shown;
        for (const auto& row : f.model.rows) {
            shown.push_back(row.dropNumber + L":" + row.FullPath() + L":" + row.status);
        }
        return shown;
    };

    SUBCASE("a close: the running group ends, no further one starts, what is left stays") {
        f.host.stopAfter = 2;
        f.host.archiver = [](std::size_t run) { return Exited(run == 0 ? 0u : 2u); };
        StartCommand(f.model, f.host, f.codePage);
        CHECK(f.host.commandLines.size() == 2);
        CHECK(numbersAndStatuses() == Texts{L"0:b:失敗 (終了コード 2: 致命的なエラー)",
                                            L"0:b2:失敗 (終了コード 2: 致命的なエラー)", L"0:c:",
                                            L"1:d:"});
        CHECK(f.model.dropCount == 2);
        CHECK(Events(f.host.events.end() - 2, f.host.events.end()) == Events{"ended", "stopped"});
    }
    SUBCASE("a user break, and No: the run stops, the stopped group stays") {
        f.host.archiver = [](std::size_t run) { return Exited(run == 1 ? 255u : 0u); };
        StartCommand(f.model, f.host, f.codePage);
        CHECK(f.host.commandLines.size() == 2);
        CHECK(numbersAndStatuses() == Texts{L"0:b:失敗 (終了コード 255: 中断されました)",
                                            L"0:b2:失敗 (終了コード 255: 中断されました)", L"0:c:",
                                            L"1:d:"});
        CHECK(Events(f.host.events.end() - 5, f.host.events.end()) ==
              Events{"release", "progress 2/4 failed", "go on with 2?", "ended", "stopped"});
        CHECK(f.host.groups == Events{"started 0", "ended 0 done", "started 1", "ended 1"});
    }
    SUBCASE("a user break, and Yes: the run goes on to its end") {
        f.host.goOn = true;
        f.host.archiver = [](std::size_t run) { return Exited(run == 0 ? 255u : 0u); };
        StartCommand(f.model, f.host, f.codePage);
        CHECK(f.host.commandLines.size() == 4);
        CHECK(f.host.events.back() == "inform");
        CHECK(f.model.rows.size() == 5);
    }
    SUBCASE("a user break of the last group asks nothing") {
        f.host.archiver = [](std::size_t run) { return Exited(run == 3 ? 255u : 0u); };
        StartCommand(f.model, f.host, f.codePage);
        CHECK(f.host.events.back() == "inform");
        CHECK(f.host.events.end()[-3] == "progress 4/4 failed");
    }
}

TEST_CASE("status texts name the failure and its code") {
    CHECK(StatusForExitCode(0) == L"OK");
    CHECK(StatusForExitCode(1) == L"失敗 (終了コード 1: 警告)");
    CHECK(StatusForExitCode(10) == L"失敗 (終了コード 10: 該当するファイルがありません)");
    CHECK(StatusForExitCode(255) == L"失敗 (終了コード 255: 中断されました)");
    CHECK(StatusForExitCode(42) == L"失敗 (終了コード 42)");
    CHECK(StatusForExitCode(0x7FFFFFFFu) == L"失敗 (終了コード 2147483647)");
    // The system's status values, in hexadecimal as its documents write them.
    CHECK(StatusForExitCode(0xC0000005u) == L"失敗 (終了コード 0xC0000005: アクセス違反)");
    CHECK(StatusForExitCode(0xC00000FDu) ==
          L"失敗 (終了コード 0xC00000FD: スタック オーバーフロー)");
    CHECK(StatusForExitCode(0xC000013Au) ==
          L"失敗 (終了コード 0xC000013A: 外部から終了されました)");
    CHECK(StatusForExitCode(0xC0000409u) == L"失敗 (終了コード 0xC0000409)");
    CHECK(StatusForExitCode(0x80000003u) == L"失敗 (終了コード 0x80000003)");
    CHECK(StatusForExitCode(0xBFFFFFFFu) == L"失敗 (終了コード 0xBFFFFFFF)");
    CHECK(StatusForExitCode(0xFFFFFFFFu) == L"失敗 (終了コード 0xFFFFFFFF)");
}

TEST_CASE("with the 7-Zip family a run follows the family's rules, not WinRAR's") {
    Fixture f;
    f.model.winRarPath = L"C:\\PROGRA~1\\7-Zip\\7z.exe";
    f.model.profiles.SetText(1, L"-tzip -ioff");
    f.model.profiles.SetText(2, L"-scsWIN");
    f.model.rows = {Row(L"0", L"1", L"D:\\\u8868.txt", L"D:\\x.zip"),
                    Row(L"1", L"1", L"D:\\b.txt", L"D:\\b.zip")};
    f.model.dropCount = 2;
    f.host.archiver = [](std::size_t run) { return Exited(run == 0 ? 1u : 0u); };
    StartCommand(f.model, f.host, f.codePage);
    // No power-off switch to carry: the switches go as written, the list in UTF-8.
    CHECK(f.host.commandLines ==
          std::vector<std::wstring>{L"\"C:\\PROGRA~1\\7-Zip\\7z.exe\" A -tzip -ioff \"D:\\x.zip\" "
                                    L"\"@C:\\Velkin dir\\Velkin.lst\"",
                                    L"\"C:\\PROGRA~1\\7-Zip\\7z.exe\" A -tzip -ioff \"D:\\b.zip\" "
                                    L"\"@C:\\Velkin dir\\Velkin.lst\""});
    CHECK(f.host.listFiles ==
          std::vector<std::string>{"D:\\\xE8\xA1\xA8.txt\r\n", "D:\\b.txt\r\n"});
    CHECK(f.Statuses() ==
          Texts{L"警告 (終了コード 1: 一部のファイルが書庫に入っていません)", L"OK"});
    CHECK(f.host.events[f.host.events.size() - 3] == "progress 2/2 failed");

    // A list the family would read other names from is not made, and nothing runs.
    f.model.rows = {Row(L"0", L"2", L"D:\\\u8868.txt", L"D:\\x.7z")};
    f.model.dropCount = 1;
    const auto runs = f.host.commandLines.size();
    RunState run;
    try {
        CompressGroup(f.model, f.host, f.codePage, 0, run);
        FAIL("the group ran");
    } catch (const Error& error) {
        CHECK(error.message() == L"ファイル C:\\Velkin dir\\Velkin.lst を作成できません");
    }
    CHECK(f.host.commandLines.size() == runs);
    CHECK(f.Statuses() == Texts{L""});
}

TEST_CASE("the Start command") {
    Fixture f;
    f.model.rows = {Row(L"0", L"1", L"a", L"A.rar"), Row(L"1", L"1", L"b", L"B.rar")};
    f.model.dropCount = 2;

    SUBCASE("an empty list asks nothing and runs nothing") {
        f.model.rows.clear();
        StartCommand(f.model, f.host, f.codePage);
        CHECK(f.host.events.empty());
    }
    SUBCASE("No changes nothing") {
        f.host.consent = false;
        StartCommand(f.model, f.host, f.codePage);
        CHECK(f.host.events == Events{"confirm"});
        CHECK(f.Statuses() == Texts{L"", L""});
    }
    SUBCASE("groups run in number order; unchecked clearing informs and keeps the rows") {
        StartCommand(f.model, f.host, f.codePage);
        CHECK(f.host.listFiles == std::vector<std::string>{"a\r\n", "b\r\n"});
        CHECK(f.host.events.back() == "inform");
        CHECK(f.model.rows.size() == 2);
        CHECK(f.model.dropCount == 2);
        // A second start runs every group again.
        StartCommand(f.model, f.host, f.codePage);
        CHECK(f.host.commandLines.size() == 4);
    }
    SUBCASE("checked clearing empties the list, also after a failed start") {
        f.model.clearEnd = true;
        f.host.archiver = [](std::size_t) { return ProcessEnd{ProcessEnd::Kind::NotStarted}; };
        StartCommand(f.model, f.host, f.codePage);
        CHECK(f.model.rows.empty());
        CHECK(f.model.dropCount == 0);
        CHECK(Events(f.host.events.end() - 4, f.host.events.end()) ==
              Events{"start failed", "progress 2/2 failed", "ended", "cleared"});
    }
    SUBCASE("a list file that cannot be written ends the whole command") {
        f.host.listFileFails = true;
        CHECK_THROWS_AS(StartCommand(f.model, f.host, f.codePage), Error);
        CHECK(f.host.events == Events{"confirm", "progress 0/2", "write", "ended"});
        CHECK(f.Statuses() == Texts{L"", L""});
        CHECK(f.model.rows.size() == 2);
    }
    SUBCASE("a drop taken in while a group runs is run as well") {
        f.host.archiver = [&](std::size_t run) {
            if (run == 0) {
                f.model.rows.push_back(Row(L"2", L"4", L"c", L"C.rar"));
                ++f.model.dropCount;
            }
            return Exited(0);
        };
        StartCommand(f.model, f.host, f.codePage);
        CHECK(f.host.commandLines.size() == 3);
        CHECK(f.host.listFiles.back() == "c\r\n");
        CHECK(f.Statuses() == Texts{L"OK", L"OK", L"OK"});
    }
}

} // namespace velkin
