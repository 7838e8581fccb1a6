// Compression runs of the real main window, in this process, with the stand-in archiver: the
// time from one archiver's end to the next one's start in a run of many groups, next to the same
// gaps when this program starts the archiver itself in a bare loop (what process start and end
// cost under this system alone); and how long the window leaves its messages waiting while an
// archiver works.
// Usage: bench_run [--groups N] [--passes N] [--delay-ms MS] [--delay-groups N] [--probe-runs N]
//                  [--hidden 1]
// --passes 0 leaves out the gaps; --probe-runs repeats the run watched while archivers work.
// Prints FIGURE lines for bench/run.sh and notes on everything else it measured.
#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/main_window_win.h"
#include "base/message_texts.h"
#include "bench_win.h"
#include "run_window.h"

namespace {

using namespace bench;

constexpr wchar_t kLogVariable[] = L"VELKIN_STANDIN_LOG";
constexpr wchar_t kDelayVariable[] = L"VELKIN_STANDIN_DELAY_MS";

struct Times {
    double startMs;
    double endMs;
    unsigned exitCode;
};

// "2024-05-09T12:34:56.789Z" as milliseconds since 1970.
double ParseUtc(const std::string& text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milli = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d.%dZ", &year, &month, &day, &hour, &minute,
                    &second, &milli) != 7) {
        std::fprintf(stderr, "unreadable time in the stand-in's log: %s\n", text.c_str());
        std::exit(1);
    }
    // Days since 1970 of a civil date.
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const double days = era * 146097.0 + dayOfEra - 719468;
    return ((days * 24 + hour) * 60 + minute) * 60000.0 + second * 1000.0 + milli;
}

std::string Field(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    const auto at = line.find(key);
    if (at == std::string::npos) {
        return {};
    }
    auto begin = at + key.size();
    if (line[begin] == '"') {
        ++begin;
        return line.substr(begin, line.find('"', begin) - begin);
    }
    return line.substr(begin, line.find_first_of(",}", begin) - begin);
}

std::vector<Times> ReadLog(const fs::path& log) {
    std::vector<Times> runs;
    std::ifstream in(log, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) {
            continue;
        }
        runs.push_back({ParseUtc(Field(line, "start")), ParseUtc(Field(line, "end")),
                        static_cast<unsigned>(std::stoul(Field(line, "exitCode")))});
    }
    return runs;
}

std::vector<double> Gaps(const std::vector<Times>& runs) {
    std::vector<double> gaps;
    for (std::size_t i = 1; i < runs.size(); ++i) {
        gaps.push_back(runs[i].startMs - runs[i - 1].endMs);
    }
    return gaps;
}

void CheckExitCodes(const std::vector<Times>& runs, std::size_t expected, const char* who) {
    if (runs.size() != expected) {
        std::fprintf(stderr, "%s: the stand-in logged %zu runs, not %zu\n", who, runs.size(),
                     expected);
        std::exit(1);
    }
    for (const auto& run : runs) {
        if (run.exitCode != 0) {
            std::fprintf(stderr, "%s: a stand-in run ended with exit code %u\n", who, run.exitCode);
            std::exit(1);
        }
    }
}

std::vector<fs::path> MakeFiles(const fs::path& folder, int count) {
    fs::create_directories(folder);
    std::vector<fs::path> files;
    for (int i = 0; i < count; ++i) {
        const fs::path file = folder / (L"資料_" + std::to_wstring(i) + L".txt");
        std::ofstream out(file, std::ios::binary);
        out << std::string(1024, static_cast<char>('a' + i % 26));
        files.push_back(file);
    }
    return files;
}

// The archiver started by this program itself, one group after another, with the command line
// and list file Velkin would give it: the cost of starting and ending a process here, and
// nothing else.
void BareLoop(const fs::path& standIn, const std::vector<fs::path>& files, const fs::path& folder) {
    const fs::path listFile = folder / "bare.lst";
    for (std::size_t i = 0; i < files.size(); ++i) {
        {
            // The ANSI code page's text, as Velkin writes it; the names are inside it.
            const std::wstring name = files[i].wstring();
            std::string ansi(name.size() * 2 + 2, '\0');
            ansi.resize(static_cast<std::size_t>(::WideCharToMultiByte(
                CP_ACP, 0, name.c_str(), static_cast<int>(name.size()), ansi.data(),
                static_cast<int>(ansi.size()), nullptr, nullptr)));
            std::ofstream out(listFile, std::ios::binary);
            out << ansi << "\r\n";
        }
        fs::path archive = files[i];
        archive.replace_extension(".bare.rar");
        std::wstring commandLine = L"\"" + standIn.wstring() + L"\" A -m5 \"" + archive.wstring() +
                                   L"\" \"@" + listFile.wstring() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                              NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process)) {
            std::fprintf(stderr, "cannot start the stand-in (error %lu)\n", ::GetLastError());
            std::exit(1);
        }
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
}

} // namespace

int main(int argc, char** argv) {
    int groups = 100;
    int passes = 2;
    int delayMs = 2000;
    int delayGroups = 3;
    int probeRuns = 1;
    // A diagnosis (--hidden 1): with the window hidden nothing is painted, so the gap shows what
    // painting costs between two archivers.
    int hidden = 0;
    Options()
        .Count("--groups", groups, 2)
        .Count("--passes", passes)
        .Count("--delay-ms", delayMs)
        .Count("--delay-groups", delayGroups, 1)
        .Count("--probe-runs", probeRuns, 1)
        .Count("--hidden", hidden)
        .Parse(argc, argv);
    if (const int status = RunInPrivateFolder({"StandInArchiver.exe"}, "StandInArchiver.exe");
        status >= 0) {
        return status;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    const fs::path folder = OwnPath().parent_path();
    const std::vector<fs::path> files = MakeFiles(folder / "files", groups);

    BoxAnswerer answerer;
    RunWindow window;
    if (hidden != 0) {
        ::ShowWindow(window.main.handle(), SW_HIDE);
        Drain();
    }
    std::vector<double> velkinGaps;
    std::vector<double> bareGaps;
    std::vector<double> velkinPassMs;
    ::SetEnvironmentVariableW(kDelayVariable, nullptr);
    // Velkin's run and the bare loop side by side, the order swapped every pass.
    for (int pass = 0; pass < passes; ++pass) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool velkinTurn = (turn == 0) == (pass % 2 == 0);
            const fs::path log =
                folder / ((velkinTurn ? "velkin_" : "bare_") + std::to_string(pass) + ".jsonl");
            ::SetEnvironmentVariableW(kLogVariable, log.c_str());
            if (velkinTurn) {
                window.Command(velkin::kCmdClear);
                window.DropGroups(files);
                const LONGLONG start = Ticks();
                window.Command(velkin::kCmdStart);
                velkinPassMs.push_back(TicksToMs(Ticks() - start));
                window.CheckAllDone();
                const auto runs = ReadLog(log);
                CheckExitCodes(runs, files.size(), "Velkin");
                const auto gaps = Gaps(runs);
                velkinGaps.insert(velkinGaps.end(), gaps.begin(), gaps.end());
                Note("Velkin pass %d: %d groups, gap median %.0f ms, max %.0f ms\n", pass, groups,
                     Median(gaps), Max(gaps));
            } else {
                BareLoop(folder / "StandInArchiver.exe", files, folder);
                const auto runs = ReadLog(log);
                CheckExitCodes(runs, files.size(), "bare loop");
                const auto gaps = Gaps(runs);
                bareGaps.insert(bareGaps.end(), gaps.begin(), gaps.end());
                Note("bare loop pass %d: %d starts, gap median %.0f ms, max %.0f ms\n", pass,
                     groups, Median(gaps), Max(gaps));
            }
        }
    }
    const double velkinMedian = Median(velkinGaps);
    const double bareMedian = Median(bareGaps);
    if (passes > 0) {
        Figure("run: gap between archivers, " + std::to_string(groups) + " groups",
               Format("%.0f ms", velkinMedian) + Format(" (worst %.0f)", Max(velkinGaps)), "-",
               Format("median over %.0f gaps: one stand-in's end to the next one's start",
                      static_cast<double>(velkinGaps.size())));
        Figure("run: same gap, bare CreateProcess loop",
               Format("%.0f ms", bareMedian) + Format(" (worst %.0f)", Max(bareGaps)), "-",
               "this program starting the stand-in itself: process end and start under Wine");
        Figure("run: Velkin's own overhead per group", Format("%.0f ms", velkinMedian - bareMedian),
               "small next to the bare gap",
               Format("median gap minus bare median; ratio %.2f", velkinMedian / bareMedian));
    }

    // The window while archivers work for a while each.
    {
        ::SetEnvironmentVariableW(kDelayVariable, std::to_wstring(delayMs).c_str());
        const fs::path log = folder / "delayed.jsonl";
        ::SetEnvironmentVariableW(kLogVariable, log.c_str());
        const std::vector<fs::path> few(
            files.begin(),
            files.begin() +
                std::min<std::size_t>(files.size(), static_cast<std::size_t>(delayGroups)));
        std::vector<double> longest;
        std::vector<double> idle;
        for (int r = 0; r < probeRuns; ++r) {
            // The floor: the same probe on the idle window, for as long as the archivers take.
            {
                ResponsivenessProbe probe(window.main.handle());
                probe.Start();
                Idle(static_cast<double>(delayMs) * static_cast<double>(few.size()));
                probe.Stop();
                idle.push_back(probe.LongestMs());
            }
            std::error_code ignored;
            fs::remove(log, ignored);
            window.Command(velkin::kCmdClear);
            window.DropGroups(few);
            ResponsivenessProbe probe(window.main.handle());
            probe.Start();
            const LONGLONG start = Ticks();
            window.Command(velkin::kCmdStart);
            probe.Stop();
            window.CheckAllDone();
            const auto runs = ReadLog(log);
            CheckExitCodes(runs, few.size(), "delayed run");
            longest.push_back(probe.LongestDisabledMs());
            Note("probe while %d archivers ran %d ms each: longest wait %.1f ms over %ld probes "
                 "(%ld posted while the window was disabled); the longest of all messages waited "
                 "%.1f ms, posted %.0f ms after Start\n",
                 static_cast<int>(few.size()), delayMs, probe.LongestDisabledMs(), probe.Handled(),
                 probe.HandledDisabled(), probe.LongestMs(),
                 TicksToMs(probe.LongestPostedAt() - start));
        }
        Figure("run: longest message wait while an archiver runs",
               Format("%.0f ms", Median(longest)) + Format(" (max %.0f)", Max(longest)),
               "<= ~50 ms",
               Format("median of %.0f runs", probeRuns) +
                   Format(" of %.0f archivers", static_cast<double>(few.size())) +
                   Format(" of %.0f ms each; a message posted every 5 ms from another thread",
                          delayMs) +
                   Format("; idle window as long: %.0f ms", Median(idle)) +
                   Format(" (max %.0f)", Max(idle)));
        ::SetEnvironmentVariableW(kDelayVariable, nullptr);
    }

    for (const auto& text : answerer.Answered()) {
        if (text.find(L"クリア") == std::wstring::npos &&
            text.find(L"圧縮を開始") == std::wstring::npos) {
            std::fprintf(stderr, "an unexpected message box was answered\n");
            return 1;
        }
    }
    return 0;
}
