#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/archiver_kind.h"

namespace velkin {

// Where one drop's archive goes, worked out once per drop from its first item.
struct ArchiveNaming {
    std::wstring extension;         // ".rar" or ".zip"; with the 7-Zip family ".7z" and others
    std::wstring destinationFolder; // the first item's folder with its separator
    std::wstring archiveName;

    std::wstring Destination() const { return destinationFolder + archiveName; }
};

// ".zip" when the profile holds "-afzip" in any letter case, anywhere; ".rar" otherwise.
std::wstring ArchiveExtension(std::wstring_view profileText);

// The archive a drop's profile asks for: its extension, and for a type that holds a single file
// only, the extension that type gives a drop of one file (see SevenZipArchiveType).
struct ArchiveType {
    std::wstring extension;
    std::wstring oneFileExtension; // empty unless the type holds one file only
};

// WinRAR's type comes from -afzip (ArchiveExtension), the 7-Zip family's from -t.
ArchiveType ArchiveTypeFor(ArchiverKind archiver, std::wstring_view profileText);

// A folder keeps all its dots (photo.2007 gives photo.2007.rar); a file has its extension
// changed (report.final.doc gives report.final.rar).
ArchiveNaming NameArchive(std::wstring_view firstPath, bool firstIsDirectory,
                          std::wstring_view extension);
// The same for a drop's type. A drop of one file alone under a type that holds one file keeps
// the file's whole name before that type's extension (report.txt gives report.txt.gz).
ArchiveNaming NameArchive(std::wstring_view firstPath, bool firstIsDirectory, bool firstIsAlone,
                          const ArchiveType& type);

// The archive of an item that is a group alone, named as a drop of that one item is, written into
// `name`; the extension it ends in.
std::wstring_view NameItemArchive(std::wstring_view fileName, bool isDirectory,
                                  const ArchiveType& type, std::wstring& name);

// The archive names of a drop whose items each get an archive. Two items whose archives would
// have the same path, as the file system compares paths (in any letter case), would share one
// archive: the first keeps its name, and each later one gets " (2)", " (3)" and so on before the
// archive's extension, the lowest number that gives a path no archive of the drop has yet. An
// archive that exists already is not looked for: the archiver adds to it, as with any drop.
//
// A path is known by a 64-bit hash of its upper-case text, so that a drop of a million items
// keeps no second copy of its paths. Paths that differ and share a hash (about one drop in 10^8
// of a million items) would get a number they did not need, never the same archive.
class DistinctArchiveNames {
public:
    // The text in upper case as the file system compares names; asked only of text with
    // characters beyond ASCII that may have a case, which the system's own table knows.
    using UpperCase = std::function<std::wstring(std::wstring_view)>;

    explicit DistinctArchiveNames(UpperCase upperCase) : upperCase_(std::move(upperCase)) {}

    // Makes `name`, the archive's name ending in `extension`, one that no archive of the drop in
    // `folder` (ending in a separator) has.
    void Take(std::wstring_view folder, std::wstring& name, std::wstring_view extension);

private:
    std::uint64_t Hash(std::uint64_t hash, std::wstring_view text) const;
    std::uint64_t Key(std::wstring_view folder, std::wstring_view name);
    // Whether the key was not taken yet; it is taken now.
    bool Insert(std::uint64_t key);

    UpperCase upperCase_;
    std::vector<std::uint64_t> slots_; // open addressing; 0 is an empty slot
    std::size_t used_ = 0;
    // For a path taken more than once: the number to try next.
    std::unordered_map<std::uint64_t, int> nextNumber_;
    // The last folders and their hashes.
    struct RecentFolder {
        bool used = false;
        std::wstring text;
        std::uint64_t hash = 0;
    };
    std::array<RecentFolder, 4> recentFolders_{};
    std::size_t nextRecent_ = 0;
};

// What the save dialog starts with when the user chooses the archive path.
struct SaveDialogRequest {
    std::wstring initialFolder;
    std::wstring fileName;
    std::wstring defaultExtension;
    std::wstring filter; // "description|pattern": "rar (*.rar)|*.rar" for a .rar archive
};

// WinRAR's drop offers "zip (*.zip)|*.zip" for a .zip archive and "rar (*.rar)|*.rar" for any
// other; the 7-Zip family's offers the type its extension names ("7z (*.7z)|*.7z").
SaveDialogRequest SaveDialogFor(const ArchiveNaming& naming,
                                ArchiverKind archiver = ArchiverKind::WinRar);

} // namespace velkin
