#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "app/app_model.h"
#include "base/archiver_kind.h"
#include "base/code_page.h"
#include "base/little_endian.h"
#include "base/program_subsystem.h"
#include "joblist/archive_naming.h"
#include "joblist/drop_intake.h"
#include "runner/exit_status.h"
#include "settings/seven_zip_switches.h"

namespace velkin {
namespace {

class OneFolder final : public DropIntakeHost {
public:
    bool IsDirectory(const std::wstring& path) override { return path == L"D:\\x\\photos"; }
    std::optional<std::wstring> AskArchivePath(const SaveDialogRequest& request) override {
        requests.push_back(request);
        return std::nullopt;
    }
    std::optional<std::wstring> AskArchiveFolder(const std::wstring&) override {
        return std::nullopt;
    }
    std::wstring UpperCase(std::wstring_view text) override { return std::wstring(text); }
    void Breathe() override {}
    void RowsAppended() override {}
    std::vector<SaveDialogRequest> requests;
};

} // namespace

namespace {

// The first bytes of a program file: a DOS header pointing at a PE header at `at`, whose
// optional header has the magic and subsystem given.
std::string ProgramHeader(std::uint32_t at, std::uint16_t magic, std::uint16_t subsystem) {
    std::string bytes(at + 4 + 20 + 96, '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    PutLittleEndian(bytes, 0x3C, at, 4);
    bytes.replace(at, 4, std::string_view("PE\0\0", 4));
    PutLittleEndian(bytes, at + 24, magic, 2);
    PutLittleEndian(bytes, at + 24 + 68, subsystem, 2);
    return bytes;
}

} // namespace

TEST_CASE("a program's subsystem comes from its PE header; anything unreadable is a window "
          "program") {
    const std::string console64 = ProgramHeader(0x100, 0x20B, 3);
    struct Case {
        std::string header;
        ProgramSubsystem subsystem;
    };
    const Case cases[] = {
        {console64, ProgramSubsystem::Console},
        {ProgramHeader(0x80, 0x10B, 3), ProgramSubsystem::Console},
        {ProgramHeader(0x100, 0x20B, 2), ProgramSubsystem::Window},
        {ProgramHeader(0xF0, 0x10B, 2), ProgramSubsystem::Window},
        {ProgramHeader(0x100, 0x20B, 0x103), ProgramSubsystem::Window},
        {ProgramHeader(0x100, 0x107, 3), ProgramSubsystem::Window},
        {"ZM" + console64.substr(2), ProgramSubsystem::Window},
        {console64.substr(0, 0x100 + 24 + 69), ProgramSubsystem::Window},
        {console64.substr(0, 63), ProgramSubsystem::Window},
        {console64.substr(0, 0x100) + "PE\0\1" + console64.substr(0x104), ProgramSubsystem::Window},
        {"", ProgramSubsystem::Window},
    };
    for (const auto& c : cases) {
        CHECK(SubsystemOfHeader(c.header) == c.subsystem);
    }
    // An offset far past the file's start, where adding to it must not wrap round.
    std::string far = console64;
    PutLittleEndian(far, 0x3C, 0xFFFFFFF0, 4);
    CHECK(SubsystemOfHeader(far) == ProgramSubsystem::Window);
}

TEST_CASE("the archiver's kind comes from its program's file name") {
    struct Case {
        std::wstring_view path;
        ArchiverKind kind;
    };
    const Case cases[] = {
        {L"C:\\PROGRA~1\\7-Zip\\7z.exe", ArchiverKind::SevenZip},
        {L"C:\\Program Files\\7-Zip\\7zG.exe", ArchiverKind::SevenZip},
        {L"D:\\tools\\7ZA.EXE", ArchiverKind::SevenZip},
        {L"D:/tools/7zz.exe", ArchiverKind::SevenZip},
        {L"C:\\Users\\u\\AppData\\Local\\Microsoft\\WindowsApps\\NanaZipC.exe",
         ArchiverKind::SevenZip},
        {L"nanazipg.exe", ArchiverKind::SevenZip},
        {L"C:\\PROGRA~1\\WinRAR\\WinRAR.exe", ArchiverKind::WinRar},
        {L"C:\\7z.exe\\Rar.exe", ArchiverKind::WinRar}, // a folder's name decides nothing
        {L"C:\\7-Zip\\7zFM.exe", ArchiverKind::WinRar}, // the file manager takes no commands
        {L"C:\\x\\7z.exe.bak", ArchiverKind::WinRar},
        {L"", ArchiverKind::WinRar},
    };
    for (const auto& c : cases) {
        CHECK(ArchiverKindOf(c.path) == c.kind);
    }
}

TEST_CASE("the 7-Zip family's archive type and list charset are read as it reads switches") {
    struct Case {
        std::wstring_view switches;
        std::optional<std::wstring> type;
        std::optional<std::wstring> charset;
    };
    const Case cases[] = {
        {L"-tzip -mcu=on", L"zip", std::nullopt},
        {L"-T7Z -SCSutf-16le", L"7Z", L"utf-16le"},
        {L"\"-ttar\" -scs\"WIN\"", L"tar", L"WIN"},
        {L"-mx=9\t-tgzip", L"gzip", std::nullopt},
        {L"-tzip -t7z", L"zip", std::nullopt}, // the archiver refuses a second one anyway
        {L"-- -tzip", std::nullopt, std::nullopt},
        {L"-ap\"-tzip x\"", std::nullopt, std::nullopt}, // inside another switch's argument
        {L"tzip -scc", std::nullopt, std::nullopt},
        {L"", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto read = ReadSevenZipSwitches(c.switches);
        CHECK(read.type == c.type);
        CHECK(read.charset == c.charset);
    }
}

TEST_CASE("each code page a -scs switch may name is converted as Windows allows it") {
    struct Case {
        std::uint32_t codePage;
        UnholdableCheck check;
        std::size_t mostBytesPerUnit;
    };
    // Windows refuses WC_NO_BEST_FIT_CHARS or a lpUsedDefaultChar pointer for UTF-7, UTF-8,
    // Symbol, the ISO-2022 code pages, HZ-GB2312, GB18030 and ISCII.
    constexpr auto kReported = UnholdableCheck::ReportedBySystem;
    constexpr auto kBack = UnholdableCheck::ConvertedBack;
    const Case cases[] = {
        {932, kReported, 3},   {1252, kReported, 3},  {437, kReported, 3},   {936, kReported, 3},
        {65001, kBack, 3},     {65000, kBack, 16},    {42, kBack, 16},       {50220, kBack, 16},
        {50221, kBack, 16},    {50222, kBack, 16},    {50225, kBack, 16},    {50227, kBack, 16},
        {50229, kBack, 16},    {52936, kBack, 16},    {54936, kBack, 16},    {57002, kBack, 16},
        {57011, kBack, 16},    {50219, kReported, 3}, {50230, kReported, 3}, {57001, kReported, 3},
        {57012, kReported, 3},
    };
    for (const auto& c : cases) {
        CAPTURE(c.codePage);
        CHECK(CodePageCallFor(c.codePage).check == c.check);
        CHECK(CodePageCallFor(c.codePage).mostBytesPerUnit == c.mostBytesPerUnit);
    }
}

TEST_CASE("the archive type a profile names depends on the archiver") {
    struct Case {
        ArchiverKind archiver;
        std::wstring_view profile;
        std::wstring_view extension;
        std::wstring_view oneFileExtension;
    };
    const Case cases[] = {
        {ArchiverKind::WinRar, L"-EP1 -afzip", L".zip", L""},
        {ArchiverKind::WinRar, L"-tzip", L".rar", L""},
        {ArchiverKind::SevenZip, L"-tzip -mcu=on", L".zip", L""},
        {ArchiverKind::SevenZip, L"-afzip", L".7z", L""}, // WinRAR's switch names nothing here
        {ArchiverKind::SevenZip, L"", L".7z", L""},
        {ArchiverKind::SevenZip, L"-t7z -mx=9", L".7z", L""},
        {ArchiverKind::SevenZip, L"-TTAR", L".tar", L""},
        {ArchiverKind::SevenZip, L"-twim", L".wim", L""},
        {ArchiverKind::SevenZip, L"-tgzip", L".7z", L".gz"},
        {ArchiverKind::SevenZip, L"-tbzip2", L".7z", L".bz2"},
        {ArchiverKind::SevenZip, L"-txz", L".7z", L".xz"},
        {ArchiverKind::SevenZip, L"-tZstd", L".7z", L".zst"},
        // NanaZip's own one-file types, by the extensions it registers first.
        {ArchiverKind::SevenZip, L"-tbrotli", L".7z", L".br"},
        {ArchiverKind::SevenZip, L"-tLizard", L".7z", L".liz"},
        {ArchiverKind::SevenZip, L"-tlz4", L".7z", L".lz4"},
        {ArchiverKind::SevenZip, L"-tlz5", L".7z", L".lz5"},
        {ArchiverKind::SevenZip, L"-t*", L".7z", L""},
        // The type is what comes before its first ":"; what follows sets how it is opened.
        {ArchiverKind::SevenZip, L"-t7z:e", L".7z", L""},
        {ArchiverKind::SevenZip, L"-tzip:s1m", L".zip", L""},
        {ArchiverKind::SevenZip, L"-tgzip:a", L".7z", L".gz"},
        // A self-extracting program is an .exe, with or without its module named.
        {ArchiverKind::SevenZip, L"-sfx", L".exe", L""},
        {ArchiverKind::SevenZip, L"-t7z -SFX7zCon.sfx", L".exe", L""},
        {ArchiverKind::SevenZip, L"-sfx\"C:\\7-Zip\\7z.sfx\" -tgzip", L".exe", L""},
        {ArchiverKind::SevenZip, L"-- -sfx", L".7z", L""},
        {ArchiverKind::WinRar, L"-sfx", L".rar", L""},
    };
    for (const auto& c : cases) {
        const ArchiveType type = ArchiveTypeFor(c.archiver, c.profile);
        CHECK(type.extension == c.extension);
        CHECK(type.oneFileExtension == c.oneFileExtension);
    }
    const auto dialog =
        SaveDialogFor(NameArchive(L"D:\\x\\a.txt", false, L".7z"), ArchiverKind::SevenZip);
    CHECK(dialog.fileName == L"a.7z");
    CHECK(dialog.defaultExtension == L"7z");
    CHECK(dialog.filter == L"7z (*.7z)|*.7z");
}

TEST_CASE("a single-file type keeps a lone file's whole name, and only a lone file's") {
    JobList model;
    model.winRarPath = L"C:\\7-Zip\\7z.exe";
    model.profiles.SetText(1, L"-tgzip");
    model.savePath = true;
    OneFolder host;
    DropIntake intake(model, host);

    intake.Receive({L"D:\\x\\report.txt"});
    intake.Receive({L"D:\\x\\a.txt", L"D:\\x\\b.txt", L"D:\\x\\c.txt"});
    intake.Receive({L"D:\\x\\photos"});
    REQUIRE(host.requests.size() == 3);
    CHECK(host.requests[0].fileName == L"report.txt.gz");
    CHECK(host.requests[0].filter == L"gz (*.gz)|*.gz");
    CHECK(host.requests[1].fileName == L"a.7z");
    CHECK(host.requests[2].fileName == L"photos.7z");
    // The path looked at before the rows still makes its own row, in its place.
    std::vector<std::wstring> paths;
    for (const auto& row : model.rows) {
        paths.push_back(row.FullPath());
    }
    CHECK(paths == std::vector<std::wstring>{L"D:\\x\\report.txt", L"D:\\x\\a.txt", L"D:\\x\\b.txt",
                                             L"D:\\x\\c.txt", L"D:\\x\\photos"});
    CHECK(model.rows[1].Destination() == L"D:\\x\\a.7z");
}

TEST_CASE("the 7-Zip family's exit codes have their own statuses") {
    struct Case {
        std::uint32_t code;
        std::wstring_view status;
    };
    const Case cases[] = {
        {0, L"OK"},
        {1, L"警告 (終了コード 1: 一部のファイルが書庫に入っていません)"},
        {2, L"失敗 (終了コード 2: 致命的なエラー)"},
        {3, L"失敗 (終了コード 3)"}, // WinRAR's CRC error: no meaning for the family
        {7, L"失敗 (終了コード 7: コマンドラインの誤り)"},
        {8, L"失敗 (終了コード 8: メモリ不足)"},
        {10, L"失敗 (終了コード 10)"},
        {255, L"失敗 (終了コード 255: 中断されました)"},
        {0xC0000005u, L"失敗 (終了コード 0xC0000005: アクセス違反)"},
    };
    for (const auto& c : cases) {
        CHECK(StatusForExitCode(c.code, ArchiverKind::SevenZip) == c.status);
    }
    CHECK(StatusAfterRun({ProcessEnd::Kind::NotStarted}, ArchiverKind::SevenZip) == L"起動失敗");
}

TEST_CASE("profiles the settings file lacks start as the archiver's own defaults") {
    AppModel model;
    for (int n = 1; n <= kProfileCount; ++n) {
        model.profiles.SetText(n, std::wstring(ProfileSet::DefaultTexts()[n - 1]));
    }
    model.profiles.SetText(2, L"-mine");
    const std::array<bool, kProfileCount> held = {false, true, false, false, false};

    ApplyDefaultProfiles(held, model); // WinRAR: nothing changes
    CHECK(model.profiles.Option(1) == L"-EP1 -S -M5 -MD4096");
    CHECK(model.profiles.Option(2) == L"-mine");

    model.winRarPath = L"C:\\PROGRA~1\\7-Zip\\7zG.exe";
    ApplyDefaultProfiles(held, model);
    CHECK(model.profiles.Option(1) == L"-t7z -mx=9 -ms=on");
    CHECK(model.profiles.Option(2) == L"-mine"); // stored: never rewritten
    CHECK(model.profiles.Option(3) == L"-tzip -mx=9 -mcu=on");
    CHECK(model.profiles.Option(4) == L"-t7z -mx=9 -ms=on");
    CHECK(model.profiles.Option(5) == L"-t7z -mx=9 -ms=on -sdel");
}

} // namespace velkin
