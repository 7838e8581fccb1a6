#include <doctest/doctest.h>

#include <windows.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/integer_text.h"
#include "joblist/queue_file_win.h"
#include "joblist/queue_keeper.h"

namespace velkin {
namespace {

// A window of the folder: its list and the keeper of its queue file.
struct Window {
    explicit Window(const std::wstring& folder)
        : keeper(model, [folder] { return win::CreateQueueFile(folder); }) {}
    void Drop(const std::wstring& name) {
        auto texts = std::make_shared<DropTexts>(L"C:\\x\\" + name + L".rar", L"1");
        model.rows.emplace_back(DecimalText(model.dropCount), texts, texts->Keep(L"C:\\x\\"),
                                texts->Keep(name));
        keeper.RowsTakenIn();
        ++model.dropCount;
        keeper.DropTakenIn();
    }
    JobList model;
    QueueKeeper keeper;
};

// The paths of the queue that a start now would offer, which it then holds.
std::wstring Taken(const std::wstring& folder, std::vector<std::unique_ptr<QueueFile>>& held) {
    auto left = win::TakeQueueLeftBehind(folder);
    if (!left) {
        return L"(nothing)";
    }
    std::wstring paths;
    for (const auto& row : left->replay.rows) {
        paths += row.FullPath() + L";";
    }
    held.push_back(std::move(left->file));
    return paths;
}

} // namespace

TEST_CASE("windows of one folder keep their queues apart: a queue is offered only when its "
          "window is gone, each to one start, and an emptied one goes away unoffered") {
    const auto path = std::filesystem::temp_directory_path() /
                      (L"velkin-queue-files-" + std::to_wstring(::GetCurrentProcessId()));
    // Emptied first: a run that failed may have left files under a process number used again.
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    const std::wstring folder = path.wstring() + L"\\";
    auto first = std::make_unique<Window>(folder);
    auto second = std::make_unique<Window>(folder);
    auto emptied = std::make_unique<Window>(folder);
    first->Drop(L"a.txt");
    first->Drop(L"b.txt");
    second->Drop(L"c.txt");
    emptied->Drop(L"d.txt");
    emptied->model.rows.clear();
    emptied->keeper.Cleared();

    std::vector<std::unique_ptr<QueueFile>> held;
    CHECK(Taken(folder, held) == L"(nothing)"); // every window still holds its own
    // Gone as a killed process goes: the files stay, no longer held.
    first.reset();
    emptied.reset();
    CHECK(Taken(folder, held) == L"C:\\x\\a.txt;C:\\x\\b.txt;");
    second.reset();
    CHECK(Taken(folder, held) == L"C:\\x\\c.txt;");
    CHECK(Taken(folder, held) == L"(nothing)"); // both taken, and held by their takers

    for (auto& file : held) {
        file->Remove();
    }
    CHECK(std::filesystem::is_empty(path));
    std::filesystem::remove(path);
}

} // namespace velkin
