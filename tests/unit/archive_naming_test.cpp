#include <doctest/doctest.h>

#include <string>

#include "base/path_parts.h"
#include "joblist/archive_naming.h"

namespace velkin {

TEST_CASE("path parts split at the last backslash or colon") {
    struct Case {
        std::wstring_view path;
        std::wstring_view folder;
        std::wstring_view name;
    };
    const Case cases[] = {
        {L"D:\\x\\a.txt", L"D:\\x\\", L"a.txt"},
        {L"D:\\", L"D:\\", L""},
        {L"D:a.txt", L"D:", L"a.txt"},
        {L"a.txt", L"", L"a.txt"},
        {L"", L"", L""},
        {L"\\\\server\\share\\dir\\", L"\\\\server\\share\\dir\\", L""},
        {L"C:\\x\\表.txt", L"C:\\x\\", L"表.txt"},
        {L"C:\\x\\ソ\\y", L"C:\\x\\ソ\\", L"y"},
        {L"C:\\dir.with.dots\\file", L"C:\\dir.with.dots\\", L"file"},
    };
    for (const auto& c : cases) {
        CHECK(FolderPart(c.path) == c.folder);
        CHECK(FileNamePart(c.path) == c.name);
    }
}

TEST_CASE("changing an extension drops only what follows the last dot of the name") {
    struct Case {
        std::wstring_view name;
        std::wstring_view changed;
    };
    const Case cases[] = {
        {L"a.txt", L"a.rar"},
        {L"report.final.doc", L"report.final.rar"},
        {L"archive.tar.gz", L"archive.tar.rar"},
        {L"README", L"README.rar"},
        {L".htaccess", L".rar"},
        {L"trailing.", L"trailing.rar"},
        {L"", L".rar"},
        {L"表.txt", L"表.rar"},
        {L"dir.x\\name", L"dir.x\\name.rar"}, // a dot before a separator is no extension
    };
    for (const auto& c : cases) {
        CHECK(ChangeExtension(c.name, L".rar") == c.changed);
    }
}

TEST_CASE("in Shift-JIS bytes a backslash that is a second byte is no separator") {
    // 表 is 95 5C and ソ is 83 5C: their second byte is the byte of "\".
    const std::string hyou = "\x95\x5C";
    const std::string so = "\x83\x5C";
    CHECK(FolderPart("C:\\x\\" + hyou + ".txt", IsShiftJisLeadByte) == "C:\\x\\");
    CHECK(FileNamePart("C:\\x\\" + hyou + ".txt", IsShiftJisLeadByte) == hyou + ".txt");
    CHECK(ChangeExtension(hyou + ".txt", ".rar", IsShiftJisLeadByte) == hyou + ".rar");
    CHECK(FileNamePart("C:\\" + so, IsShiftJisLeadByte) == so);
    CHECK(ChangeExtension(so, ".rar", IsShiftJisLeadByte) == so + ".rar");
    // A folder whose name ends in ソ: its trailing byte is no separator, the real one after it is.
    CHECK(FolderPart("C:\\" + so + "\\a", IsShiftJisLeadByte) == "C:\\" + so + "\\");
    // Two lead-valued bytes before a backslash pair up, so that backslash separates.
    CHECK(FolderPart("C:\\" + hyou + hyou + "\\a", IsShiftJisLeadByte) ==
          "C:\\" + hyou + hyou + "\\");
    // Without the double-byte rule the same bytes would split inside the character.
    CHECK(FileNamePart("C:\\x\\" + hyou + ".txt", [](unsigned char) { return false; }) == ".txt");
}

TEST_CASE("the archive extension comes from -afzip in any letter case") {
    CHECK(ArchiveExtension(L"-EP1 -S -M5 -MD4096") == L".rar");
    CHECK(ArchiveExtension(L"-afzip") == L".zip");
    CHECK(ArchiveExtension(L"-EP1 -AFZIP") == L".zip");
    CHECK(ArchiveExtension(L"-aFzIp -m5") == L".zip");
    CHECK(ArchiveExtension(L"-afzipx") == L".zip"); // a longer switch counts too
    CHECK(ArchiveExtension(L"-ap\"-afzip\"") == L".zip");
    CHECK(ArchiveExtension(L"-af7z") == L".rar");
    CHECK(ArchiveExtension(L"-af zip") == L".rar");
    CHECK(ArchiveExtension(L"") == L".rar");
    CHECK(ArchiveExtension(L"－ａｆｚｉｐ") == L".rar"); // full-width letters are other characters
}

TEST_CASE("the archive is named after the first item") {
    struct Case {
        std::wstring_view path;
        bool directory;
        std::wstring_view destination;
    };
    const Case cases[] = {
        {L"D:\\x\\a.txt", false, L"D:\\x\\a.rar"},
        {L"D:\\photos\\photo.2007", true, L"D:\\photos\\photo.2007.rar"},
        {L"D:\\photos\\photo.2007", false, L"D:\\photos\\photo.rar"},
        {L"D:\\x\\README", false, L"D:\\x\\README.rar"},
        {L"D:\\x\\.htaccess", false, L"D:\\x\\.rar"},
        {L"D:\\x\\archive.tar.gz", false, L"D:\\x\\archive.tar.rar"},
        {L"D:\\", true, L"D:\\.rar"},
        {L"C:\\x\\表.txt", false, L"C:\\x\\表.rar"},
        {L"C:\\x\\ソ.txt", false, L"C:\\x\\ソ.rar"},
        {L"C:\\my docs\\a b.txt", false, L"C:\\my docs\\a b.rar"},
        {L"C:\\x\\\uD55C\uAD6D.txt", false, L"C:\\x\\\uD55C\uAD6D.rar"},
    };
    for (const auto& c : cases) {
        const auto naming = NameArchive(c.path, c.directory, L".rar");
        CHECK(naming.Destination() == c.destination);
    }
    const auto zip = NameArchive(L"E:\\in\\set.doc", false, L".zip");
    CHECK(zip.destinationFolder == L"E:\\in\\");
    CHECK(zip.archiveName == L"set.zip");
}

TEST_CASE("the save dialog offers the derived path and only the drop's archive type") {
    const auto rar = SaveDialogFor(NameArchive(L"D:\\x\\a.txt", false, L".rar"));
    CHECK(rar.initialFolder == L"D:\\x\\");
    CHECK(rar.fileName == L"a.rar");
    CHECK(rar.defaultExtension == L"rar");
    CHECK(rar.filter == L"rar (*.rar)|*.rar");
    const auto zip = SaveDialogFor(NameArchive(L"D:\\x\\a.txt", false, L".zip"));
    CHECK(zip.fileName == L"a.zip");
    CHECK(zip.defaultExtension == L"zip");
    CHECK(zip.filter == L"zip (*.zip)|*.zip");
}

} // namespace velkin
