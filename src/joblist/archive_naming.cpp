#include "joblist/archive_naming.h"

#include <algorithm>
#include <utility>

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

std::wstring_view NameItemArchive(std::wstring_view fileName, bool isDirectory,
                                  const ArchiveType& type, std::wstring& name) {
    name.assign(fileName);
    if (!type.oneFileExtension.empty() && !isDirectory) {
        // The whole name kept, as a folder's is.
        name.append(type.oneFileExtension);
        return type.oneFileExtension;
    }
    // A file name holds no separator: its last dot starts the extension (ChangeExtension).
    if (const auto dot = name.rfind(L'.'); !isDirectory && dot != std::wstring::npos) {
        name.resize(dot);
    }
    name.append(type.extension);
    return type.extension;
}

namespace {

// Characters beyond ASCII without a case: the CJK ideographs and symbols, kana, Hangul syllables
// and the halves of surrogate pairs, which the system's table maps one unit at a time.
bool Caseless(wchar_t c) {
    return (c >= 0x3000 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xDFFF);
}

constexpr std::uint64_t kHashStart = 0xCBF29CE484222325ull;
constexpr std::uint64_t kHashPrime = 0x100000001B3ull;

} // namespace

std::uint64_t DistinctArchiveNames::Hash(std::uint64_t hash, std::wstring_view text) const {
    const std::uint64_t start = hash;
    for (wchar_t c : text) {
        if (c >= 0x80 && !Caseless(c)) {
            hash = start;
            for (const wchar_t upper : upperCase_(text)) {
                hash = (hash ^ static_cast<std::uint16_t>(upper)) * kHashPrime;
            }
            return hash;
        }
        if (c >= L'a' && c <= L'z') {
            c = static_cast<wchar_t>(c - L'a' + L'A');
        }
        hash = (hash ^ static_cast<std::uint16_t>(c)) * kHashPrime;
    }
    return hash;
}

std::uint64_t DistinctArchiveNames::Key(std::wstring_view folder, std::wstring_view name) {
    // The folders met last are looked at first: a drop's items come from one folder, or take
    // turns among a few.
    auto known =
        std::find_if(recentFolders_.begin(), recentFolders_.end(), [&](const RecentFolder& recent) {
            return recent.used && recent.text == folder;
        });
    if (known == recentFolders_.end()) {
        known = recentFolders_.begin() + static_cast<std::ptrdiff_t>(nextRecent_);
        nextRecent_ = (nextRecent_ + 1) % recentFolders_.size();
        known->used = true;
        known->text = folder;
        known->hash = Hash(kHashStart, folder);
    }
    // The folder's hash goes on over the name: the hash of the whole path.
    const std::uint64_t key = Hash(known->hash, name);
    return key == 0 ? 1 : key;
}

bool DistinctArchiveNames::Insert(std::uint64_t key) {
    if ((used_ + 1) * 2 > slots_.size()) {
        std::vector<std::uint64_t> old = std::exchange(slots_, {});
        slots_.resize(std::max<std::size_t>(old.size() * 2, 64));
        used_ = 0;
        for (const std::uint64_t kept : old) {
            if (kept != 0) {
                Insert(kept);
            }
        }
    }
    const std::size_t mask = slots_.size() - 1;
    // FNV's low bits are weak: the slot comes from the key mixed once more.
    for (std::size_t at = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;;
         at = (at + 1) & mask) {
        if (slots_[at] == key) {
            return false;
        }
        if (slots_[at] == 0) {
            slots_[at] = key;
            ++used_;
            return true;
        }
    }
}

void DistinctArchiveNames::Take(std::wstring_view folder, std::wstring& name,
                                std::wstring_view extension) {
    const std::uint64_t key = Key(folder, name);
    if (Insert(key)) {
        return;
    }
    const std::wstring stem =
        name.substr(0, name.size() - (name.ends_with(extension) ? extension.size() : 0));
    int& next = nextNumber_.try_emplace(key, 2).first->second;
    for (;; ++next) {
        std::wstring numbered = stem + L" (" + DecimalText(next) + L")" + std::wstring(extension);
        if (Insert(Key(folder, numbered))) {
            ++next;
            name = std::move(numbered);
            return;
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
