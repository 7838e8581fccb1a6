#include "joblist/job_row.h"

#include <algorithm>

#include "base/path_parts.h"

namespace velkin {
namespace {

// Blocks start small, for the many drops of a few items, and double up to a size that a drop of
// a million items allocates a few hundred times.
constexpr std::size_t kFirstBlock = 256;
constexpr std::size_t kLargestBlock = 65536;

const std::wstring& EmptyText() {
    static const std::wstring empty;
    return empty;
}

// Whether a followed by b is the same text as c followed by d.
bool SameJoined(std::wstring_view a, std::wstring_view b, std::wstring_view c,
                std::wstring_view d) {
    if (a.size() + b.size() != c.size() + d.size()) {
        return false;
    }
    if (a.size() > c.size()) {
        std::swap(a, c);
        std::swap(b, d);
    }
    // a is the shorter head: c is a then the start of b; the rest of b is d.
    const std::size_t overlap = c.size() - a.size();
    return c.substr(0, a.size()) == a && b.substr(0, overlap) == c.substr(a.size()) &&
           b.substr(overlap) == d;
}

} // namespace

DropTexts::DropTexts(std::wstring destination, std::wstring profileNumber, bool ownArchives)
    : destination_(std::move(destination)), profileNumber_(std::move(profileNumber)),
      ownArchives_(ownArchives) {}

void DropTexts::Reserve(std::size_t characters) {
    if (capacity_ - used_ < characters) {
        const std::size_t size =
            std::max(characters, std::clamp(capacity_ * 2, kFirstBlock, kLargestBlock));
        blocks_.push_back(std::make_unique_for_overwrite<wchar_t[]>(size));
        used_ = 0;
        capacity_ = size;
    }
}

const wchar_t* DropTexts::KeepPair(std::wstring_view text, std::wstring_view next) {
    Reserve(kLengthSize + text.size() + 1 + kLengthSize + next.size() + 1);
    const wchar_t* const kept = Keep(text);
    Keep(next);
    return kept;
}

const wchar_t* DropTexts::Keep(std::wstring_view text) {
    const std::size_t needed = kLengthSize + text.size() + 1;
    Reserve(needed);
    wchar_t* const at = blocks_.back().get() + used_;
    at[0] = static_cast<wchar_t>(text.size() & 0xFFFF);
    at[1] = static_cast<wchar_t>((text.size() >> 16) & 0xFFFF);
    std::copy(text.begin(), text.end(), at + kLengthSize);
    at[kLengthSize + text.size()] = L'\0';
    used_ += needed;
    return at + kLengthSize;
}

const wchar_t* DropTexts::Empty() {
    static const wchar_t empty[kLengthSize + 1] = {};
    return empty + kLengthSize;
}

JobRow::JobRow(std::wstring dropNumber, std::shared_ptr<const DropTexts> drop,
               const wchar_t* folder, const wchar_t* fileName)
    : dropNumber(std::move(dropNumber)), drop_(std::move(drop)), folder_(folder),
      fileName_(fileName) {}

JobRow::JobRow(std::wstring dropNumber, std::wstring profileNumber, std::wstring_view fullPath,
               std::wstring destination, std::wstring status)
    : dropNumber(std::move(dropNumber)), status(std::move(status)) {
    auto drop = std::make_shared<DropTexts>(std::move(destination), std::move(profileNumber));
    const std::size_t folderLength = fullPath.size() - FileNamePartLength(fullPath);
    folder_ = drop->Keep(fullPath.substr(0, folderLength));
    fileName_ = drop->Keep(fullPath.substr(folderLength));
    drop_ = std::move(drop);
}

const std::wstring& JobRow::ProfileNumber() const {
    return drop_ ? drop_->profileNumber() : EmptyText();
}

const std::wstring& JobRow::DropDestination() const {
    return drop_ ? drop_->destination() : EmptyText();
}

std::wstring JobRow::Destination() const {
    std::wstring scratch;
    return std::wstring(Text(JobColumn::Destination, scratch));
}

bool JobRow::SameDestination(const JobRow& other) const {
    const std::wstring& head = drop_ ? drop_->destination() : EmptyText();
    const std::wstring& otherHead = other.drop_ ? other.drop_->destination() : EmptyText();
    const bool own = HasOwnArchive();
    const bool otherOwn = other.HasOwnArchive();
    if (!own && !otherOwn) {
        return &head == &otherHead || head == otherHead;
    }
    // An archive in its item's own folder: the folder comes first.
    const std::wstring_view folder = own && head.empty() ? Folder() : head;
    const std::wstring_view otherFolder =
        otherOwn && otherHead.empty() ? other.Folder() : otherHead;
    return SameJoined(folder, ArchiveName(), otherFolder, other.ArchiveName());
}

std::wstring JobRow::FullPath() const {
    std::wstring path;
    path.reserve(Folder().size() + FileName().size());
    path.append(Folder());
    path.append(FileName());
    return path;
}

std::wstring_view JobRow::Text(JobColumn column, std::wstring& scratch) const {
    switch (column) {
    case JobColumn::DropNumber:
        return dropNumber;
    case JobColumn::ProfileNumber:
        return ProfileNumber();
    case JobColumn::FileName:
        return FileName();
    case JobColumn::FullPath:
        scratch.assign(Folder());
        scratch.append(FileName());
        return scratch;
    case JobColumn::Destination:
        if (HasOwnArchive()) {
            const std::wstring& folder = drop_->destination();
            scratch.assign(folder.empty() ? Folder() : std::wstring_view(folder));
            scratch.append(ArchiveName());
            return scratch;
        }
        return drop_ ? drop_->destination() : EmptyText();
    case JobColumn::Status:
        break;
    }
    return status;
}

} // namespace velkin
