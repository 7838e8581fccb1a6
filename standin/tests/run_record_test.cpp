#include <doctest/doctest.h>

#include "core/run_record.h"

using namespace velkin::standin;

TEST_CASE("the most serious failure decides the exit code, a forced one overrides it") {
    RunRecord record;
    CHECK(record.ExitCode() == kExitSuccess);
    record.Fail(kExitArchive, L"no archive path");
    record.Fail(kExitIncomplete, L"missing");
    CHECK(record.exitCodeChosen == kExitArchive);
    CHECK(record.errors.size() == 2);
    record.exitCodeForced = 0u;
    CHECK(record.ExitCode() == 0u);
}

TEST_CASE("what was not done is listed: -df, -ioff, ignored switches, the RAR format") {
    const auto plan = InterpretSwitches({L"-EP1", L"-S", L"-df", L"-ioff"});
    const auto notDone = NotDoneBySwitches(plan, L"D:\\out\\x.RAR");
    CHECK(notDone == std::vector<std::wstring>{
                         L"-S: ignored (solid archives do not exist in ZIP)",
                         L"-df: not acted on: files not deleted",
                         L"-ioff: not acted on: computer not turned off",
                         L"RAR format: the .rar archive holds ZIP content",
                         L"listed files never deleted or changed",
                     });
    CHECK(NotDoneBySwitches(InterpretSwitches({}), L"x.zip") ==
          std::vector<std::wstring>{L"listed files never deleted or changed"});
}

TEST_CASE("UTC time with milliseconds") {
    CHECK(FormatUtcTime(2024, 5, 6, 7, 8, 9, 12) == "2024-05-06T07:08:09.012Z");
}

TEST_CASE("the log line holds the raw line, the list bytes and the outcome") {
    RunRecord record;
    record.startTime = "2024-01-01T00:00:00.000Z";
    record.endTime = "2024-01-01T00:00:01.500Z";
    record.durationMs = 1500;
    record.processId = 42;
    record.commandLine = L"\"x.exe\" A -df \"a.zip\" \"@l.lst\"";
    record.parsed = ParseCommandLine(record.commandLine);
    record.switchPlan = InterpretSwitches(record.parsed.switchList);
    record.listBytes = std::string("C:\\a\r\n");
    record.list = DecodedList{ListEncoding::Ansi, {L"C:\\a"}, {}, {}};
    record.added.push_back({L"C:\\a", L"a", false, 3, 5});
    record.missing.push_back(L"C:\\gone");
    record.exitCodeChosen = kExitIncomplete;
    record.exitCodeForced = 9u;
    const auto line = FormatLogLine(record);
    CHECK(line.find('\n') == std::string::npos);
    CHECK(line.find(R"("commandLine":"\"x.exe\" A -df \"a.zip\" \"@l.lst\"")") !=
          std::string::npos);
    CHECK(line.find(R"("switches":"-df")") != std::string::npos);
    CHECK(line.find(R"("switchList":["-df"])") != std::string::npos);
    CHECK(line.find(R"("listFileBase64":"QzpcYQ0K")") != std::string::npos);
    CHECK(line.find(R"("listEncoding":"ansi")") != std::string::npos);
    CHECK(line.find(R"("listEntries":["C:\\a"])") != std::string::npos);
    CHECK(
        line.find(
            R"("added":[{"source":"C:\\a","name":"a","kind":"file","size":3,"compressedSize":5}])") !=
        std::string::npos);
    CHECK(line.find(R"("missing":["C:\\gone"])") != std::string::npos);
    CHECK(line.find(R"("exitCodeChosen":1,"exitCodeForced":true,"exitCode":9})") !=
          std::string::npos);
    CHECK(line.find(R"({"switch":"-df","action":"not acted on","detail":"files not deleted"})") !=
          std::string::npos);
}

TEST_CASE("a run that never read its list logs nulls, not made-up values") {
    RunRecord record;
    const auto line = FormatLogLine(record);
    CHECK(line.find(R"("listFileBase64":null)") != std::string::npos);
    CHECK(line.find(R"("listEncoding":null)") != std::string::npos);
    CHECK(line.find(R"("commandLineUnderstood":false)") != std::string::npos);
}
