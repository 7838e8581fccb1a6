#include "joblist/archive_naming.h"

#include "base/ascii_case.h"
#include "base/path_parts.h"
#include "joblist/seven_zip_naming.h"

namespace velkin {

std::wstring ArchiveExtension(std::wstring_view profileText) {
    // Lower-casing in the ANSI code page changes only the letters A to Z, and no other
    // character could become part of "-afzip", so ASCII lower-casing gives the same answer.
    return LowerAscii(profileText).find(L"-afzip") != std::wstring::npos ? L".zip" : L".rar";
}

ArchiveType ArchiveTypeFor(ArchiverKind archiver, std::wstring_view profileText) {
    if (archiver == ArchiverKind::SevenZip) {
        return SevenZipArchiveType(profileText);
    }
    return {ArchiveExtension(profileText), {}};
}

ArchiveNaming NameArchive(std::wstring_view firstPath, bool firstIsDirectory,
                          std::wstring_view extension) {
    ArchiveNaming naming;
    naming.extension = extension;
    naming.destinationFolder = FolderPart(firstPath);
    const std::wstring name = FileNamePart(firstPath);
    naming.archiveName =
        firstIsDirectory ? name + std::wstring(extension) : ChangeExtension(name, extension);
    return naming;
}

ArchiveNaming NameArchive(std::wstring_view firstPath, bool firstIsDirectory, bool firstIsAlone,
                          const ArchiveType& type) {
    if (type.oneFileExtension.empty() || firstIsDirectory || !firstIsAlone) {
        return NameArchive(firstPath, firstIsDirectory, type.extension);
    }
    // Named as a folder is: the whole name kept.
    return NameArchive(firstPath, true, type.oneFileExtension);
}

SaveDialogRequest SaveDialogFor(const ArchiveNaming& naming, ArchiverKind archiver) {
    std::wstring_view extension = naming.extension;
    if (archiver == ArchiverKind::WinRar) {
        extension = extension == L".zip" ? L"zip" : L"rar";
    } else if (!extension.empty() && extension.front() == L'.') {
        extension.remove_prefix(1);
    }
    const std::wstring type(extension);
    return SaveDialogRequest{
        naming.destinationFolder,
        naming.archiveName,
        type,
        type + L" (*." + type + L")|*." + type,
    };
}

} // namespace velkin
