#include <doctest/doctest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "joblist/drop_groups.h"
#include "joblist/drop_intake.h"

namespace velkin {
namespace {

// Plays the platform: folders are named up front, the save dialog and the folder picker answer
// from a script, letters of Latin-1 have a case beside ASCII's, and "handling waiting messages"
// can run whatever a test wants to happen in the middle of a drop.
class FakeHost final : public DropIntakeHost {
public:
    std::set<std::wstring> folders;
    std::optional<std::wstring> dialogAnswer;
    std::vector<SaveDialogRequest> dialogRequests;
    std::optional<std::wstring> folderAnswer;
    std::vector<std::wstring> folderRequests;
    std::function<void(std::size_t rowsSoFar)> onBreathe;
    std::size_t appendedNotices = 0;
    const JobList* model = nullptr;

    // A folder named, or one that holds a folder named.
    bool IsDirectory(const std::wstring& path) override {
        return std::any_of(folders.begin(), folders.end(), [&](const std::wstring& folder) {
            return folder == path || (path.ends_with(L'\\') && folder.starts_with(path));
        });
    }
    std::optional<std::wstring> AskArchivePath(const SaveDialogRequest& request) override {
        dialogRequests.push_back(request);
        return dialogAnswer;
    }
    std::optional<std::wstring> AskArchiveFolder(const std::wstring& initialFolder) override {
        folderRequests.push_back(initialFolder);
        return folderAnswer;
    }
    std::wstring UpperCase(std::wstring_view text) override {
        std::wstring upper(text);
        for (auto& c : upper) {
            if ((c >= L'a' && c <= L'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
                c = static_cast<wchar_t>(c - 0x20);
            }
        }
        return upper;
    }
    void Breathe() override {
        if (onBreathe) {
            onBreathe(model->rows.size());
        }
    }
    void RowsAppended() override { ++appendedNotices; }
};

struct Fixture {
    JobList model;
    FakeHost host;
    DropIntake intake{model, host};

    Fixture() {
        host.model = &model;
        for (int n = 1; n <= kProfileCount; ++n) {
            model.profiles.SetText(
                n, std::wstring(ProfileSet::DefaultTexts()[static_cast<std::size_t>(n - 1)]));
        }
    }
};

std::vector<std::wstring> Column(const JobRows& rows, JobColumn column) {
    std::vector<std::wstring> texts;
    std::wstring scratch;
    for (const auto& row : rows) {
        texts.emplace_back(row.Text(column, scratch));
    }
    return texts;
}

using Texts = std::vector<std::wstring>;

} // namespace

TEST_CASE("a drop becomes one group of rows named after its first item") {
    Fixture f;
    f.model.profiles.Select(2);
    f.intake.Receive({L"D:\\x\\a.txt", L"D:\\x\\b.txt", L"D:\\x\\c d.txt"});

    REQUIRE(f.model.rows.size() == 3);
    CHECK(Column(f.model.rows, JobColumn::DropNumber) == Texts{L"0", L"0", L"0"});
    CHECK(Column(f.model.rows, JobColumn::ProfileNumber) == Texts{L"2", L"2", L"2"});
    CHECK(Column(f.model.rows, JobColumn::FileName) == Texts{L"a.txt", L"b.txt", L"c d.txt"});
    CHECK(Column(f.model.rows, JobColumn::FullPath) ==
          Texts{L"D:\\x\\a.txt", L"D:\\x\\b.txt", L"D:\\x\\c d.txt"});
    CHECK(Column(f.model.rows, JobColumn::Destination) ==
          Texts{L"D:\\x\\a.rar", L"D:\\x\\a.rar", L"D:\\x\\a.rar"});
    CHECK(Column(f.model.rows, JobColumn::Status) == Texts{L"", L"", L""});
    CHECK(f.model.dropCount == 1);
    CHECK(f.host.appendedNotices == 1);
    CHECK(f.host.dialogRequests.empty());
}

TEST_CASE("every item of a drop is a row, whatever it is and wherever it lies") {
    Fixture f;
    f.host.folders = {L"E:\\photo.2007", L"D:\\"};
    f.intake.Receive({L"E:\\photo.2007", L"F:\\other\\x.txt", L"E:\\photo.2007"});
    CHECK(Column(f.model.rows, JobColumn::Destination) ==
          Texts{L"E:\\photo.2007.rar", L"E:\\photo.2007.rar", L"E:\\photo.2007.rar"});

    f.intake.Receive({L"D:\\"});
    CHECK(f.model.rows.back().Destination() == L"D:\\.rar");
    CHECK(f.model.rows.back().FileName().empty());
    CHECK(f.model.rows.back().dropNumber == L"1");
    CHECK(f.model.dropCount == 2);
}

TEST_CASE("names the code page cannot hold are kept exactly") {
    Fixture f;
    const std::wstring korean = L"C:\\x\\\uD55C\uAD6D \U0001F600.txt";
    f.intake.Receive({korean});
    CHECK(f.model.rows.front().FullPath() == korean);
    CHECK(f.model.rows.front().FileName() == L"\uD55C\uAD6D \U0001F600.txt");
    CHECK(f.model.rows.front().Destination() == L"C:\\x\\\uD55C\uAD6D \U0001F600.rar");
}

TEST_CASE("a zip profile gives zip archives") {
    Fixture f;
    f.model.profiles.SetText(3, L"-EP1 -AFZIP");
    f.model.profiles.Select(3);
    f.intake.Receive({L"D:\\x\\a.txt"});
    CHECK(f.model.rows.front().Destination() == L"D:\\x\\a.zip");
    CHECK(f.model.rows.front().ProfileNumber() == L"3");
}

TEST_CASE("choosing the archive path in the save dialog") {
    Fixture f;
    f.model.savePath = true;

    SUBCASE("confirmed: every row takes the chosen path") {
        f.host.dialogAnswer = L"E:\\out\\set1.rar";
        f.intake.Receive({L"D:\\x\\a.txt", L"D:\\y\\b.txt"});
        REQUIRE(f.host.dialogRequests.size() == 1);
        CHECK(f.host.dialogRequests[0].initialFolder == L"D:\\x\\");
        CHECK(f.host.dialogRequests[0].fileName == L"a.rar");
        CHECK(Column(f.model.rows, JobColumn::Destination) ==
              Texts{L"E:\\out\\set1.rar", L"E:\\out\\set1.rar"});
        CHECK(f.model.dropCount == 1);
    }
    SUBCASE("cancelled: the derived path, and the drop goes on") {
        f.intake.Receive({L"D:\\x\\a.txt", L"D:\\y\\b.txt"});
        CHECK(Column(f.model.rows, JobColumn::Destination) ==
              Texts{L"D:\\x\\a.rar", L"D:\\x\\a.rar"});
        CHECK(f.model.dropCount == 1);
    }
    SUBCASE("a zip drop offers only zip") {
        f.model.profiles.ReplaceSelectedText(L"-afzip");
        f.intake.Receive({L"D:\\x\\a.txt"});
        REQUIRE(f.host.dialogRequests.size() == 1);
        CHECK(f.host.dialogRequests[0].filter == L"zip (*.zip)|*.zip");
        CHECK(f.host.dialogRequests[0].fileName == L"a.zip");
    }
}

TEST_CASE("what happens between rows cannot split a drop") {
    Fixture f;
    std::vector<std::wstring> second = {L"E:\\q\\1.txt", L"E:\\q\\2.txt"};
    bool secondDelivered = false;
    f.host.onBreathe = [&](std::size_t rowsSoFar) {
        if (rowsSoFar == 2 && !secondDelivered) {
            // The user picks profile 4 and drops again while the first drop is coming in.
            secondDelivered = true;
            f.model.profiles.Select(4);
            f.intake.Receive(second);
            CHECK(f.intake.Busy());
        }
    };
    f.intake.Receive({L"D:\\x\\a", L"D:\\x\\b", L"D:\\x\\c", L"D:\\x\\d"});

    CHECK_FALSE(f.intake.Busy());
    CHECK(Column(f.model.rows, JobColumn::FullPath) == Texts{L"D:\\x\\a", L"D:\\x\\b", L"D:\\x\\c",
                                                             L"D:\\x\\d", L"E:\\q\\1.txt",
                                                             L"E:\\q\\2.txt"});
    CHECK(Column(f.model.rows, JobColumn::DropNumber) == Texts{L"0", L"0", L"0", L"0", L"1", L"1"});
    CHECK(Column(f.model.rows, JobColumn::ProfileNumber) ==
          Texts{L"1", L"1", L"1", L"1", L"4", L"4"});
    CHECK(Column(f.model.rows, JobColumn::Destination) == Texts{L"D:\\x\\a.rar", L"D:\\x\\a.rar",
                                                                L"D:\\x\\a.rar", L"D:\\x\\a.rar",
                                                                L"E:\\q\\1.rar", L"E:\\q\\1.rar"});
    CHECK(f.model.dropCount == 2);
    CHECK(f.host.appendedNotices == 2);
}

TEST_CASE("a waiting drop keeps what the user had chosen when it arrived") {
    Fixture f;
    f.model.profiles.SetText(4, L"-EP1 -afzip -df");
    f.host.dialogAnswer = L"E:\\chosen.zip";
    bool delivered = false;
    f.host.onBreathe = [&](std::size_t) {
        if (!delivered) {
            delivered = true;
            // Arrives with profile 1 and no save dialog; the user then changes both before it
            // is taken in.
            f.intake.Receive({L"E:\\q\\1.txt"});
            f.model.profiles.Select(4);
            f.model.savePath = true;
        }
    };
    f.intake.Receive({L"D:\\x\\a", L"D:\\x\\b"});

    REQUIRE(f.model.rows.size() == 3);
    CHECK(f.model.rows.back().ProfileNumber() == L"1");
    CHECK(f.model.rows.back().Destination() == L"E:\\q\\1.rar");
    CHECK(f.host.dialogRequests.empty());
    // The next drop takes the new choices.
    f.host.onBreathe = nullptr;
    f.intake.Receive({L"F:\\r.txt"});
    CHECK(f.model.rows.back().ProfileNumber() == L"4");
    CHECK(f.model.rows.back().Destination() == L"E:\\chosen.zip");
    CHECK(f.host.dialogRequests.size() == 1);
}

TEST_CASE("several drops arriving during one intake are taken in arrival order") {
    Fixture f;
    int delivered = 0;
    f.host.onBreathe = [&](std::size_t) {
        if (delivered < 2) {
            ++delivered;
            f.intake.Receive({L"Z:\\" + std::to_wstring(delivered)});
        }
    };
    f.intake.Receive({L"Y:\\a", L"Y:\\b"});
    CHECK(Column(f.model.rows, JobColumn::FullPath) ==
          Texts{L"Y:\\a", L"Y:\\b", L"Z:\\1", L"Z:\\2"});
    CHECK(Column(f.model.rows, JobColumn::DropNumber) == Texts{L"0", L"0", L"1", L"2"});
}

TEST_CASE("drops that arrive while the intake is held wait until the holder takes them in") {
    Fixture f;
    f.intake.Hold();
    f.intake.Receive({L"Y:\\a", L"Y:\\b"});
    f.intake.Receive({L"Z:\\c"});
    f.intake.TakeInWaiting();
    CHECK(f.model.rows.empty());
    f.intake.Release();
    CHECK(f.model.rows.empty());

    f.intake.TakeInWaiting();
    CHECK(Column(f.model.rows, JobColumn::FullPath) == Texts{L"Y:\\a", L"Y:\\b", L"Z:\\c"});
    CHECK(Column(f.model.rows, JobColumn::DropNumber) == Texts{L"0", L"0", L"1"});
    CHECK(f.model.dropCount == 2);
}

TEST_CASE("an empty drop takes no drop number") {
    Fixture f;
    f.intake.Receive(std::vector<std::wstring>{});
    CHECK(f.model.rows.empty());
    CHECK(f.model.dropCount == 0);
}

TEST_CASE("with the option on, each item is a group of its own named after it; clashing names "
          "get a number before the extension") {
    struct Case {
        const char* name;
        Texts paths;
        Texts destinations;
        std::set<std::wstring> folders = {};
        std::wstring profile = L"-EP1";
        std::wstring archiver = L"C:\\WinRAR\\WinRAR.exe";
        std::optional<std::wstring> chosenFolder = std::nullopt; // with the save option
    };
    const Case cases[] = {
        {"each in its own folder, a folder keeping its dots",
         {L"D:\\x\\a.txt", L"D:\\x\\photo.2007", L"E:\\y\\b.doc"},
         {L"D:\\x\\a.rar", L"D:\\x\\photo.2007.rar", L"E:\\y\\b.rar"},
         {L"D:\\x\\photo.2007"}},
        {"a file and a folder of one name, in any letter case, also the folder's",
         {L"D:\\x\\report.txt", L"D:\\x\\report", L"D:\\x\\REPORT.doc", L"d:\\X\\Report.md"},
         {L"D:\\x\\report.rar", L"D:\\x\\report (2).rar", L"D:\\x\\REPORT (3).rar",
          L"d:\\X\\Report (4).rar"},
         {L"D:\\x\\report"}},
        {"a number already taken is passed over",
         {L"D:\\x\\a (2).txt", L"D:\\x\\a.txt", L"D:\\x\\a.doc"},
         {L"D:\\x\\a (2).rar", L"D:\\x\\a.rar", L"D:\\x\\a (3).rar"}},
        {"letters beyond ASCII compare as the system's table says",
         {L"D:\\x\\\u00C4.txt", L"D:\\x\\\u00E4.doc", L"D:\\x\\\u8868.txt"},
         {L"D:\\x\\\u00C4.rar", L"D:\\x\\\u00E4 (2).rar", L"D:\\x\\\u8868.rar"}},
        {"one name in two folders is no clash",
         {L"D:\\x\\a.txt", L"D:\\y\\a.txt"},
         {L"D:\\x\\a.rar", L"D:\\y\\a.rar"}},
        {"a zip profile",
         {L"D:\\x\\a.txt", L"D:\\x\\a.doc"},
         {L"D:\\x\\a.zip", L"D:\\x\\a (2).zip"},
         {},
         L"-afzip"},
        {"a 7-Zip type of one file: each file alone keeps its name, the number before .gz",
         {L"D:\\x\\r.txt", L"D:\\x\\docs", L"D:\\x\\r.txt"},
         {L"D:\\x\\r.txt.gz", L"D:\\x\\docs.7z", L"D:\\x\\r.txt (2).gz"},
         {L"D:\\x\\docs"},
         L"-tgzip",
         L"C:\\7-Zip\\7z.exe"},
        {"the save option: all into the chosen folder",
         {L"D:\\x\\a.txt", L"E:\\y\\a.txt", L"E:\\y\\b"},
         {L"F:\\out\\a.rar", L"F:\\out\\a (2).rar", L"F:\\out\\b.rar"},
         {},
         L"-EP1",
         L"C:\\WinRAR\\WinRAR.exe",
         L"F:\\out"},
        {"the save option: a drive's root",
         {L"D:\\x\\a.txt"},
         {L"F:\\a.rar"},
         {},
         L"-EP1",
         L"C:\\WinRAR\\WinRAR.exe",
         L"F:\\"},
    };
    for (const auto& c : cases) {
        CAPTURE(std::string(c.name));
        Fixture f;
        f.model.eachItem = true;
        f.model.winRarPath = c.archiver;
        f.model.profiles.SetText(2, c.profile);
        f.model.profiles.Select(2);
        f.host.folderAnswer = c.chosenFolder;
        f.host.folders = c.folders;
        // "/each" takes each path whole, whatever the option says.
        f.intake.Receive({L"Z:\\a.txt", L"Z:\\b.txt"}, DropIntake::Grouping::Whole);
        f.model.savePath = c.chosenFolder.has_value();
        f.intake.Receive(c.paths);

        Texts numbers;
        for (std::size_t n = 1; n <= c.paths.size(); ++n) {
            numbers.push_back(std::to_wstring(n));
        }
        CHECK(Column(f.model.rows, JobColumn::DropNumber)[1] == L"0");
        const JobRows drop(f.model.rows.begin() + 2, f.model.rows.end());
        CHECK(Column(drop, JobColumn::DropNumber) == numbers);
        CHECK(Column(drop, JobColumn::FullPath) == c.paths);
        CHECK(Column(drop, JobColumn::ProfileNumber) == Texts(c.paths.size(), L"2"));
        CHECK(Column(drop, JobColumn::Destination) == c.destinations);
        CHECK(f.model.dropCount == static_cast<std::int32_t>(c.paths.size() + 1));
        CHECK(f.host.dialogRequests.empty());
        CHECK(f.host.folderRequests == (c.chosenFolder ? Texts{L"D:\\x\\"} : Texts{}));
        CHECK(f.host.appendedNotices == 2);

        // Deleting one leaves the others groups of their own.
        DeleteGroup(f.model.rows, f.model.dropCount, 1);
        numbers.pop_back();
        numbers.insert(numbers.begin(), {L"0", L"0"});
        CHECK(Column(f.model.rows, JobColumn::DropNumber) == numbers);
        CHECK(f.model.dropCount == static_cast<std::int32_t>(c.paths.size()));
    }
}

TEST_CASE("the option counts from the drops that arrive after it changes; a cancelled folder "
          "picker leaves each archive in its item's folder") {
    Fixture f;
    bool clicked = false;
    f.host.onBreathe = [&](std::size_t) {
        if (!clicked) {
            clicked = true;
            f.model.eachItem = true;
            f.intake.Receive({L"E:\\q\\1.txt", L"E:\\q\\2.txt"});
        }
    };
    f.intake.Receive({L"D:\\x\\a.txt", L"D:\\x\\b.txt"});
    CHECK(Column(f.model.rows, JobColumn::DropNumber) == Texts{L"0", L"0", L"1", L"2"});
    CHECK(f.model.dropCount == 3);

    f.model.savePath = true;
    f.intake.Receive({L"F:\\c.txt", L"F:\\d.txt"});
    CHECK(f.host.folderRequests == Texts{L"F:\\"});
    CHECK(Column(f.model.rows, JobColumn::Destination) == Texts{L"D:\\x\\a.rar", L"D:\\x\\a.rar",
                                                                L"E:\\q\\1.rar", L"E:\\q\\2.rar",
                                                                L"F:\\c.rar", L"F:\\d.rar"});
    CHECK(f.model.dropCount == 5);
}

} // namespace velkin
