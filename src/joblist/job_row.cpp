#include "joblist/job_row.h"

#include <algorithm>

#include "base/path_parts.h"

namespace velkin {
namespace {

// Blocks start small, for the many drops of a few items, and double up to a size that a drop of
// a million items allocates a few hundred times.
constexpr std::size_t kFirstBlock = 256;
constexpr std::size_t kLargestBlock = 65536;

// A kept text's length stands in the two characters before it, low half first.
constexpr std::size_t kLengthSize = 2;

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

DropTexts::DropTexts(std::wstring destination, std::wstring profileNumber)
    : destination_(std::move(destination)), profileNumber_(std::move(profileNumber)) {}

const wchar_t* DropTexts::Keep(std::wstring_view text) {
    const std::size_t needed = kLengthSize + text.size() + 1;
    if (capacity_ - used_ < needed) {
        const std::size_t size =
            std::max(needed, std::clamp(capacity_ * 2, kFirstBlock, kLargestBlock));
        blocks_.push_back(std::make_unique_for_overwrite<wchar_t[]>(size));
        used_ = 0;
        capacity_ = size;
    }
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

JobRow::JobRow(std::wstring dropNumber, std::shared_ptr<const DropTexts> drop,
               const wchar_t* folder, const wchar_t* fileName, const wchar_t* archiveName)
    : JobRow(std::move(dropNumber), std::move(drop), folder, fileName) {
    archiveName_ = archiveName;
}

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
    if (archiveName_ == nullptr && other.archiveName_ == nullptr) {
        return &head == &otherHead || head == otherHead;
    }
    // An archive in its item's own folder: the folder comes first.
    const std::wstring_view folder = head.empty() && archiveName_ ? Folder() : head;
    const std::wstring_view otherFolder =
        otherHead.empty() && other.archiveName_ ? other.Folder() : otherHead;
    const std::wstring_view name = archiveName_ ? DropTexts::View(archiveName_) : L"";
    const std::wstring_view otherName =
        other.archiveName_ ? DropTexts::View(other.archiveName_) : L"";
    return SameJoined(folder, name, otherFolder, otherName);
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
        if (archiveName_ != nullptr) {
            const std::wstring& folder = drop_->destination();
            scratch.assign(folder.empty() ? Folder() : std::wstring_view(folder));
            scratch.append(DropTexts::View(archiveName_));
            return scratch;
        }
        return drop_ ? drop_->destination() : EmptyText();
    case JobColumn::Status:
        break;
    }
    return status;
}

} // namespace velkin
