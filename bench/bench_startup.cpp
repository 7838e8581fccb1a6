// Measures how long Velkin.exe takes from CreateProcess to a visible, idle main window, side by
// side with two yardsticks built the same way: a bare window holding an owner-data list view
// (the fair one: the least a program showing such a list costs here) and a bare window alone.
// Prints the medians and the ratios of Velkin's median to theirs.
// Usage: bench_startup [--runs N] [--warmup N]
// The programs are taken from this program's folder and run from a temporary folder of their
// own, where Velkin finds a settings file that needs no questions answered at start.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "bench_win.h"

namespace {

using namespace bench;

// Far beyond a normal start; only there so that a program that never shows a window ends the
// benchmark instead of hanging it.
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 15000;

struct Program {
    std::string name;
    fs::path path;
    std::vector<double> startMs;
    std::wstring windowClass;
    int killed = 0;
};

struct FoundWindow {
    DWORD processId = 0;
    HWND window = nullptr;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM lParam) {
    auto* found = reinterpret_cast<FoundWindow*>(lParam);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    // Unowned, so that a message box or prompt of the program does not count as its window.
    if (processId == found->processId && ::IsWindowVisible(window) &&
        ::GetWindow(window, GW_OWNER) == nullptr) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

HWND VisibleMainWindow(DWORD processId) {
    FoundWindow found{processId, nullptr};
    ::EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

void Close(Program& program, const PROCESS_INFORMATION& process, HWND window) {
    if (window != nullptr) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    }
    if (::WaitForSingleObject(process.hProcess, kExitTimeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, kExitTimeoutMs);
        ++program.killed;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

// One start: the time in milliseconds, or nothing when the program showed no window.
std::optional<double> MeasureStart(Program& program, const fs::path& folder) {
    std::wstring commandLine = L"\"" + program.path.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};

    const LONGLONG start = Ticks();
    if (!::CreateProcessW(program.path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, folder.c_str(), &startup, &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", program.name.c_str(),
                     ::GetLastError());
        return std::nullopt;
    }
    HWND window = nullptr;
    LONGLONG end = 0;
    const ULONGLONG deadline = ::GetTickCount64() + kStartTimeoutMs;
    while (::GetTickCount64() < deadline) {
        // Idle first: a window that is shown but still being filled is not ready for the user.
        const ULONGLONG now = ::GetTickCount64();
        ::WaitForInputIdle(process.hProcess, static_cast<DWORD>(deadline - now));
        window = VisibleMainWindow(process.dwProcessId);
        if (window != nullptr) {
            ::WaitForInputIdle(process.hProcess, static_cast<DWORD>(deadline - now));
            end = Ticks();
            break;
        }
        if (::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
            break;
        }
        ::Sleep(1);
    }
    if (window == nullptr) {
        std::fprintf(stderr, "%s showed no window\n", program.name.c_str());
        Close(program, process, nullptr);
        return std::nullopt;
    }
    wchar_t className[256] = {};
    ::GetClassNameW(window, className, 256);
    program.windowClass = className;
    Close(program, process, window);
    return TicksToMs(end - start);
}

// A folder of the benchmark's own, with copies of both programs and Velkin's settings.
fs::path PrepareFolder(const fs::path& binaries) {
    const fs::path folder = TemporaryFolder();
    for (const char* name : {"Velkin.exe", "bare_list_window.exe", "bare_window.exe"}) {
        fs::copy_file(binaries / name, folder / name, fs::copy_options::overwrite_existing);
    }
    WriteSettings(folder, kNoArchiver);
    return folder;
}

void PrintRow(const Program& program) {
    const auto [least, most] = std::minmax_element(program.startMs.begin(), program.startMs.end());
    std::printf("%-16s %6zu %10.1f %8.1f %8.1f   %s\n", program.name.c_str(),
                program.startMs.size(), Median(program.startMs), *least, *most,
                Ascii(program.windowClass).c_str());
}

} // namespace

int main(int argc, char** argv) {
    int runs = 31;
    int warmup = 2;
    Options().Count("--runs", runs, 1).Count("--warmup", warmup).Parse(argc, argv);

    fs::path folder;
    try {
        folder = PrepareFolder(OwnPath().parent_path());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot prepare the benchmark folder: %s\n", error.what());
        return 1;
    }
    Program velkin{"Velkin.exe", folder / "Velkin.exe", {}, {}, 0};
    Program list{"bare_list_window", folder / "bare_list_window.exe", {}, {}, 0};
    Program bare{"bare_window.exe", folder / "bare_window.exe", {}, {}, 0};
    Program* const programs[] = {&velkin, &list, &bare};
    constexpr int kPrograms = 3;

    bool failed = false;
    for (int i = 0; i < warmup && !failed; ++i) {
        for (Program* program : programs) {
            failed = failed || !MeasureStart(*program, folder);
        }
    }
    // Interleaved, the order turned every round, so that a drift of the machine during the run
    // falls on all alike. Velkin's time against the list window's of the same round, too.
    std::vector<double> pairedRatios;
    for (int i = 0; i < runs && !failed; ++i) {
        for (int k = 0; k < kPrograms && !failed; ++k) {
            Program& program = *programs[(i + k) % kPrograms];
            const auto ms = MeasureStart(program, folder);
            if (!ms) {
                failed = true;
                break;
            }
            program.startMs.push_back(*ms);
        }
        if (!failed) {
            pairedRatios.push_back(velkin.startMs.back() / list.startMs.back());
        }
    }

    std::error_code ignored;
    fs::remove_all(folder, ignored);
    if (failed) {
        return 1;
    }

    std::printf("Start-up to a visible, idle main window: %d runs each, interleaved, after %d "
                "warm-up runs each\n\n",
                runs, warmup);
    std::printf("%-16s %6s %10s %8s %8s   %s\n", "program", "runs", "median ms", "min ms", "max ms",
                "window class");
    for (const Program* program : programs) {
        PrintRow(*program);
    }
    const double toList = Median(velkin.startMs) / Median(list.startMs);
    const double toBare = Median(velkin.startMs) / Median(bare.startMs);
    std::printf("\nratio of medians, Velkin / list window: %.2f (aim: at most 1.10); median of the "
                "rounds' own ratios %.2f (min %.2f, max %.2f)\n",
                toList, Median(pairedRatios), Min(pairedRatios), Max(pairedRatios));
    std::printf("ratio of medians, Velkin / bare window: %.2f\n", toBare);
    // The lines bench/run.sh gathers into its table.
    Figure("start-up: Velkin.exe to visible, idle window",
           Format("%.0f ms", Median(velkin.startMs)), "-",
           Format("median of %.0f starts, interleaved with both yardsticks", runs));
    Figure("start-up: bare window with an owner-data list view",
           Format("%.0f ms", Median(list.startMs)), "-",
           "median; built as Velkin is: the least such a program costs here");
    Figure("start-up: bare window alone", Format("%.0f ms", Median(bare.startMs)), "-",
           "median; no list view, no common controls");
    Figure(
        "start-up: ratio Velkin / list-view window", Format("%.2f", toList), "<= 1.10",
        Format("ratio of the medians; the rounds' own ratios: median %.2f", Median(pairedRatios)));
    Figure("start-up: ratio Velkin / bare window", Format("%.2f", toBare), "-",
           "ratio of the medians");
    for (const Program* program : programs) {
        if (program->killed > 0) {
            std::printf("%s did not end on WM_CLOSE %d time(s) and was terminated\n",
                        program->name.c_str(), program->killed);
        }
    }
    return 0;
}
