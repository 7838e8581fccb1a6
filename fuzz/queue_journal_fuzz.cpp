// The queue file's reader. Whatever bytes a queue file holds (torn by a power cut, cut short,
// overwritten), reading it never fails and takes only what was written whole. The first byte
// picks the case:
//   - any bytes, after a real header or not: the reader stops inside them;
//   - a journal written by the keeper for fuzz-chosen changes of a list (the last drop perhaps
//     never ended, numbers edited while drops came in), then cut and with a byte flipped at
//     fuzz-chosen places: the reader gives back exactly the list as it was after the last change
//     whose records end before the cut and the flipped byte, and a window that puts it back and
//     adopts the file keeps a file that gives back the list the window shows.

#include <algorithm>

#include "base/integer_text.h"
#include "base/velkin_error.h"
#include "fuzz_support.h"
#include "joblist/drop_groups.h"
#include "joblist/queue_keeper.h"
#include "../tests/unit/memory_queue_file.h"

namespace {

std::vector<std::wstring> Shown(const velkin::JobRows& rows, std::int32_t dropCount) {
    std::vector<std::wstring> shown = velkin::QueuedRows(rows);
    shown.push_back(velkin::DecimalText(dropCount));
    return shown;
}

constexpr std::wstring_view kAlphabet = L"ab\\:. 0\u8868";

void CheckAnyBytes(FuzzedDataProvider& provider) {
    std::string bytes = provider.ConsumeBool() ? velkin::QueueJournal::Header() : std::string();
    bytes += provider.ConsumeRemainingBytesAsString();
    const velkin::QueueReplay replay = velkin::ReplayQueue(bytes);
    FUZZ_CHECK(replay.usableBytes <= bytes.size());
    FUZZ_CHECK(replay.kind == velkin::QueueReplay::Kind::Queue || replay.rows.empty());
}

void CheckWrittenJournal(FuzzedDataProvider& provider) {
    velkin::JobList model;
    std::string file;
    velkin::QueueKeeper keeper(
        model, [&] { return std::make_unique<velkin::MemoryQueueFile>(file); },
        velkin::QueueKeeper::Pace{1, provider.ConsumeIntegralInRange<std::size_t>(0, 64)});
    std::vector<std::pair<std::size_t, std::vector<std::wstring>>> states;
    const auto saw = [&] { states.emplace_back(file.size(), Shown(model.rows, model.dropCount)); };
    const auto steps = provider.ConsumeIntegralInRange<int>(1, 12);
    bool gone = false; // the window went while a drop came in
    for (int step = 0; step < steps && !gone && file.size() < 4096; ++step) {
        switch (provider.ConsumeIntegralInRange<int>(0, 4)) {
        case 0: { // a drop, told of part way through; perhaps one whose items each get an archive
            const std::wstring folder = velkin::fuzz::TextFrom(provider, kAlphabet, 6) + L"\\";
            const bool eachItem = provider.ConsumeBool();
            // Two profiles, so that deletions and stops make neighbours of one destination
            // with one profile or two.
            auto texts = std::make_shared<velkin::DropTexts>(
                eachItem ? velkin::fuzz::TextFrom(provider, kAlphabet, 3) : folder + L"x.rar",
                provider.ConsumeBool() ? L"1" : L"2", eachItem);
            const wchar_t* kept = texts->Keep(folder);
            const std::size_t whole = model.rows.size();
            bool toldOfRows = false;
            const auto count = provider.ConsumeIntegralInRange<int>(1, 4);
            for (int i = 0; i < count; ++i) {
                const std::wstring name = velkin::fuzz::TextFrom(provider, kAlphabet, 5);
                if (eachItem) {
                    model.rows.emplace_back(
                        velkin::DecimalText(model.dropCount++), texts, kept,
                        texts->KeepPair(name, velkin::fuzz::TextFrom(provider, kAlphabet, 5)));
                } else {
                    model.rows.emplace_back(velkin::DecimalText(model.dropCount), texts, kept,
                                            texts->Keep(name));
                }
                if (provider.ConsumeBool()) {
                    keeper.RowsTakenIn();
                    toldOfRows = true;
                }
                // A number edited once the file holds some of the drop's rows: a cut before the
                // drop's end gives back the list from before the drop, without the edit.
                if (toldOfRows && whole > 0 && provider.ConsumeBool()) {
                    const auto row = provider.ConsumeIntegralInRange<std::size_t>(0, whole - 1);
                    model.rows[row].dropNumber = velkin::fuzz::TextFrom(provider, L"01x", 2);
                    keeper.NumberEdited(row);
                }
            }
            if (provider.ConsumeIntegralInRange(0, 3) == 0) {
                gone = true;
                break;
            }
            model.dropCount += eachItem ? 0 : 1;
            keeper.DropTakenIn();
            break;
        }
        case 1: { // a group deleted
            const auto n = provider.ConsumeIntegralInRange<std::int32_t>(0, 3);
            try {
                velkin::DeleteGroup(model.rows, model.dropCount, n);
            } catch (const velkin::Error&) {
            }
            keeper.GroupDeleted(n);
            break;
        }
        case 2: // a number edited in place
            if (!model.rows.empty()) {
                const auto row =
                    provider.ConsumeIntegralInRange<std::size_t>(0, model.rows.size() - 1);
                model.rows[row].dropNumber = velkin::fuzz::TextFrom(provider, L"01x", 2);
                keeper.NumberEdited(row);
            }
            break;
        case 3: { // a group run and archived: while it runs, it is not archived
            const auto n = provider.ConsumeIntegralInRange<std::int32_t>(0, 3);
            const auto setStatus = [&](std::wstring_view status) {
                for (auto& row : model.rows) {
                    if (row.dropNumber == velkin::DecimalText(n)) {
                        row.status = status;
                    }
                }
            };
            setStatus(L"");
            keeper.GroupStarted(n);
            saw();
            setStatus(L"OK");
            keeper.GroupDone(n);
            break;
        }
        default: // a run stopped
            velkin::KeepRowsToDo(model.rows, model.dropCount);
            keeper.RunStopped();
            break;
        }
        if (gone) {
            break;
        }
        // An emptied list starts the file over: earlier states are gone from it.
        if (model.rows.empty()) {
            states.clear();
        }
        saw();
    }
    if (file.empty()) {
        return;
    }
    std::string damaged = file;
    std::size_t intact = provider.ConsumeIntegralInRange<std::size_t>(0, file.size());
    damaged.resize(intact);
    if (intact > 0 && provider.ConsumeBool()) {
        const auto at = provider.ConsumeIntegralInRange<std::size_t>(0, intact - 1);
        damaged[at] = static_cast<char>(damaged[at] ^ (1 << provider.ConsumeIntegralInRange(0, 7)));
        intact = at;
    }
    const velkin::QueueReplay replay = velkin::ReplayQueue(damaged);
    const auto earlier = std::find_if(states.rbegin(), states.rend(),
                                      [&](const auto& state) { return state.first <= intact; });
    if (earlier != states.rend()) {
        FUZZ_CHECK(Shown(replay.rows, replay.dropCount) == earlier->second);
    }

    velkin::JobList window;
    window.rows = replay.rows;
    window.dropCount = replay.dropCount;
    velkin::RestoreQueue(window.rows, window.dropCount);
    if (replay.kind != velkin::QueueReplay::Kind::Queue || window.rows.empty()) {
        return; // such a file is removed, not offered
    }
    std::string adopted = damaged;
    velkin::QueueKeeper adopter(window, [] { return nullptr; });
    adopter.Adopt(std::make_unique<velkin::MemoryQueueFile>(adopted), replay);
    const velkin::QueueReplay again = velkin::ReplayQueue(adopted);
    FUZZ_CHECK(Shown(again.rows, again.dropCount) == Shown(window.rows, window.dropCount));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    FuzzedDataProvider provider(data + 1, size - 1);
    if (data[0] % 2 == 0) {
        CheckAnyBytes(provider);
    } else {
        CheckWrittenJournal(provider);
    }
    return 0;
}
