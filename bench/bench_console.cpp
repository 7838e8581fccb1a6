// Runs of the real main window, in this process, with the real 7-Zip's console program
// (C:\Program Files\7-Zip\7z.exe, put there by scripts/real-7zip.sh) and its default profile:
// one group of 50 MB of random bytes next to the same 7z.exe with the same switches started by
// this program with its output to NUL; many small groups next to a bare CreateProcess loop of the
// same command lines (what Velkin adds per group: the list file, the pipes and their threads, the
// progress window, the statuses); and how long the window leaves its messages waiting while
// 7-Zip prints its progress.
// Usage: bench_console [--passes N] [--groups N] [--probe-runs N]
// Prints FIGURE lines for bench/run.sh and notes on everything else it measured.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/command_ids.h"
#include "app/main_window_win.h"
#include "base/message_texts.h"
#include "bench_win.h"
#include "run_window.h"

namespace {

using namespace bench;

constexpr wchar_t kSevenZip[] = L"C:\\Program Files\\7-Zip\\7z.exe";
// The 7-Zip default profile 1, and what Velkin adds for a console program of the family.
constexpr wchar_t kSwitches[] = L"-t7z -mx=9 -ms=on -bsp1 -sccUTF-8";
constexpr std::size_t kLargeBytes = 50 * 1024 * 1024;

// Start on one group a file, answered by the box answerer; how long the run took, every row
// checked done.
double Run(RunWindow& window, const std::vector<fs::path>& files) {
    window.Command(velkin::kCmdClear);
    window.DropGroups(files);
    const LONGLONG start = Ticks();
    window.Command(velkin::kCmdStart);
    const double ms = TicksToMs(Ticks() - start);
    window.CheckAllDone();
    return ms;
}

fs::path ArchiveOf(const fs::path& file) {
    fs::path archive = file;
    return archive.replace_extension(".7z");
}

void RemoveArchives(const std::vector<fs::path>& files) {
    for (const auto& file : files) {
        std::error_code ignored;
        fs::remove(ArchiveOf(file), ignored);
    }
}

// 7z.exe started by this program as Velkin starts it (no console window, standard input from
// NUL), its output to NUL, one group after another; how long it all took.
double BareLoop(const std::vector<fs::path>& files, const fs::path& listFile) {
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    const HANDLE nothing =
        ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      &inherited, OPEN_EXISTING, 0, nullptr);
    const LONGLONG start = Ticks();
    for (const auto& file : files) {
        {
            std::ofstream out(listFile, std::ios::binary);
            // UTF-8, as Velkin writes the 7-Zip family's list.
            const std::u8string name = file.u8string();
            out << std::string(name.begin(), name.end()) << "\r\n";
        }
        std::wstring commandLine = L"\"" + std::wstring(kSevenZip) + L"\" A " + kSwitches + L" \"" +
                                   ArchiveOf(file).wstring() + L"\" \"@" + listFile.wstring() +
                                   L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nothing;
        startup.hStdOutput = nothing;
        startup.hStdError = nothing;
        PROCESS_INFORMATION process{};
        if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                              NORMAL_PRIORITY_CLASS | CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                              &process)) {
            std::fprintf(stderr, "cannot start 7z.exe (error %lu)\n", ::GetLastError());
            std::exit(1);
        }
        ::WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 1;
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        if (code != 0) {
            std::fprintf(stderr, "7z.exe ended with exit code %lu\n", code);
            std::exit(1);
        }
    }
    const double ms = TicksToMs(Ticks() - start);
    ::CloseHandle(nothing);
    return ms;
}

fs::path LargeFile(const fs::path& folder) {
    fs::create_directories(folder);
    const fs::path file = folder / L"大きい 資料.bin";
    std::mt19937_64 random(27);
    std::string bytes(kLargeBytes, '\0');
    for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
        const std::uint64_t value = random();
        std::memcpy(bytes.data() + i, &value, 8);
    }
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

std::vector<fs::path> SmallFiles(const fs::path& folder, int count) {
    fs::create_directories(folder);
    std::vector<fs::path> files;
    for (int i = 0; i < count; ++i) {
        const fs::path file = folder / (L"資料_" + std::to_wstring(i) + L".txt");
        std::ofstream(file, std::ios::binary) << std::string(1024, static_cast<char>('a' + i % 26));
        files.push_back(file);
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    int passes = 3;
    int groups = 20;
    int probeRuns = 2;
    Options()
        .Count("--passes", passes, 1)
        .Count("--groups", groups, 2)
        .Count("--probe-runs", probeRuns, 1)
        .Parse(argc, argv);
    if (::GetFileAttributesW(kSevenZip) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "no 7z.exe in C:\\Program Files\\7-Zip: run scripts/real-7zip.sh\n");
        return 1;
    }
    if (const int status = RunInPrivateFolder({}, "C:\\Program Files\\7-Zip\\7z.exe");
        status >= 0) {
        return status;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    const fs::path folder = OwnPath().parent_path();
    const std::vector<fs::path> large = {LargeFile(folder / "large")};
    const std::vector<fs::path> small = SmallFiles(folder / "small", groups);
    const fs::path bareList = folder / "bare.lst";

    BoxAnswerer answerer;
    RunWindow window;

    // The large group, through Velkin and alone, side by side, the order swapped every pass.
    std::vector<double> velkinLarge;
    std::vector<double> bareLarge;
    std::vector<double> velkinSmall;
    std::vector<double> bareSmall;
    for (int pass = 0; pass < passes; ++pass) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool velkinTurn = (turn == 0) == (pass % 2 == 0);
            RemoveArchives(large);
            RemoveArchives(small);
            if (velkinTurn) {
                velkinLarge.push_back(Run(window, large));
                velkinSmall.push_back(Run(window, small));
            } else {
                bareLarge.push_back(BareLoop(large, bareList));
                bareSmall.push_back(BareLoop(small, bareList));
            }
        }
        Note("pass %d: 50 MB group %.0f ms through Velkin, %.0f ms alone; %d small groups "
             "%.0f ms through Velkin, %.0f ms in a bare loop\n",
             pass, velkinLarge.back(), bareLarge.back(), groups, velkinSmall.back(),
             bareSmall.back());
    }
    Figure("console: 50 MB group, Velkin with 7z.exe", Format("%.0f ms", Median(velkinLarge)), "-",
           Format("median of %.0f runs: Start to the end of the run, default profile 1",
                  static_cast<double>(passes)));
    Figure("console: same, 7z.exe alone, output to NUL", Format("%.0f ms", Median(bareLarge)), "-",
           "the same switches (with -bsp1 -sccUTF-8), started by this program");
    // Each pass's pair ran side by side: their ratio and difference drift less with the load
    // of a shared machine than the medians of each side do.
    std::vector<double> ratios;
    std::vector<double> overheads;
    for (int pass = 0; pass < passes; ++pass) {
        ratios.push_back(velkinLarge[pass] / bareLarge[pass]);
        overheads.push_back((velkinSmall[pass] - bareSmall[pass]) / groups);
    }
    Figure("console: ratio Velkin / 7z.exe alone", Format("%.2f", Median(ratios)), "<= 1.05",
           Format("median of the passes' ratios; ratio of the medians %.2f",
                  Median(velkinLarge) / Median(bareLarge)));
    Figure("console: Velkin's own overhead per group", Format("%.1f ms", Median(overheads)),
           "<= 20 ms",
           Format("median of the passes' (run - bare loop) / %.0f groups of 1 KB; the run's two "
                  "boxes answered by a thread that looks every 5 ms",
                  static_cast<double>(groups)));

    // The window while 7-Zip prints its progress.
    std::vector<double> longest;
    for (int r = 0; r < probeRuns; ++r) {
        RemoveArchives(large);
        window.Command(velkin::kCmdClear);
        window.DropGroups(large);
        ResponsivenessProbe probe(window.main.handle());
        probe.Start();
        window.Command(velkin::kCmdStart);
        probe.Stop();
        window.CheckAllDone();
        longest.push_back(probe.LongestDisabledMs());
        Note("probe while 7-Zip made the 50 MB group: longest wait %.1f ms over %ld probes "
             "(%ld posted while the window was disabled)\n",
             probe.LongestDisabledMs(), probe.Handled(), probe.HandledDisabled());
    }
    Figure("console: longest message wait while 7-Zip prints",
           Format("%.0f ms", Median(longest)) + Format(" (max %.0f)", Max(longest)), "<= 50 ms",
           Format("median of %.0f runs of the 50 MB group; a message posted every 5 ms from "
                  "another thread",
                  static_cast<double>(probeRuns)));

    for (const auto& text : answerer.Answered()) {
        if (text.find(L"クリア") == std::wstring::npos &&
            text.find(L"圧縮を開始") == std::wstring::npos) {
            std::fprintf(stderr, "an unexpected message box was answered\n");
            return 1;
        }
    }
    return 0;
}
