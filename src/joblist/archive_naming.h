#pragma once

#include <string>
#include <string_view>

namespace velkin {

// Where one drop's archive goes, worked out once per drop from its first item.
struct ArchiveNaming {
    std::wstring extension;         // ".rar" or ".zip"
    std::wstring destinationFolder; // the first item's folder with its separator
    std::wstring archiveName;

    std::wstring Destination() const { return destinationFolder + archiveName; }
};

// ".zip" when the profile holds "-afzip" in any letter case, anywhere; ".rar" otherwise.
std::wstring ArchiveExtension(std::wstring_view profileText);

// A folder keeps all its dots (photo.2007 gives photo.2007.rar); a file has its extension
// changed (report.final.doc gives report.final.rar).
ArchiveNaming NameArchive(std::wstring_view firstPath, bool firstIsDirectory,
                          std::wstring_view extension);

// What the save dialog starts with when the user chooses the archive path.
struct SaveDialogRequest {
    std::wstring initialFolder;
    std::wstring fileName;
    std::wstring defaultExtension;
    std::wstring filter; // "description|pattern"
};

SaveDialogRequest SaveDialogFor(const ArchiveNaming& naming);

} // namespace velkin
