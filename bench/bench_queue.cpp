// What keeping the queue file costs. A drop of 1,000,000 paths taken in as the window takes it
// in, with the queue kept at each breath and at the drop's end, next to the same drop without
// it and to a raw write of the drop's bytes (its paths as UTF-16, as the shell hands them over);
// then recording a finished group, and putting back a queue of that size.
// Usage: bench_queue [--runs N] [--rows N]
// Prints FIGURE lines for bench/run.sh and notes on everything else it measured.
#include <windows.h>

#include <string>
#include <vector>

#include "bench_win.h"
#include "joblist/drop_intake.h"
#include "joblist/queue_file_win.h"
#include "joblist/queue_keeper.h"

namespace {

using namespace bench;

class KeepingHost final : public velkin::DropIntakeHost {
public:
    explicit KeepingHost(velkin::QueueKeeper* keeper) : keeper_(keeper) {}
    bool IsDirectory(const std::wstring&) override { return false; }
    std::optional<std::wstring> AskArchivePath(const velkin::SaveDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::wstring> AskArchiveFolder(const std::wstring&) override {
        return std::nullopt;
    }
    std::wstring UpperCase(std::wstring_view text) override { return std::wstring(text); }
    // As the window does: the keeper hears of every row.
    void Breathe() override {
        if (keeper_ != nullptr) {
            keeper_->RowsTakenIn();
        }
    }
    void RowsAppended() override {
        if (keeper_ != nullptr) {
            keeper_->DropTakenIn();
        }
    }

private:
    velkin::QueueKeeper* keeper_;
};

// The drop taken in, with or without a queue file in the folder; how long it took.
double TimeDrop(const std::vector<std::wstring>& paths, const std::wstring& folder, bool keep) {
    velkin::JobList model;
    velkin::QueueKeeper keeper(model, [&] { return velkin::win::CreateQueueFile(folder); });
    KeepingHost host(keep ? &keeper : nullptr);
    velkin::DropIntake intake(model, host);
    const LONGLONG start = Ticks();
    intake.Receive(std::vector<std::wstring>(paths));
    const double ms = TicksToMs(Ticks() - start);
    if (model.rows.size() != paths.size() || keeper.keeping() != keep) {
        std::fprintf(stderr, "the drop made %zu rows, the queue %s\n", model.rows.size(),
                     keeper.keeping() ? "kept" : "not kept");
        std::exit(1);
    }
    keeper.Discard();
    return ms;
}

// Recording that the first group's archiver ended well, 51 times; each time apart.
std::vector<double> TimeGroupsDone(velkin::QueueKeeper& keeper) {
    std::vector<double> times;
    for (int r = 0; r < 51; ++r) {
        keeper.GroupStarted(0);
        const LONGLONG start = Ticks();
        keeper.GroupDone(0);
        times.push_back(TicksToMs(Ticks() - start));
    }
    return times;
}

} // namespace

int main(int argc, char** argv) {
    const auto [runs, count] = ParseDropOptions(argc, argv);
    const fs::path folder = TemporaryFolder();
    const std::wstring directory = folder.wstring() + L"\\";
    const std::string rows = Thousands(count);

    std::vector<std::wstring> paths;
    std::string dropBytes;
    for (int i = 0; i < count; ++i) {
        paths.push_back(PathAt(i));
        const std::wstring& path = paths.back();
        dropBytes.append(reinterpret_cast<const char*>(path.c_str()),
                         (path.size() + 1) * sizeof(wchar_t));
    }

    std::vector<double> keptMs;
    std::vector<double> plainMs;
    std::vector<double> rawMs;
    for (int r = 0; r < runs; ++r) {
        // Side by side, the order turned every round.
        if (r % 2 == 0) {
            keptMs.push_back(TimeDrop(paths, directory, true));
            plainMs.push_back(TimeDrop(paths, directory, false));
        } else {
            plainMs.push_back(TimeDrop(paths, directory, false));
            keptMs.push_back(TimeDrop(paths, directory, true));
        }
        const LONGLONG start = Ticks();
        RawWrite(directory + L"raw.bin", dropBytes);
        rawMs.push_back(TicksToMs(Ticks() - start));
    }
    const double extra = Median(keptMs) - Median(plainMs);
    Note("drop of %s paths (%.1f MB as UTF-16): with the queue kept median %.1f ms (min %.1f, "
         "max %.1f), without median %.1f ms (min %.1f, max %.1f); raw write median %.1f ms\n",
         rows.c_str(), static_cast<double>(dropBytes.size()) / (1024.0 * 1024.0), Median(keptMs),
         Min(keptMs), Max(keptMs), Median(plainMs), Min(plainMs), Max(plainMs), Median(rawMs));
    Figure("queue: what keeping it adds to a drop of " + rows, Format("%.0f ms", extra), "-",
           Format("median with the queue file - median without, %.0f runs each", runs));
    Figure("queue: raw write of the drop's bytes", Format("%.0f ms", Median(rawMs)), "-",
           "its paths as UTF-16 with their ends, one WriteFile to a new file");
    Figure("queue: ratio added / raw write", Format("%.2f", extra / Median(rawMs)), "<= 1",
           "the queue file of a drop costs no more than writing the drop once");

    // A finished group recorded with a million rows in the list, and the list put back.
    velkin::JobList model;
    velkin::QueueKeeper keeper(model, [&] { return velkin::win::CreateQueueFile(directory); });
    {
        KeepingHost host(&keeper);
        velkin::DropIntake intake(model, host);
        intake.Receive(std::vector<std::wstring>(paths));
    }
    const std::vector<double> doneMs = TimeGroupsDone(keeper);
    Figure("queue: recording a finished group, " + rows + " rows",
           Format("%.2f ms", Median(doneMs)) + Format(" (max %.2f)", Max(doneMs)), "<= 5 ms",
           "median of 51: the record that a group's archiver ended well (the drop's megabytes "
           "left for the system to write out: not synced)");
    {
        // A list of a few drops: the record is synced to the disk.
        velkin::JobList small;
        velkin::QueueKeeper smallKeeper(small,
                                        [&] { return velkin::win::CreateQueueFile(directory); });
        KeepingHost host(&smallKeeper);
        velkin::DropIntake intake(small, host);
        intake.Receive(std::vector<std::wstring>(paths.begin(), paths.begin() + 100));
        const std::vector<double> syncedMs = TimeGroupsDone(smallKeeper);
        Figure("queue: recording a finished group, 100 rows",
               Format("%.2f ms", Median(syncedMs)) + Format(" (max %.2f)", Max(syncedMs)),
               "<= 5 ms", "median of 51: the record written and synced to the disk");
        smallKeeper.Discard();
    }

    // Put back: the file read whole and replayed, as a start does before it asks.
    std::vector<double> restoreMs;
    for (int r = 0; r < runs; ++r) {
        const LONGLONG start = Ticks();
        auto file = velkin::win::CreateQueueFile(directory);
        file->Append(velkin::QueueJournal::Header());
        velkin::QueueJournal journal;
        std::string records;
        for (std::size_t from = 0; from < model.rows.size(); from += 16384) {
            journal.Rows(records, model.rows, from, std::min(model.rows.size(), from + 16384));
        }
        journal.DropEnd(records, 1);
        file->Append(records);
        file.reset(); // left behind, as by a killed window
        auto left = velkin::win::TakeQueueLeftBehind(directory);
        restoreMs.push_back(TicksToMs(Ticks() - start));
        if (!left || left->replay.rows.size() != model.rows.size()) {
            std::fprintf(stderr, "the queue left behind did not come back whole\n");
            return 1;
        }
        left->file->Remove();
    }
    Note("a queue of %s rows written and taken back (read, checked, replayed): median %.0f ms\n",
         rows.c_str(), Median(restoreMs));
    keeper.Discard();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
