#include "joblist/archive_naming.h"

#include "base/ascii_case.h"
#include "base/integer_text.h"
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

std::wstring DistinctArchiveNames::Key(std::wstring_view text) const {
    std::wstring key(text);
    for (auto& c : key) {
        if (c >= 0x80) {
            return upperCase_(text);
        }
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
    }
    return key;
}

std::wstring DistinctArchiveNames::Take(std::wstring_view folder, std::wstring name,
                                        std::wstring_view extension) {
    if (folder != lastFolder_) {
        lastFolder_ = folder;
        lastFolderKey_ = Key(folder);
    }
    std::wstring key = lastFolderKey_ + Key(name);
    if (taken_.insert(key).second) {
        return name;
    }
    const std::wstring_view stem = std::wstring_view(name).substr(
        0, name.size() - (name.ends_with(extension) ? extension.size() : 0));
    int& next = nextNumber_.try_emplace(std::move(key), 2).first->second;
    for (;; ++next) {
        std::wstring numbered =
            std::wstring(stem) + L" (" + DecimalText(next) + L")" + std::wstring(extension);
        if (taken_.insert(lastFolderKey_ + Key(numbered)).second) {
            ++next;
            return numbered;
        }
    }
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
