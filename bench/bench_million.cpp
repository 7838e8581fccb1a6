// A million rows in the model, as a drop of 1,000,000 paths leaves them: the list file of that
// one group written as a run writes it (the group's rows picked, their paths turned into the
// list file's bytes and written a block at a time, the file taken hold of, which reads it back)
// next to a raw write of the same bytes to the same file, for WinRAR's ANSI list and the 7-Zip
// family's UTF-8 one; and clearing the rows.
// Usage: bench_million [--runs N] [--rows N]
// Prints FIGURE lines for bench/run.sh and notes on everything else it measured.
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "base/stream_digest.h"
#include "bench_win.h"
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

// Reading the file back alone, as taking hold of it does, and with the digest it compares.
void ReadBack(const std::wstring& path, std::size_t size, bool digest) {
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::string read(1u << 20, '\0');
    velkin::StreamDigest sum;
    std::size_t done = 0;
    DWORD got = 0;
    while (file != INVALID_HANDLE_VALUE &&
           ::ReadFile(file, read.data(), static_cast<DWORD>(read.size()), &got, nullptr) &&
           got != 0) {
        if (digest) {
            sum.Add(std::string_view(read.data(), got));
        }
        done += got;
    }
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    if (done != size || sum.Finish()[4] != (digest ? size : 0)) {
        std::fprintf(stderr, "the read back failed\n");
        std::exit(1);
    }
}

// Counts what it is given and keeps nothing: the list file's bytes made, never written.
class CountingSink final : public velkin::ByteSink {
public:
    void Append(std::string_view bytes) override { count += bytes.size(); }
    void StartOver() override { count = 0; }
    std::size_t count = 0;
};

// The list file of one group of the model as a run writes it, next to a raw write of the same
// bytes, side by side, the order swapped every round; and where the time goes.
void MeasureListFile(const velkin::RunModel& model, const std::wstring& listFile,
                     const velkin::CodePage& codePage, int runs, const std::string& rows,
                     const std::string& form, velkin::ListFileEncoding expected) {
    const velkin::GroupSelection whole = velkin::SelectGroup(model, 0);
    const velkin::ListFile file = velkin::GroupListFile(model, whole, codePage);
    if (file.encoding != expected || whole.rows.size() != model.rows.size()) {
        std::fprintf(stderr, "the list file is not the group's %s list\n", form.c_str());
        std::exit(1);
    }
    std::vector<double> listMs;
    std::vector<double> selectMs;
    std::vector<double> writeMs;
    std::vector<double> rawMs;
    std::vector<double> makeMs;
    std::vector<double> readBackMs;
    std::vector<double> digestMs;
    for (int r = 0; r < runs * 2; ++r) {
        if ((r % 2 == 0) == (r / 2 % 2 == 0)) {
            const LONGLONG start = Ticks();
            const velkin::GroupSelection group = velkin::SelectGroup(model, 0);
            const LONGLONG selected = Ticks();
            velkin::win::WriteAndHoldFile(listFile, [&](velkin::ByteSink& sink) {
                velkin::WriteGroupListFile(model, group, codePage, sink);
            }).reset();
            const LONGLONG held = Ticks();
            listMs.push_back(TicksToMs(held - start));
            selectMs.push_back(TicksToMs(selected - start));
            writeMs.push_back(TicksToMs(held - selected));
        } else {
            const LONGLONG start = Ticks();
            RawWrite(listFile, file.bytes);
            rawMs.push_back(TicksToMs(Ticks() - start));
            const LONGLONG make = Ticks();
            CountingSink counted;
            velkin::WriteGroupListFile(model, whole, codePage, counted);
            const LONGLONG read = Ticks();
            ReadBack(listFile, file.bytes.size(), false);
            const LONGLONG digested = Ticks();
            ReadBack(listFile, file.bytes.size(), true);
            makeMs.push_back(TicksToMs(read - make));
            readBackMs.push_back(TicksToMs(digested - read));
            digestMs.push_back(TicksToMs(Ticks() - digested));
        }
    }
    const double megabytes = static_cast<double>(file.bytes.size()) / (1024.0 * 1024.0);
    Note("%s list file of %s lines (%.1f MB): the whole step median %.1f ms (min %.1f, max %.1f); "
         "raw write median %.1f ms (min %.1f, max %.1f)\n",
         form.c_str(), rows.c_str(), megabytes, Median(listMs), Min(listMs), Max(listMs),
         Median(rawMs), Min(rawMs), Max(rawMs));
    Note("where the time goes (medians): picking the group's rows %.1f ms, making the bytes and "
         "writing them, taking hold and reading back %.1f ms; for reference, making the bytes "
         "alone %.1f ms (min %.1f), reading the file back alone %.1f ms (min %.1f), reading it "
         "back with its digest %.1f ms (min %.1f)\n",
         Median(selectMs), Median(writeMs), Median(makeMs), Min(makeMs), Median(readBackMs),
         Min(readBackMs), Median(digestMs), Min(digestMs));
    Figure("list file of " + rows + " lines, " + form, Format("%.0f ms", Median(listMs)), "-",
           Format("median of %.0f: the group's rows picked, their paths written to the file in "
                  "pieces, the file held and read back",
                  runs));
    Figure("list file: raw write of the same bytes, " + form, Format("%.0f ms", Median(rawMs)), "-",
           Format("median; the same %.0f MB to the same file in one write", megabytes));
    Figure("list file: ratio list file / raw write, " + form,
           Format("%.2f", Median(listMs) / Median(rawMs)), "<= 1.8",
           "what picking the rows, converting their paths and the guard add to writing");
}

} // namespace

int main(int argc, char** argv) {
    const auto [runs, count] = ParseDropOptions(argc, argv);
    const fs::path folder = TemporaryFolder();
    const std::wstring listFile = (folder / "Velkin.lst").wstring();
    const velkin::win::WindowsCodePage codePage;
    const std::string rows = Thousands(count);

    velkin::RunModel model;
    Fill(model, count);
    model.winRarPath = L"C:\\Program Files\\WinRAR\\WinRAR.exe";
    MeasureListFile(model, listFile, codePage, runs, rows, "WinRAR (ANSI)",
                    velkin::ListFileEncoding::Ansi);
    model.winRarPath = L"C:\\Program Files\\7-Zip\\7z.exe";
    MeasureListFile(model, listFile, codePage, runs, rows, "7-Zip (UTF-8)",
                    velkin::ListFileEncoding::Utf8);

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
