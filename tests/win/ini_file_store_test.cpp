#include <doctest/doctest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "base/path_parts.h"
#include "base/velkin_error.h"
#include "platform/ini_file_store.h"
#include "platform/program_directory.h"
#include "settings/settings_file.h"

namespace {

using velkin::DefaultSettings;
using velkin::IniValueText;
using velkin::LoadSettings;
using velkin::SaveSettings;
using velkin::Settings;
using velkin::win::IniFileStore;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        const auto base = std::filesystem::temp_directory_path();
        const std::wstring stem = L"velkin-ini-" + std::to_wstring(::GetCurrentProcessId()) + L"-";
        for (int n = 0;; ++n) {
            path_ = base / (stem + std::to_wstring(n));
            if (::CreateDirectoryW(path_.c_str(), nullptr)) {
                return;
            }
            REQUIRE(::GetLastError() == ERROR_ALREADY_EXISTS);
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::wstring File(std::wstring_view name) const { return (path_ / name).wstring(); }

private:
    std::filesystem::path path_;
};

void WriteBytes(const std::wstring& path, std::string_view bytes) {
    std::ofstream file(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    REQUIRE(file);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    REQUIRE(file);
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    REQUIRE(file);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Code page 932 bytes of the Japanese used below.
constexpr std::string_view kSjisNihongo = "\x93\xfa\x96\x7b\x8c\xea"; // 日本語
constexpr std::string_view kSjisHyoSo = "\x95\x5c\x83\x5c";           // 表ソ, trail bytes 0x5C
constexpr std::string_view kSjisSection = "\x91\xbc";                 // 他
constexpr std::string_view kUtf8Nihongo = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";

std::wstring Widen(std::string_view ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

std::string Repeated(char c, std::size_t count) {
    return std::string(count, c);
}

// Appends rather than adds: GCC 12 warns falsely (-Wrestrict) on a literal plus a std::string.
std::string Joined(std::initializer_list<std::string_view> parts) {
    std::string joined;
    for (const auto part : parts) {
        joined.append(part);
    }
    return joined;
}

std::string Quoted(std::string_view text) {
    return Joined({"\"", text, "\""});
}

bool Contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

bool HasByteOrderMark(std::string_view bytes) {
    return bytes.starts_with("\xef\xbb\xbf") || bytes.starts_with("\xff\xfe") ||
           bytes.starts_with("\xfe\xff");
}

} // namespace

TEST_CASE("the system reader gives what the portable text rule gives") {
    REQUIRE(::GetACP() == 932u);
    const std::string longValue = Repeated('a', 2000) + Repeated('b', 1000);
    const std::string raws[] = {
        "-EP1 -S",
        "   -EP1 -S   ",
        "\t-m5\t",
        "\"-m5 -s\"",
        "'-m5 -s'",
        "  \" -m5 \"  ",
        "\"\"a\"\"",
        "''a''",
        "\"'a'\"",
        "\"a'",
        "\"abc",
        "abc\"",
        "a\"b\"",
        "\"",
        "\"\"",
        "''",
        "\"  \"",
        "",
        "    ",
        "\x01",
        longValue,
        Repeated('c', 2046),
        Repeated('c', 2047),
        Repeated('c', 2048),
        Quoted(Repeated('q', 2046)),
        Quoted(Repeated('q', 2047)),
        Quoted(Repeated('q', 2048)),
        Quoted(longValue),
    };
    for (const std::string_view lineEnd : {"\r\n", "\n"}) {
        CAPTURE(lineEnd.size());
        TempFolder folder;
        const std::wstring path = folder.File(L"rule.ini");
        std::string file = Joined({"[Main]", lineEnd});
        for (std::size_t i = 0; i < std::size(raws); ++i) {
            file += Joined({"K", std::to_string(i), "=", raws[i], lineEnd});
        }
        WriteBytes(path, file);

        const IniFileStore store(path);
        for (std::size_t i = 0; i < std::size(raws); ++i) {
            CAPTURE(i);
            CAPTURE(raws[i].substr(0, 40));
            const auto read = store.Read(L"Main", L"K" + std::to_wstring(i));
            REQUIRE(read.has_value());
            CHECK(read->size() == IniValueText(Widen(raws[i])).size());
            CHECK(*read == IniValueText(Widen(raws[i])));
        }
    }
}

TEST_CASE("a key that is missing is told from one that is empty") {
    TempFolder folder;
    const std::wstring path = folder.File(L"keys.ini");
    WriteBytes(path, "[Other]\r\nMissing=elsewhere\r\n[Main]\r\nEmpty=\r\nBlank=   \r\n"
                     "One=\x01\r\nTwo=\x02\r\n");
    const IniFileStore store(path);

    CHECK(store.Read(L"Main", L"Empty") == std::wstring());
    CHECK(store.Read(L"Main", L"Blank") == std::wstring());
    // The values the reader uses to tell a missing key are ordinary values.
    CHECK(store.Read(L"Main", L"One") == std::wstring(L"\x01"));
    CHECK(store.Read(L"Main", L"Two") == std::wstring(L"\x02"));
    CHECK_FALSE(store.Read(L"Main", L"Missing").has_value());
    CHECK_FALSE(store.Read(L"Nowhere", L"Empty").has_value());
    CHECK(IniFileStore(folder.File(L"absent.ini")).Read(L"Main", L"Empty") == std::nullopt);

    SUBCASE("an empty profile stays empty, a missing one is the default") {
        WriteBytes(path, "[Main]\r\nRAROption2=\r\n");
        const Settings settings = LoadSettings(IniFileStore(path));
        CHECK(settings.profileTexts[1].empty());
        CHECK(settings.profileTexts[0] == DefaultSettings().profileTexts[0]);
    }
}

TEST_CASE("section and key names are found in any letter case") {
    TempFolder folder;
    const std::wstring path = folder.File(L"case.ini");
    WriteBytes(path, "[mAIN]\nmainx = 5\nRAROPTIONSELECT=0x3\nsavepath=2\n");
    const IniFileStore store(path);
    CHECK(store.Read(L"Main", L"MainX") == std::wstring(L"5"));
    CHECK(store.Read(L"MAIN", L"mainX") == std::wstring(L"5"));

    const Settings settings = LoadSettings(store);
    CHECK(settings.left == 5);
    CHECK(settings.selectedProfile == 3);
    CHECK(settings.savePath);
}

TEST_CASE("a hand-written Shift-JIS file loads with the lenient rules") {
    TempFolder folder;
    const std::wstring path = folder.File(L"hand.ini");
    WriteBytes(path, Joined({"[Main]\r\nMainX= 7 \r\nMainY=$-1\r\nMainW=0x\r\nMainH=12abc\r\n",
                             "RAROption1=\"  ", kSjisNihongo, " -m5  \"\r\n",
                             "RAROption3='\"q\"'\r\nColumn0=-5000\r\nColumn5=2147483648\r\n",
                             "WinRARPath=C:\\Program Files\\WinRAR\\WinRAR.exe\r\n",
                             "RAROptionSelect=6\r\nSavePath=-1\r\nClearEnd=yes\r\n"}));
    const Settings settings = LoadSettings(IniFileStore(path));
    CHECK(settings.left == 7);
    CHECK(settings.top == 100);
    CHECK(settings.width == 640);
    CHECK(settings.height == 400);
    CHECK(settings.profileTexts[0] == L"  日本語 -m5  ");
    CHECK(settings.profileTexts[1] == DefaultSettings().profileTexts[1]);
    CHECK(settings.profileTexts[2] == L"\"q\"");
    CHECK(settings.columnWidths[0] == -5000);
    CHECK(settings.columnWidths[5] == 70);
    CHECK(settings.winRarPath == L"C:\\Program Files\\WinRAR\\WinRAR.exe");
    CHECK(settings.selectedProfile == 6);
    CHECK(settings.savePath);
    CHECK_FALSE(settings.clearEnd);

    CHECK(LoadSettings(IniFileStore(folder.File(L"none.ini"))) == DefaultSettings());
}

TEST_CASE("a first save creates an ANSI file without byte-order mark, keys in order") {
    REQUIRE(::GetACP() == 932u);
    TempFolder folder;
    const std::wstring path = folder.File(L"Velkin.ini");
    Settings settings = DefaultSettings();
    settings.left = -5000;
    settings.profileTexts[0] = L"日本語 -m5";
    settings.profileTexts[1] = L"";
    settings.savePath = true;
    IniFileStore store(path);
    SaveSettings(store, settings, path);

    const std::string expected = "[Main]\r\n"
                                 "MainX=-5000\r\n"
                                 "MainY=100\r\n"
                                 "MainW=640\r\n"
                                 "MainH=400\r\n"
                                 "RAROption1=\x93\xfa\x96\x7b\x8c\xea -m5\r\n"
                                 "RAROption2=\r\n"
                                 "RAROption3=-EP1 -S -M5 -MD4096\r\n"
                                 "RAROption4=-EP1 -S -M5 -MD4096\r\n"
                                 "RAROption5=-EP1 -S -M5 -MD4096 -df -ioff\r\n"
                                 "Column0=50\r\n"
                                 "Column1=80\r\n"
                                 "Column2=200\r\n"
                                 "Column3=200\r\n"
                                 "Column4=200\r\n"
                                 "Column5=70\r\n"
                                 "WinRARPath=\r\n"
                                 "RAROptionSelect=1\r\n"
                                 "SavePath=1\r\n"
                                 "ClearEnd=0\r\n";
    const std::string bytes = ReadBytes(path);
    CHECK_FALSE(HasByteOrderMark(bytes));
    CHECK_FALSE(Contains(bytes, kUtf8Nihongo));
    CHECK(bytes == expected);
    CHECK(LoadSettings(store) == settings);
}

TEST_CASE("a save into an existing file keeps everything else where it stands") {
    for (const std::string_view lineEnd : {"\r\n", "\n"}) {
        CAPTURE(lineEnd.size());
        TempFolder folder;
        const std::wstring path = folder.File(L"Velkin.ini");
        const std::string_view nl = lineEnd;
        WriteBytes(path,
                   Joined({"[Before]",   nl,         "A=1",        nl,  "[Main]",      nl,
                           "Extra=keep", nl,         "MainX=1",    nl,  "RAROption1=", kSjisNihongo,
                           nl,           "Tail=end", nl,           "[", kSjisSection,  "]",
                           nl,           "B=",       kSjisNihongo, nl}));
        Settings settings = DefaultSettings();
        settings.left = 42;
        settings.profileTexts[1] = L"表ソ";
        IniFileStore store(path);
        SaveSettings(store, settings, path);

        const std::string bytes = ReadBytes(path);
        CAPTURE(bytes);
        CHECK_FALSE(HasByteOrderMark(bytes));
        CHECK_FALSE(Contains(bytes, kUtf8Nihongo));
        // The section of the Japanese name and its value are still the same Shift-JIS bytes.
        CHECK(Contains(bytes, Joined({"[", kSjisSection, "]"})));
        CHECK(Contains(bytes, Joined({"B=", kSjisNihongo})));
        CHECK(Contains(bytes, Joined({"RAROption2=", kSjisHyoSo})));

        // Replaced keys stay in place; new ones follow the last key of section Main.
        const auto before = bytes.find("[Before]");
        const auto extra = bytes.find("Extra=keep");
        const auto mainX = bytes.find("MainX=42");
        const auto tail = bytes.find("Tail=end");
        const auto mainY = bytes.find("MainY=100");
        const auto clearEnd = bytes.find("ClearEnd=0");
        const auto other = bytes.find(Joined({"[", kSjisSection, "]"}));
        REQUIRE(clearEnd != std::string::npos);
        CHECK(before < extra);
        CHECK(extra < mainX);
        CHECK(mainX < tail);
        CHECK(tail < mainY);
        CHECK(clearEnd < other);

        CHECK(store.Read(L"Before", L"A") == std::wstring(L"1"));
        CHECK(store.Read(L"Main", L"Extra") == std::wstring(L"keep"));
        CHECK(store.Read(L"他", L"B") == std::wstring(L"日本語"));
        CHECK(LoadSettings(store) == settings);
    }
}

TEST_CASE("a value of 3,000 characters loads as its first 2047") {
    TempFolder folder;
    const std::wstring path = folder.File(L"long.ini");
    const std::string value = Repeated('x', 2046) + "YZ" + Repeated('z', 952);
    WriteBytes(path, "[Main]\r\nRAROption5=" + value + "\r\nWinRARPath=\"" + value + "\"\r\n");
    const Settings settings = LoadSettings(IniFileStore(path));
    CHECK(settings.profileTexts[4] == Widen(value.substr(0, 2047)));
    CHECK(settings.winRarPath == Widen(value.substr(0, 2047)));
}

TEST_CASE("a write fails where no file can be written, and the save says which file") {
    TempFolder folder;
    const std::wstring directory = folder.File(L"Velkin.ini");
    REQUIRE(::CreateDirectoryW(directory.c_str(), nullptr));
    const std::wstring inMissingFolder = folder.File(L"missing\\Velkin.ini");

    for (const std::wstring& path : {directory, inMissingFolder}) {
        IniFileStore store(path);
        CHECK_FALSE(store.Write(L"Main", L"MainX", L"1"));
        try {
            SaveSettings(store, DefaultSettings(), path);
            FAIL("no error raised");
        } catch (const velkin::Error& error) {
            CHECK(error.message() == path + L" に書き込めません");
        }
    }
    CHECK(::GetFileAttributesW(folder.File(L"missing").c_str()) == INVALID_FILE_ATTRIBUTES);
    CHECK(std::filesystem::is_empty(std::filesystem::path(directory)));
}

TEST_CASE("the program directory is the folder of the running program") {
    const std::wstring directory = velkin::win::ProgramDirectory();
    REQUIRE_FALSE(directory.empty());
    CHECK(directory.back() == L'\\');
    CHECK(::GetFileAttributesW((directory + L"velkin_win_tests.exe").c_str()) !=
          INVALID_FILE_ATTRIBUTES);

    SUBCASE("whatever the current directory is") {
        TempFolder folder;
        wchar_t previous[MAX_PATH * 4] = {};
        REQUIRE(::GetCurrentDirectoryW(static_cast<DWORD>(std::size(previous)), previous) > 0);
        REQUIRE(::SetCurrentDirectoryW(folder.File(L"").c_str()));
        const std::wstring fromElsewhere = velkin::win::ProgramDirectory();
        ::SetCurrentDirectoryW(previous);
        CHECK(fromElsewhere == directory);
    }
}

TEST_CASE("the folder part of a path") {
    struct Case {
        std::wstring_view path;
        std::wstring_view folder;
    };
    const Case cases[] = {
        {L"C:\\Tools\\Velkin.exe", L"C:\\Tools\\"},
        {L"C:\\Velkin.exe", L"C:\\"},
        {L"C:Velkin.exe", L"C:"},
        {L"\\\\server\\share\\a\\Velkin.exe", L"\\\\server\\share\\a\\"},
        {L"\\\\?\\C:\\long\\Velkin.exe", L"\\\\?\\C:\\long\\"},
        {L"C:\\a:b\\c", L"C:\\a:b\\"},
        {L"C:\\a\\b:c", L"C:\\a\\b:"},
        {L"Velkin.exe", L""},
        {L"", L""},
    };
    for (const auto& c : cases) {
        CAPTURE(std::string(c.path.begin(), c.path.end()));
        CHECK(velkin::FolderPart(c.path) == c.folder);
    }
}
