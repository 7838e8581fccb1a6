// Drops onto the real main window, in this process: how long a shell drop of many paths takes
// until every row is in the list, next to the time only to read the paths from the drop, the
// same read through the shell's item-by-item query, and the naive way of filling a list (one
// inserted row at a time into a standard list view). Also how long the window goes without
// handling its messages during a drop, and (--memory N) what a drop of N paths costs in memory.
// With the option of an archive for every item (--each-size N): the drop as N groups next to the
// same drop as one group, and the window's message waits meanwhile; --memory-each N: the memory
// of such a drop.
//
// Usage: bench_intake [--runs N] [--sizes 10000,100000,1000000] [--query-sizes 2000,5000,10000]
//                     [--naive-sizes 1000,2000,4000] [--probe-runs N] [--each-size N]
//        bench_intake --memory N
//        bench_intake --memory-each N
// Prints FIGURE lines for bench/run.sh and notes on everything else it measured.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "app/command_ids.h"
#include "app/main_window_win.h"
#include "bench_win.h"
#include "platform/dropped_files.h"
#include "silent_host.h"

namespace {

using namespace bench;

HWND ListOf(HWND mainWindow) {
    return ::FindWindowExW(mainWindow, nullptr, WC_LISTVIEWW, nullptr);
}

struct Window {
    velkin::win::MainWindow main{::GetModuleHandleW(nullptr)};
    HWND list = nullptr;
    Window() {
        main.Show(SW_SHOWNORMAL);
        list = ListOf(main.handle());
        Drain();
    }
    int Rows() const { return ListView_GetItemCount(list); }
    // The menu's option of an archive for every item, by its command.
    void SetEachItem(bool on) {
        if (main.model().eachItem != on) {
            ::SendMessageW(main.handle(), WM_COMMAND, MAKEWPARAM(velkin::kCmdEachItem, 0), 0);
        }
        if (main.model().eachItem != on) {
            std::fprintf(stderr, "the option of an archive for every item did not change\n");
            std::exit(1);
        }
    }
    void CheckGroups(std::int32_t groups) const {
        if (main.model().dropCount != groups) {
            std::fprintf(stderr, "the drop made %d groups, not %d\n", main.model().dropCount,
                         groups);
            std::exit(1);
        }
    }
    // The list's own Clear command, its question answered by the answerer.
    void Clear() {
        if (main.model().rows.empty()) {
            return;
        }
        ::SendMessageW(main.handle(), WM_COMMAND, MAKEWPARAM(velkin::kCmdClear, 0), 0);
        Drain();
        if (!main.model().rows.empty() || Rows() != 0) {
            std::fprintf(stderr, "the list was not cleared\n");
            std::exit(1);
        }
    }
};

// The drop, from its arrival until every row is in the list and nothing waits in the queue.
// A probe, when given, watches from the moment the drop is ready to be delivered: building it
// here is the shell's work, and the window is not pumping meanwhile.
// The paths are PathAt's, which name nothing on the disk, unless given.
double TimeIntake(Window& window, int count, ResponsivenessProbe* probe = nullptr,
                  const std::vector<std::wstring>* paths = nullptr) {
    HGLOBAL drop = paths != nullptr ? MakeDrop(*paths) : MakeDrop(count, PathAt);
    if (probe != nullptr) {
        probe->Start();
    }
    const LONGLONG start = Ticks();
    ::PostMessageW(window.main.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    for (;;) {
        Drain();
        if (window.Rows() == count &&
            window.main.model().rows.size() == static_cast<std::size_t>(count)) {
            break;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    const double ms = TicksToMs(Ticks() - start);
    if (probe != nullptr) {
        probe->Stop();
        probe->SetOrigin(start);
    }
    return ms;
}

// A drop taken in with the option of an archive for every item and without it, the two in turns
// so that neither always comes first: the times of each kind, with the option first.
std::pair<std::vector<double>, std::vector<double>>
EachItemSideBySide(Window& window, int count, int runs,
                   const std::vector<std::wstring>* paths = nullptr) {
    std::vector<double> apart;
    std::vector<double> whole;
    for (int r = 0; r < runs; ++r) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool each = (turn == 0) == (r % 2 == 0);
            window.Clear();
            window.SetEachItem(each);
            (each ? apart : whole).push_back(TimeIntake(window, count, nullptr, paths));
            window.CheckGroups(each ? count : 1);
        }
    }
    return {apart, whole};
}

bool HoldsAll(const std::vector<std::wstring>& paths, int count) {
    return paths.size() == static_cast<std::size_t>(count) && paths.back() == PathAt(count - 1);
}

bool HoldsAll(const std::vector<wchar_t>& list, int count) {
    return list.size() >= static_cast<std::size_t>(count);
}

// A drop of count paths made, then only what read does with it timed; what read gives back must
// hold every path.
template <typename Read> double TimeReading(int count, const char* how, Read read) {
    HGLOBAL drop = MakeDrop(count, PathAt);
    const LONGLONG start = Ticks();
    const auto got = read(drop);
    const double ms = TicksToMs(Ticks() - start);
    ::GlobalFree(drop);
    if (!HoldsAll(got, count)) {
        std::fprintf(stderr, "%s read the drop wrongly\n", how);
        std::exit(1);
    }
    return ms;
}

// Every path out of the drop into a string of its own: what reading a drop costs any program
// that keeps its paths.
double TimeRead(int count) {
    return TimeReading(count, "ReadClipboardPaths", [](HGLOBAL drop) {
        return velkin::win::ReadClipboardPaths(reinterpret_cast<HDROP>(drop));
    });
}

// The least a read can be: the drop's list copied whole into one buffer of the program's own.
double TimeCopy(int count) {
    return TimeReading(count, "copying the list", [](HGLOBAL drop) {
        const auto* header = static_cast<const DROPFILES*>(::GlobalLock(drop));
        const auto* list = reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(header) +
                                                            header->pFiles);
        const std::size_t size = (::GlobalSize(drop) - header->pFiles) / sizeof(wchar_t);
        std::vector<wchar_t> copy(list, list + size);
        ::GlobalUnlock(drop);
        return copy;
    });
}

// The shell's way: the count, then each item's length and text by its index.
double TimeQuery(int count) {
    return TimeReading(count, "DragQueryFileW", [](HGLOBAL global) {
        const auto drop = reinterpret_cast<HDROP>(global);
        std::vector<std::wstring> paths;
        const UINT total = ::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        paths.reserve(total);
        for (UINT i = 0; i < total; ++i) {
            const UINT length = ::DragQueryFileW(drop, i, nullptr, 0);
            std::wstring path(length + 1, L'\0');
            path.resize(::DragQueryFileW(drop, i, path.data(), length + 1));
            paths.push_back(std::move(path));
        }
        return paths;
    });
}

// The naive list: a standard report-view list view that holds its own rows, filled one row at
// a time, the window's messages handled after every row.
class NaiveList {
public:
    NaiveList() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VelkinBenchNaive";
        ::RegisterClassW(&windowClass);
        frame_ = ::CreateWindowExW(0, L"VelkinBenchNaive", L"naive list",
                                   WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 500, nullptr,
                                   nullptr, windowClass.hInstance, nullptr);
        list_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                  WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 880, 460, frame_,
                                  nullptr, windowClass.hInstance, nullptr);
        ListView_SetExtendedListViewStyleEx(list_, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                                            LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        for (int column = 0; column < 6; ++column) {
            wchar_t caption[] = L"column";
            LVCOLUMNW info{};
            info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            info.cx = 140;
            info.pszText = caption;
            info.iSubItem = column;
            ListView_InsertColumn(list_, column, &info);
        }
        Drain();
    }
    ~NaiveList() { ::DestroyWindow(frame_); }

    double Fill(int count) {
        ListView_DeleteAllItems(list_);
        Drain();
        const std::wstring destination = L"C:\\Users\\bench\\Documents\\report_0.rar";
        const LONGLONG start = Ticks();
        for (int i = 0; i < count; ++i) {
            std::wstring texts[6] = {L"0", L"1", L"", PathAt(i), destination, L""};
            const auto slash = texts[3].find_last_of(L'\\');
            texts[2] = texts[3].substr(slash + 1);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = texts[0].data();
            const int at = static_cast<int>(
                ::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            for (int column = 1; column < 6; ++column) {
                LVITEMW sub{};
                sub.iSubItem = column;
                sub.pszText = texts[column].data();
                ::SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(at),
                               reinterpret_cast<LPARAM>(&sub));
            }
            Drain();
        }
        const double ms = TicksToMs(Ticks() - start);
        if (ListView_GetItemCount(list_) != count) {
            std::fprintf(stderr, "the naive list holds %d rows, not %d\n",
                         ListView_GetItemCount(list_), count);
            std::exit(1);
        }
        return ms;
    }

private:
    HWND frame_ = nullptr;
    HWND list_ = nullptr;
};

// The same drop taken into a bare model: what building the rows costs without any window.
double TimeModelOnly(int count) {
    HGLOBAL drop = MakeDrop(count, PathAt);
    velkin::AppModel model;
    SilentHost host;
    velkin::DropIntake intake(model, host);
    const LONGLONG start = Ticks();
    intake.Receive(std::make_unique<velkin::win::DroppedPaths>(
        reinterpret_cast<HDROP>(drop), velkin::win::DroppedPaths::Origin::Clipboard));
    const double ms = TicksToMs(Ticks() - start);
    ::GlobalFree(drop);
    if (model.rows.size() != static_cast<std::size_t>(count)) {
        std::fprintf(stderr, "the bare model took in %zu rows\n", model.rows.size());
        std::exit(1);
    }
    return ms;
}

// One full repaint of the list as it stands.
double TimeRepaint(HWND list) {
    const LONGLONG start = Ticks();
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    return TicksToMs(Ticks() - start);
}

// What one telling of the row count costs while a drop comes in: the list told one row less and
// then all of them again (LVM_SETITEMCOUNT as the window tells it), and what that leaves to paint.
double TimeTelling(HWND list) {
    const int count = ListView_GetItemCount(list);
    const LONGLONG start = Ticks();
    for (const int told : {count - 1, count}) {
        ListView_SetItemCountEx(list, told, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        Drain();
    }
    return TicksToMs(Ticks() - start) / 2;
}

// Empty files in a folder beside the benchmark's private copy, which goes with it.
std::vector<std::wstring> MakeFiles(int count) {
    const fs::path folder = OwnPath().parent_path() / L"files";
    fs::create_directories(folder);
    std::vector<std::wstring> paths;
    for (int i = 0; i < count; ++i) {
        const fs::path path = folder / (L"file_" + std::to_wstring(i) + L".txt");
        const HANDLE file =
            ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "cannot make %ls\n", path.c_str());
            std::exit(1);
        }
        ::CloseHandle(file);
        paths.push_back(path.wstring());
    }
    return paths;
}

void CheckBoxes(BoxAnswerer& answerer) {
    for (const auto& text : answerer.Answered()) {
        if (text.find(L"クリア") == std::wstring::npos) {
            std::fprintf(stderr, "an unexpected message box was shown and answered\n");
            std::exit(1);
        }
    }
}

int MemoryMain(int count, bool eachItem) {
    Window window;
    window.SetEachItem(eachItem);
    Drain();
    // Before the drop exists: the shell's block is the drop's, and the window frees it when it
    // has read it, so that what stays is what the rows cost.
    PROCESS_MEMORY_COUNTERS before{};
    before.cb = sizeof(before);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof(before));
    HGLOBAL drop = MakeDrop(count, PathAt);
    const SIZE_T dropSize = ::GlobalSize(drop);
    ::PostMessageW(window.main.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    while (window.Rows() != count) {
        Drain();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    Drain();
    window.CheckGroups(eachItem ? count : 1);
    PROCESS_MEMORY_COUNTERS after{};
    after.cb = sizeof(after);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof(after));
    const double mb = 1024.0 * 1024.0;
    Note("memory, drop of %s paths (the drop's own block, %.1f MB, made after \"before\" and "
         "freed before \"after\"):\n",
         Thousands(count).c_str(), static_cast<double>(dropSize) / mb);
    Note("  PagefileUsage      before %8.1f MB  after %8.1f MB\n",
         static_cast<double>(before.PagefileUsage) / mb,
         static_cast<double>(after.PagefileUsage) / mb);
    Note("  PeakWorkingSetSize before %8.1f MB  after %8.1f MB\n",
         static_cast<double>(before.PeakWorkingSetSize) / mb,
         static_cast<double>(after.PeakWorkingSetSize) / mb);
    Note("  WorkingSetSize     before %8.1f MB  after %8.1f MB\n",
         static_cast<double>(before.WorkingSetSize) / mb,
         static_cast<double>(after.WorkingSetSize) / mb);
    const double privateDelta =
        static_cast<double>(after.PagefileUsage) - static_cast<double>(before.PagefileUsage);
    const double peakDelta = static_cast<double>(after.PeakWorkingSetSize) -
                             static_cast<double>(before.PeakWorkingSetSize);
    const std::string rows = Thousands(count);
    Figure("memory: private bytes before -> after drop of " + rows,
           Format("%.0f", static_cast<double>(before.PagefileUsage) / mb) + " -> " +
               Format("%.0f MB", static_cast<double>(after.PagefileUsage) / mb),
           "(none set)", "PagefileUsage of the process holding the window, before and after");
    Figure(eachItem ? "memory: per row kept, each item its own group" : "memory: per row kept",
           Format("%.0f bytes", privateDelta / count), eachItem ? "<= 300 bytes" : "<= 200 bytes",
           "growth of private bytes from before the drop existed to after its block was freed, / "
           "rows; the drop's texts in UTF-16 are " +
               Format("%.0f bytes a path", static_cast<double>(dropSize) / count));
    if (eachItem) {
        return 0;
    }
    Figure("memory: peak working set before -> after",
           Format("%.0f", static_cast<double>(before.PeakWorkingSetSize) / mb) + " -> " +
               Format("%.0f MB", static_cast<double>(after.PeakWorkingSetSize) / mb),
           "(none set)",
           Format("PeakWorkingSetSize; grew %.0f MB during the drop", peakDelta / mb));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 5;
    int probeRuns = 3;
    int memoryCount = 0;
    int memoryEachCount = 0;
    int eachSize = 100000;
    int eachFiles = 10000;
    std::vector<int> sizes = {10000, 100000, 1000000};
    std::vector<int> querySizes = {2000, 5000, 10000};
    std::vector<int> naiveSizes = {1000, 2000, 4000};
    Options()
        .Count("--runs", runs, 1)
        .Count("--probe-runs", probeRuns, 1)
        .Counts("--sizes", sizes)
        .Counts("--query-sizes", querySizes)
        .Counts("--naive-sizes", naiveSizes)
        .Count("--memory", memoryCount)
        .Count("--memory-each", memoryEachCount)
        .Count("--each-size", eachSize)
        .Count("--each-files", eachFiles)
        .Parse(argc, argv);
    if (const int status = RunInPrivateFolder({}, ""); status >= 0) {
        return status;
    }
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    BoxAnswerer answerer;
    if (memoryCount > 0 || memoryEachCount > 0) {
        return MemoryMain(std::max(memoryCount, memoryEachCount), memoryEachCount > 0);
    }

    Window window;
    std::vector<double> intakeMedians;
    std::vector<double> readMedians;
    for (const int count : sizes) {
        std::vector<double> intake;
        std::vector<double> read;
        // Side by side, the order swapped every round, so that a drift of the machine falls on
        // both alike.
        for (int r = 0; r < runs; ++r) {
            window.Clear();
            if (r % 2 == 0) {
                read.push_back(TimeRead(count));
                intake.push_back(TimeIntake(window, count));
            } else {
                intake.push_back(TimeIntake(window, count));
                read.push_back(TimeRead(count));
            }
        }
        std::vector<double> modelOnly;
        std::vector<double> repaint;
        std::vector<double> copy;
        std::vector<double> telling;
        for (int r = 0; r < runs; ++r) {
            telling.push_back(TimeTelling(window.list));
            modelOnly.push_back(TimeModelOnly(count));
            repaint.push_back(TimeRepaint(window.list));
            copy.push_back(TimeCopy(count));
        }
        Note("  where the time goes, %s paths: read + rows into a bare model (no window) median "
             "%.1f ms; one full repaint of the list median %.1f ms; one telling of the row count "
             "median %.1f ms; the drop's list copied whole into one buffer median %.1f ms\n",
             Thousands(count).c_str(), Median(modelOnly), Median(repaint), Median(telling),
             Median(copy));
        Note("drop of %s paths, %d runs: intake median %.1f ms (min %.1f, max %.1f); read "
             "alone median %.1f ms (min %.1f, max %.1f)\n",
             Thousands(count).c_str(), runs, Median(intake), Min(intake), Max(intake), Median(read),
             Min(read), Max(read));
        intakeMedians.push_back(Median(intake));
        readMedians.push_back(Median(read));
        const std::string rows = Thousands(count);
        Figure("intake: drop of " + rows + " paths until all rows shown",
               Format("%.0f ms", Median(intake)), "-",
               Format("median of %.0f runs: WM_DROPFILES to list count = rows, queue empty", runs));
        Figure("intake: reading the same " + rows + " paths only", Format("%.0f ms", Median(read)),
               "-", "median; every path into a string of its own (ReadClipboardPaths)");
        Figure("intake: ratio intake / read, " + rows,
               Format("%.2f", Median(intake) / Median(read)), "<= 2",
               "what building and showing the rows adds on top of reading the drop");
    }

    // How long the window leaves its messages waiting: idle first, as the yardstick, then
    // during drops of the largest size.
    {
        ResponsivenessProbe probe(window.main.handle());
        window.Clear();
        std::vector<double> idle;
        for (int r = 0; r < probeRuns; ++r) {
            probe.Start();
            Idle(1000);
            probe.Stop();
            idle.push_back(probe.LongestMs());
        }
        const int count = sizes.back();
        std::vector<double> during;
        for (int r = 0; r < probeRuns; ++r) {
            window.Clear();
            const double intakeMs = TimeIntake(window, count, &probe);
            during.push_back(probe.LongestMs());
            Note("probe during drop of %s (intake %.0f ms): longest wait %.1f ms over %ld probes, "
                 "for a message posted %.1f ms after the drop\n",
                 Thousands(count).c_str(), intakeMs, probe.LongestMs(), probe.Handled(),
                 TicksToMs(probe.LongestPostedAt() - probe.Origin()));
        }
        Note("probe, idle window: longest wait per second, median %.1f ms, max %.1f ms\n",
             Median(idle), Max(idle));
        Figure("intake: longest message wait during drop of " + Thousands(count),
               Format("%.0f ms", Median(during)) + Format(" (max %.0f)", Max(during)), "<= ~50 ms",
               Format("median of %.0f drops; a message posted every 5 ms from another thread",
                      probeRuns) +
                   Format("; idle window: %.0f ms", Median(idle)));
    }
    window.Clear();

    // The option of an archive for every item: the same drop as that many groups, next to it
    // taken in as one group, side by side; then the message waits during the first kind.
    if (eachSize > 0) {
        const auto [apart, whole] = EachItemSideBySide(window, eachSize, runs);
        ResponsivenessProbe probe(window.main.handle());
        std::vector<double> during;
        window.SetEachItem(true);
        for (int r = 0; r < probeRuns; ++r) {
            window.Clear();
            const double intakeMs = TimeIntake(window, eachSize, &probe);
            during.push_back(probe.LongestMs());
            Note("probe during drop of %s, each item its own group (intake %.0f ms): longest wait "
                 "%.1f ms over %ld probes\n",
                 Thousands(eachSize).c_str(), intakeMs, probe.LongestMs(), probe.Handled());
        }
        window.Clear();
        window.SetEachItem(false);
        const std::string rows = Thousands(eachSize);
        Note("drop of %s paths, each item its own group, %d runs: median %.1f ms (min %.1f, max "
             "%.1f); as one group median %.1f ms (min %.1f, max %.1f)\n",
             rows.c_str(), runs, Median(apart), Min(apart), Max(apart), Median(whole), Min(whole),
             Max(whole));
        Figure("each item: drop of " + rows + " paths as " + rows + " groups",
               Format("%.0f ms", Median(apart)), "-",
               Format("median of %.0f runs, the menu's option on; WM_DROPFILES to all rows shown",
                      runs));
        Figure("each item: the same drop as one group", Format("%.0f ms", Median(whole)), "-",
               "median, side by side with the above, the option off");
        Figure("each item: ratio " + rows + " groups / one group",
               Format("%.2f", Median(apart) / Median(whole)), "<= 2",
               "what naming every item's archive adds");
        Figure("each item: longest message wait during drop of " + rows,
               Format("%.0f ms", Median(during)) + Format(" (max %.0f)", Max(during)), "<= 50 ms",
               Format("median of %.0f drops; a message posted every 5 ms from another thread",
                      probeRuns));
    }
    // PathAt's paths name nothing on the disk, so no item's folder is there and no item is asked
    // whether it is a folder. Files that exist are, one system call each.
    if (eachFiles > 0) {
        const std::vector<std::wstring> files = MakeFiles(eachFiles);
        const auto [apart, whole] = EachItemSideBySide(window, eachFiles, runs, &files);
        window.Clear();
        window.SetEachItem(false);
        const std::string count = Thousands(eachFiles);
        Note("drop of %s files that exist, each item its own group, %d runs: median %.1f ms (min "
             "%.1f, max %.1f); as one group median %.1f ms (min %.1f, max %.1f)\n",
             count.c_str(), runs, Median(apart), Min(apart), Max(apart), Median(whole), Min(whole),
             Max(whole));
        Figure("each item: " + count + " files that exist, as " + count + " groups",
               Format("%.0f ms", Median(apart)), "-",
               Format("median of %.0f runs; ", runs) +
                   Format("as one group %.0f ms: ", Median(whole)) +
                   Format("%.1f us an item to ask whether it is a folder",
                          (Median(apart) - Median(whole)) * 1000 / eachFiles));
    }

    // The shell's item-by-item query, at sizes where its quadratic cost still ends soon.
    double queryMs = 0;
    int queryCount = 0;
    for (const int count : querySizes) {
        std::vector<double> query;
        std::vector<double> read;
        const int queryRuns = std::max(1, std::min(runs, 3));
        for (int r = 0; r < queryRuns; ++r) {
            query.push_back(TimeQuery(count));
            read.push_back(TimeRead(count));
        }
        Note("DragQueryFileW item by item, %s paths: median %.1f ms (%d runs); one-pass read "
             "%.2f ms\n",
             Thousands(count).c_str(), Median(query), queryRuns, Median(read));
        queryMs = Median(query);
        queryCount = count;
    }
    if (queryCount > 0) {
        const int target = sizes.back();
        const double scale = static_cast<double>(target) / queryCount;
        const double extrapolated = queryMs * scale * scale;
        Figure("read via DragQueryFileW, " + Thousands(queryCount) + " paths (measured)",
               Format("%.0f ms", queryMs), "-",
               "item by item, as the shell offers it; Wine walks "
               "the list from its start for every index");
        Figure("read via DragQueryFileW, " + Thousands(target) + " (extrapolated)",
               Format("%.0f s", extrapolated / 1000), "-",
               Format("quadratic: measured time x %.0f; the one-pass read takes ", scale * scale) +
                   Format("%.0f ms", readMedians.back()));
    }

    // The naive list, at sizes it gets through in reasonable time.
    if (!naiveSizes.empty()) {
        NaiveList naive;
        std::vector<double> naiveMs;
        for (const int count : naiveSizes) {
            const double ms = naive.Fill(count);
            naiveMs.push_back(ms);
            Note("naive list, %s rows one at a time with a message pump per row: %.0f ms "
                 "(%.1f us per row)\n",
                 Thousands(count).c_str(), ms, ms * 1000 / count);
        }
        const int last = naiveSizes.back();
        std::string meaning = "LVM_INSERTITEMW + 5 LVM_SETITEMTEXTW + PeekMessage loop per row";
        if (naiveSizes.size() >= 2) {
            const int previous = naiveSizes[naiveSizes.size() - 2];
            const double exponent = std::log(naiveMs.back() / naiveMs[naiveMs.size() - 2]) /
                                    std::log(static_cast<double>(last) / previous);
            const double at100k =
                naiveMs.back() * std::pow(static_cast<double>(sizes.back()) / last, exponent);
            meaning += Format("; time grows as rows^%.2f", exponent) + ", so " +
                       Thousands(sizes.back()) + Format(" rows would take ~%.0f s", at100k / 1000);
        }
        Figure("naive list: " + Thousands(last) + " rows one at a time",
               Format("%.0f ms", naiveMs.back()), "-", meaning);
        // Velkin at the same size, side by side.
        std::vector<double> velkinMs;
        for (int r = 0; r < std::min(runs, 3); ++r) {
            window.Clear();
            velkinMs.push_back(TimeIntake(window, last));
        }
        window.Clear();
        Figure("naive list / Velkin intake, " + Thousands(last) + " rows",
               Format("%.0f", naiveMs.back() / Median(velkinMs)), "-",
               Format("Velkin takes the same drop in %.0f ms", Median(velkinMs)));
    }
    CheckBoxes(answerer);
    return 0;
}
