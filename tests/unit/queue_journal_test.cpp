#include <doctest/doctest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/integer_text.h"
#include "joblist/drop_groups.h"
#include "joblist/queue_keeper.h"
#include "memory_queue_file.h"

namespace velkin {
namespace {

struct Window {
    JobList model;
    std::string file;
    // Every row told of is written at once, so that a cut can fall inside a drop.
    QueueKeeper keeper{model, [this] { return std::make_unique<MemoryQueueFile>(file); },
                       QueueKeeper::Pace{1, 0}};
    // After each change: the file's length and the list it must give back.
    std::vector<std::pair<std::size_t, std::vector<std::wstring>>> states;

    void Saw() {
        states.emplace_back(file.size(), QueuedRows(model.rows));
        states.back().second.push_back(L"count " + DecimalText(model.dropCount));
    }
    // A drop from one folder; the keeper hears of its rows part way through, as at a breath.
    void Drop(const std::wstring& folder, std::vector<std::wstring> names,
              const std::wstring& profile = L"1") {
        auto texts = std::make_shared<DropTexts>(folder + names[0] + L".rar", profile);
        const wchar_t* kept = texts->Keep(folder);
        for (std::size_t i = 0; i < names.size(); ++i) {
            model.rows.emplace_back(DecimalText(model.dropCount), texts, kept,
                                    texts->Keep(names[i]));
            if (i == 0) {
                keeper.RowsTakenIn();
            }
        }
        ++model.dropCount;
        keeper.DropTakenIn();
        Saw();
    }
    // A drop whose items each have an archive, in archiveFolder or, without one, their own.
    void DropEach(const std::wstring& folder, std::vector<std::wstring> names,
                  const std::wstring& archiveFolder = L"") {
        auto texts = std::make_shared<DropTexts>(archiveFolder, L"3", true);
        const wchar_t* kept = texts->Keep(folder);
        for (const auto& name : names) {
            model.rows.emplace_back(DecimalText(model.dropCount++), texts, kept,
                                    texts->KeepPair(name, name + L".rar"));
            keeper.RowsTakenIn();
        }
        keeper.DropTakenIn();
        Saw();
    }
    // Group n run and archived; while it runs, it is not archived.
    void Done(std::int32_t n) {
        keeper.GroupStarted(n);
        Saw();
        for (auto& row : model.rows) {
            row.status = row.dropNumber == DecimalText(n) ? L"OK" : row.status;
        }
        keeper.GroupDone(n);
        Saw();
    }
};

std::vector<std::wstring> Replayed(std::string_view bytes) {
    const QueueReplay replay = ReplayQueue(bytes);
    auto shown = QueuedRows(replay.rows);
    shown.push_back(L"count " + DecimalText(replay.dropCount));
    return shown;
}

} // namespace

TEST_CASE("the queue file gives back the window's list after every change, and after none "
          "a cut or a flipped byte is taken for an earlier state") {
    Window w;
    CHECK(w.file.empty()); // no file before the first row
    w.Drop(L"C:\\x\\", {L"a.txt", L"b c.txt", L"\u8868.txt"});
    w.Drop(L"D:\\\uD55C\uAD6D\\", {L"\U0001F600"}, L"2");
    w.Drop(L"C:\\x\\", {L"a.txt"}); // the same destination as group 0, one group apart
    w.model.rows[3].dropNumber = L"01";
    w.keeper.NumberEdited(3);
    w.Saw();
    w.Done(0);
    DeleteGroup(w.model.rows, w.model.dropCount, 1); // joins 0 and 2 into one group
    w.keeper.GroupDeleted(1);
    w.Saw();
    w.Drop(L"E:\\", {L"e"});
    w.DropEach(L"F:\\y\\", {L"f", L"\u8868"});
    w.DropEach(L"F:\\z\\", {L"g"}, L"G:\\out\\");
    // A run stopped: the archived rows go, the rest are numbered afresh.
    KeepRowsToDo(w.model.rows, w.model.dropCount);
    w.keeper.RunStopped();
    w.Saw();

    // The list as it stood after the last change whose records end at or before `limit`.
    const auto stateAt = [&](std::size_t limit) {
        const auto earlier = std::find_if(w.states.rbegin(), w.states.rend(),
                                          [&](const auto& state) { return state.first <= limit; });
        return earlier == w.states.rend() ? std::vector<std::wstring>{L"count 0"} : earlier->second;
    };
    // What each change left, whole; cut anywhere in the records it wrote, the state before it.
    std::size_t before = 0;
    for (const auto& state : w.states) {
        const std::size_t size = state.first;
        CAPTURE(size);
        CHECK(Replayed(std::string_view(w.file).substr(0, size)) == state.second);
        for (std::size_t cut = before + 1; cut < size; ++cut) {
            CHECK(Replayed(std::string_view(w.file).substr(0, cut)) == stateAt(cut));
        }
        before = size;
    }
    // A flipped byte anywhere in a record ends the replay at the record before it.
    for (std::size_t at = kQueueHeaderBytes; at < w.file.size(); at += 7) {
        std::string flipped = w.file;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x20);
        CHECK(Replayed(flipped) == stateAt(at));
    }

    // An empty list starts the file over.
    w.model.rows.clear();
    w.model.dropCount = 0;
    w.keeper.Cleared();
    CHECK(w.file == QueueJournal::Header());
    w.keeper.Discard();
    CHECK(w.file == "(removed)");
}

TEST_CASE("a queue put back is the list its file gives back once adopted, wherever the file "
          "was cut") {
    Window w;
    w.Drop(L"C:\\a\\", {L"a1", L"a2"});
    w.Drop(L"C:\\b\\", {L"b"});
    w.Drop(L"C:\\d\\", {L"d"}, L"2");
    w.Drop(L"C:\\f\\", {L"f"});
    w.Done(3);
    DeleteGroup(w.model.rows, w.model.dropCount, 3);
    w.keeper.GroupDeleted(3);
    // While a large drop comes in, a number is edited, and the window goes before the drop ends.
    auto texts = std::make_shared<DropTexts>(L"C:\\e\\e0.rar", L"1");
    const wchar_t* folder = texts->Keep(L"C:\\e\\");
    for (const wchar_t* name : {L"e0", L"e1", L"e2"}) {
        w.model.rows.emplace_back(L"3", texts, folder, texts->Keep(name));
        w.keeper.RowsTakenIn();
        if (w.model.rows.size() == 5) {
            w.model.rows[0].dropNumber = L"1";
            w.keeper.NumberEdited(0);
        }
    }

    for (std::size_t cut = kQueueHeaderBytes; cut <= w.file.size(); ++cut) {
        const std::string_view left = std::string_view(w.file).substr(0, cut);
        QueueReplay replay = ReplayQueue(left);
        RestoreQueue(replay.rows, replay.dropCount);
        if (replay.rows.empty()) {
            continue; // such a file is removed, not offered
        }
        JobList window;
        window.rows = std::move(replay.rows);
        window.dropCount = replay.dropCount;
        std::string kept(left);
        QueueKeeper keeper(window, [] { return nullptr; });
        keeper.Adopt(std::make_unique<MemoryQueueFile>(kept), ReplayQueue(left));
        auto shown = QueuedRows(window.rows);
        shown.push_back(L"count " + DecimalText(window.dropCount));
        CAPTURE(cut);
        CHECK(Replayed(kept) == shown);
    }
}

TEST_CASE("each change is synced; a drop of megabytes is left to the system, and only it") {
    JobList model;
    std::string file;
    std::size_t syncs = 0;
    QueueKeeper keeper(model, [&] { return std::make_unique<MemoryQueueFile>(file, &syncs); });
    model.rows.emplace_back(L"0", L"1", L"C:\\a", L"C:\\a.rar");
    model.dropCount = 1;
    keeper.DropTakenIn();
    CHECK(syncs == 1);
    auto texts = std::make_shared<DropTexts>(L"C:\\b.rar", L"1");
    const wchar_t* folder = texts->Keep(L"C:\\");
    const wchar_t* name = texts->Keep(std::wstring(500, L'b'));
    while (file.size() < (std::size_t{3} << 20)) {
        model.rows.emplace_back(L"1", texts, folder, name);
        keeper.RowsTakenIn();
    }
    model.dropCount = 2;
    keeper.DropTakenIn();
    CHECK(syncs == 1); // neither while it came in nor at its end
    model.rows[0].dropNumber = L"5";
    keeper.NumberEdited(0);
    CHECK(syncs == 2);
    keeper.GroupStarted(5);
    CHECK(syncs == 3);
    model.rows[0].status = L"OK";
    keeper.GroupDone(5);
    CHECK(syncs == 4);
}

TEST_CASE("a queue put back: archived rows go, the rest keep their texts, numbered afresh only "
          "when rows went; a drop cut short is no part of it") {
    Window w;
    w.Drop(L"C:\\x\\", {L"a"});
    w.Drop(L"C:\\y\\", {L"b", L"c"});
    w.Drop(L"C:\\z\\", {L"d"});
    QueueReplay replay = ReplayQueue(w.file);
    RestoreQueue(replay.rows, replay.dropCount);
    CHECK(QueuedRows(replay.rows) ==
          std::vector<std::wstring>{L"0|1|C:\\x\\a|C:\\x\\a.rar", L"1|1|C:\\y\\b|C:\\y\\b.rar",
                                    L"1|1|C:\\y\\c|C:\\y\\b.rar", L"2|1|C:\\z\\d|C:\\z\\d.rar"});
    CHECK(replay.dropCount == 3);

    w.Done(1);
    const std::size_t whole = w.file.size();
    // The window went while a fourth drop came in.
    w.model.rows.emplace_back(L"3", L"1", L"C:\\w\\e", L"C:\\w\\e.rar");
    w.keeper.RowsTakenIn();
    replay = ReplayQueue(w.file);
    CHECK(replay.usableBytes == whole);
    RestoreQueue(replay.rows, replay.dropCount);
    CHECK(QueuedRows(replay.rows) ==
          std::vector<std::wstring>{L"0|1|C:\\x\\a|C:\\x\\a.rar", L"1|1|C:\\z\\d|C:\\z\\d.rar"});
    CHECK(replay.dropCount == 2);
    CHECK(GroupCount(replay.rows) == 2);

    // Adopted, the file goes on where its whole records end; replayed, it is the list put back.
    std::string adopted = w.file;
    JobList restored;
    restored.rows = replay.rows;
    restored.dropCount = replay.dropCount;
    QueueKeeper keeper(restored, [] { return nullptr; });
    keeper.Adopt(std::make_unique<MemoryQueueFile>(adopted), ReplayQueue(w.file));
    CHECK(QueuedRows(ReplayQueue(adopted).rows) == QueuedRows(restored.rows));

    // Not a queue at all, or one of another version.
    CHECK(ReplayQueue("").kind == QueueReplay::Kind::Damaged);
    CHECK(ReplayQueue("VelkinQ\x1A").kind == QueueReplay::Kind::Damaged);
    std::string future = QueueJournal::Header();
    future[8] = 2;
    CHECK(ReplayQueue(future).kind == QueueReplay::Kind::OtherVersion);

    // Items that each got an archive come back as a group each.
    Window each;
    each.Drop(L"C:\\x\\", {L"a"});
    each.DropEach(L"D:\\y\\", {L"b", L"c", L"d"}, L"E:\\out\\");
    each.Done(2);
    replay = ReplayQueue(each.file);
    RestoreQueue(replay.rows, replay.dropCount);
    CHECK(QueuedRows(replay.rows) == std::vector<std::wstring>{L"0|1|C:\\x\\a|C:\\x\\a.rar",
                                                               L"1|3|D:\\y\\b|E:\\out\\b.rar",
                                                               L"2|3|D:\\y\\d|E:\\out\\d.rar"});
    CHECK(replay.dropCount == 3);
}

} // namespace velkin
