#include "joblist/archive_naming.h"

#include "base/message_texts.h"
#include "base/path_parts.h"

namespace velkin {

std::wstring ArchiveExtension(std::wstring_view profileText) {
    // Lower-casing in the ANSI code page changes only the letters A to Z, and no other
    // character could become part of "-afzip", so ASCII lower-casing gives the same answer.
    std::wstring lower(profileText);
    for (auto& c : lower) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return lower.find(L"-afzip") != std::wstring::npos ? L".zip" : L".rar";
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

SaveDialogRequest SaveDialogFor(const ArchiveNaming& naming) {
    const bool zip = naming.extension == L".zip";
    return SaveDialogRequest{
        naming.destinationFolder,
        naming.archiveName,
        zip ? L"zip" : L"rar",
        std::wstring(zip ? text::kSaveDialogZipFilter : text::kSaveDialogRarFilter),
    };
}

} // namespace velkin
