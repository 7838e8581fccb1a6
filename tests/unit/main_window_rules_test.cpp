#include <doctest/doctest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/busy_rule.h"
#include "app/deferred_close.h"
#include "app/job_list_edits.h"
#include "base/message_texts.h"
#include "base/velkin_error.h"
#include "joblist/drop_groups.h"
#include "memory_queue_file.h"

namespace velkin {
namespace {

using Step = DeferredClose::Step;
using Texts = std::vector<std::wstring>;

Texts Numbers(const JobRows& rows) {
    Texts numbers;
    for (const auto& row : rows) {
        numbers.push_back(row.dropNumber);
    }
    return numbers;
}

// A window's list with its queue file in memory; counts how often the view showed all rows and
// keeps the questions asked.
struct Window {
    JobList list;
    std::string file;
    QueueKeeper keeper{list, [this] { return std::make_unique<MemoryQueueFile>(file); }};
    int shown = 0;
    JobListEdits edits{list, keeper, [this] { ++shown; }};
    Texts questions;

    explicit Window(const std::vector<std::pair<std::wstring, std::wstring>>& rows) {
        for (const auto& [number, destination] : rows) {
            list.rows.emplace_back(number, L"1", L"C:\\x\\" + number, destination);
        }
        list.dropCount = 3;
        keeper.DropTakenIn();
    }
    JobListEdits::Confirm Answer(bool yes) {
        return [this, yes](std::wstring_view question) {
            questions.emplace_back(question);
            return yes;
        };
    }
    // The queue file gives back the list as it stands.
    bool FileAgrees() const {
        const QueueReplay replay = ReplayQueue(file);
        return Numbers(replay.rows) == Numbers(list.rows) && replay.dropCount == list.dropCount;
    }
};

} // namespace

TEST_CASE("while busy exactly the commands that change which rows exist are refused") {
    struct Case {
        unsigned id;
        bool allowedWhileBusy;
    };
    const Case cases[] = {
        {kCmdExit, true},        {kCmdDeleteNum, false},   {kCmdClear, false},
        {kCmdProfile1, true},    {kCmdProfile1 + 2, true}, {kCmdProfile5, true},
        {kCmdEditProfile, true}, {kCmdSavePath, true},     {kCmdClearEnd, true},
        {kCmdStart, false},      {kCmdAbout, true},        {kCmdReadmetxt, true},
        {kCmdEachItem, true},
    };
    for (const auto& c : cases) {
        CAPTURE(c.id);
        CHECK(CommandAllowed(c.id, false));
        CHECK(CommandAllowed(c.id, true) == c.allowedWhileBusy);
    }
}

TEST_CASE("a close waits while the window is held; during a run it stops the run and keeps the "
          "queue; arrivals not yet seen keep the window open") {
    struct Case {
        const char* name;
        DeferredClose::Moment at;
        Step asked;     // what the close comes to at once
        bool stopsRun;  // meanwhile
        Step resumed;   // once nothing holds the window
        Step nextClose; // the close after that, nothing held
    };
    const Case cases[] = {
        {"nothing under way", {}, Step::Close, false, Step::Wait, Step::Close},
        {"arrivals not yet seen",
         {.arrivalsUnseen = true},
         Step::TakeInArrivals,
         false,
         Step::Wait,
         Step::Close},
        {"a run",
         {.held = true, .running = true},
         Step::Wait,
         true,
         Step::Close,
         Step::CloseKeepingQueue},
        {"a box or a drop", {.held = true}, Step::Wait, false, Step::Close, Step::Close},
        {"a run, arrivals not yet seen",
         {.held = true, .running = true, .arrivalsUnseen = true},
         Step::Wait,
         true,
         Step::TakeInArrivals,
         Step::Close},
    };
    for (const auto& c : cases) {
        CAPTURE(c.name);
        DeferredClose close;
        CHECK(close.Asked(c.at) == c.asked);
        CHECK(close.waiting() == (c.asked == Step::Wait));
        CHECK(close.stopsRun() == c.stopsRun);
        CHECK(close.Resumed(true) == Step::Wait);
        CHECK(close.Resumed(false) == c.resumed);
        CHECK_FALSE(close.waiting());
        CHECK(close.Resumed(false) == Step::Wait);
        CHECK(close.Asked({}) == c.nextClose);
        CHECK_FALSE(close.stopsRun());
    }
}

TEST_CASE("deleting the group of a row asks first, renumbers the rest and tells the queue file; "
          "an unreadable number stops it, half way at worst, and the view shows what is left") {
    Window w({{L"0", L"A"}, {L"1", L"B"}, {L"1", L"B"}, {L"2", L"C"}});
    w.edits.DeleteGroupAt(std::nullopt, w.Answer(true));
    w.edits.DeleteGroupAt(4, w.Answer(true));
    CHECK(w.questions.empty());

    w.edits.DeleteGroupAt(2, w.Answer(false));
    CHECK(w.questions == Texts{DeleteGroupQuestion(L"1")});
    CHECK(Numbers(w.list.rows) == Texts{L"0", L"1", L"1", L"2"});
    CHECK(w.shown == 0);

    w.edits.DeleteGroupAt(1, w.Answer(true));
    CHECK(Numbers(w.list.rows) == Texts{L"0", L"1"});
    CHECK(w.list.dropCount == 2);
    CHECK(w.shown == 1);
    CHECK(w.FileAgrees());

    // Edited in place: the text is the row's number, whatever it reads as.
    CHECK(w.edits.EditDropNumber(1, L"x"));
    CHECK_FALSE(w.edits.EditDropNumber(2, L"0"));
    CHECK(w.FileAgrees());
    CHECK_THROWS_AS(w.edits.DeleteGroupAt(1, w.Answer(true)), Error);
    CHECK(Numbers(w.list.rows) == Texts{L"0", L"x"});
    CHECK(w.shown == 1);

    w.list.rows.emplace_back(L"0", L"1", L"C:\\x\\y", L"D");
    w.keeper.DropTakenIn();
    CHECK_THROWS_AS(w.edits.DeleteGroupAt(0, w.Answer(true)), Error);
    CHECK(Numbers(w.list.rows) == Texts{L"x", L"0"});
    CHECK(w.shown == 2);
    CHECK(w.FileAgrees());

    w.edits.Clear(w.Answer(false));
    CHECK(w.list.rows.size() == 2);
    w.edits.Clear(w.Answer(true));
    CHECK(w.questions.back() == text::kConfirmClear);
    CHECK(w.list.rows.empty());
    CHECK(w.list.dropCount == 0);
    CHECK(w.shown == 3);
    CHECK(w.file == QueueJournal::Header());
}

} // namespace velkin
