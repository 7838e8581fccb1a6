// A million rows in the model, as a drop of 1,000,000 paths leaves them: the list file of that
// one group written as a run writes it (the group's rows picked, their paths turned into the
// list file's bytes, the file written and taken hold of, which reads it back) next to a raw
// write of the same bytes to the same file; and clearing the rows.
// Usage: bench_million [--runs N] [--rows N]
// Prints FIGURE lines for bench/run.sh and notes on everything else it measured.
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "bench_common.h"
#include "bench_text.h"
#include "platform/text_file.h"
#include "platform/windows_code_page.h"
#include "runner/group_run.h"
#include "silent_host.h"

namespace {

using namespace bench;

// One drop of the given paths, taken in as the window takes it in.
void Fill(velkin::RunModel& model, int count) {
    SilentHost host;
    velkin::DropIntake intake(model, host);
    std::vector<std::wstring> paths;
    paths.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        paths.push_back(PathAt(i));
    }
    intake.Receive(std::move(paths));
    if (model.rows.size() != static_cast<std::size_t>(count) || model.dropCount != 1) {
        std::fprintf(stderr, "the intake made %zu rows in %d groups\n", model.rows.size(),
                     model.dropCount);
        std::exit(1);
    }
}

// CreateFileW and WriteFile, nothing else: the least writing these bytes costs.
void RawWrite(const std::wstring& path, const std::string& bytes) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok =
        file != INVALID_HANDLE_VALUE &&
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    if (!ok) {
        std::fprintf(stderr, "the raw write failed\n");
        std::exit(1);
    }
}

// Reading the file back, as taking hold of it does, with or without comparing it to the bytes:
// the share of the check in the step.
void ReadBack(const std::wstring& path, const std::string& bytes, bool compare) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string read(1u << 20, '\0');
    std::size_t done = 0;
    DWORD got = 0;
    while (file != INVALID_HANDLE_VALUE && done < bytes.size() &&
           ::ReadFile(file, read.data(), static_cast<DWORD>(read.size()), &got, nullptr) &&
           got != 0 && (!compare || bytes.compare(done, got, read.data(), got) == 0)) {
        done += got;
    }
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    if (done != bytes.size()) {
        std::fprintf(stderr, "the read back failed\n");
        std::exit(1);
    }
}

// A fresh block of this many bytes, every page written once: what a new buffer of the list
// file's size costs before anything is put into it.
double FreshBlockMs(std::size_t size) {
    const LONGLONG start = Ticks();
    std::string block(size, 'x');
    const double ms = TicksToMs(Ticks() - start);
    return block[size / 2] == 'x' ? ms : 0;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 5;
    int count = 1000000;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s wants a value\n", option.c_str());
            return 2;
        }
        const int value = ParseCount(argv[++i], option.c_str());
        if (option == "--runs") {
            runs = std::max(1, value);
        } else if (option == "--rows") {
            count = std::max(1, value);
        } else {
            std::fprintf(stderr, "unknown option %s\n", option.c_str());
            return 2;
        }
    }
    const fs::path folder =
        fs::temp_directory_path() / ("velkin-bench-" + std::to_string(::GetCurrentProcessId()));
    fs::create_directories(folder);
    const std::wstring listFile = (folder / "Velkin.lst").wstring();
    const velkin::win::WindowsCodePage codePage;
    const std::string rows = Thousands(count);

    velkin::RunModel model;
    Fill(model, count);
    std::vector<double> listMs;
    std::vector<double> selectMs;
    std::vector<double> buildMs;
    std::vector<double> holdMs;
    std::vector<double> rawMs;
    std::vector<double> readBackMs;
    std::vector<double> compareMs;
    std::vector<double> freshMs;
    std::string bytes;
    // Side by side, the order swapped every round.
    for (int r = 0; r < runs * 2; ++r) {
        if ((r % 2 == 0) == (r / 2 % 2 == 0)) {
            const LONGLONG start = Ticks();
            const velkin::GroupSelection group = velkin::SelectGroup(model, 0);
            const LONGLONG selected = Ticks();
            velkin::ListFile file = velkin::GroupListFile(model, group, codePage);
            const LONGLONG built = Ticks();
            velkin::win::WriteAndHoldFile(listFile, file.bytes).reset();
            const LONGLONG held = Ticks();
            listMs.push_back(TicksToMs(held - start));
            selectMs.push_back(TicksToMs(selected - start));
            buildMs.push_back(TicksToMs(built - selected));
            holdMs.push_back(TicksToMs(held - built));
            if (file.encoding != velkin::ListFileEncoding::Ansi ||
                group.rows.size() != model.rows.size()) {
                std::fprintf(stderr, "the list file is not the group's ANSI list\n");
                return 1;
            }
            bytes = std::move(file.bytes);
        } else if (!bytes.empty()) {
            const LONGLONG start = Ticks();
            RawWrite(listFile, bytes);
            rawMs.push_back(TicksToMs(Ticks() - start));
            const LONGLONG read = Ticks();
            ReadBack(listFile, bytes, false);
            const LONGLONG compared = Ticks();
            ReadBack(listFile, bytes, true);
            readBackMs.push_back(TicksToMs(compared - read));
            compareMs.push_back(TicksToMs(Ticks() - compared));
            freshMs.push_back(FreshBlockMs(bytes.size()));
        }
    }
    const double megabytes = static_cast<double>(bytes.size()) / (1024.0 * 1024.0);
    Note("list file of %s lines (%.1f MB): the whole step median %.1f ms (min %.1f, max %.1f); "
         "raw write median %.1f ms (min %.1f, max %.1f)\n",
         rows.c_str(), megabytes, Median(listMs), Min(listMs), Max(listMs), Median(rawMs),
         Min(rawMs), Max(rawMs));
    Note("where the time goes (medians): picking the group's rows %.1f ms, building the bytes "
         "%.1f ms, writing, taking hold and reading back %.1f ms; for reference, reading the "
         "file back alone %.1f ms, reading it back and comparing %.1f ms, a fresh block of "
         "%.1f MB written once %.1f ms\n",
         Median(selectMs), Median(buildMs), Median(holdMs), Median(readBackMs), Median(compareMs),
         megabytes, Median(freshMs));
    Figure("list file of " + rows + " lines", Format("%.0f ms", Median(listMs)), "-",
           Format("median of %.0f: the group's rows picked, their paths as the file's bytes, "
                  "the file written, held and read back",
                  runs));
    Figure("list file: raw write of the same bytes", Format("%.0f ms", Median(rawMs)), "-",
           Format("median; the same %.0f MB to the same file", megabytes));
    Figure("list file: ratio list file / raw write", Format("%.2f", Median(listMs) / Median(rawMs)),
           "<= 1.5", "what picking the rows and converting their paths add to writing");

    // Clearing: the rows go as Clear takes them away; a fresh million every time.
    std::vector<double> clearMs;
    for (int r = 0; r < runs; ++r) {
        if (r > 0) {
            Fill(model, count);
        }
        const LONGLONG start = Ticks();
        model.rows.clear();
        model.dropCount = 0;
        clearMs.push_back(TicksToMs(Ticks() - start));
    }
    Note("clearing %s rows: median %.1f ms (min %.1f, max %.1f) over %d runs\n", rows.c_str(),
         Median(clearMs), Min(clearMs), Max(clearMs), runs);
    Figure("Clear: " + rows + " rows", Format("%.0f ms", Median(clearMs)), "-",
           Format("median of %.0f: the rows of a drop of that size removed", runs));

    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
