#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/group_log.h"
#include "base/job_columns.h"

namespace velkin {

// What the rows of one drop share: the destination and profile number fixed when it was taken
// in, and the texts of its paths. A drop of a million items makes a million rows, so each folder
// is kept once and each file name once, in blocks that never move, each text behind its length
// and before a NUL.
//
// In a drop whose items each have an archive of their own (ownArchives), the destination is the
// folder those archives go to, with its separator, or empty text for each item's own folder; each
// file name is kept with its archive's name right after it (KeepPair), so that a row needs
// nothing more than a row of any other drop.
class DropTexts {
public:
    DropTexts(std::wstring destination, std::wstring profileNumber, bool ownArchives = false);
    DropTexts(const DropTexts&) = delete;
    DropTexts& operator=(const DropTexts&) = delete;

    const std::wstring& destination() const { return destination_; }
    const std::wstring& profileNumber() const { return profileNumber_; }
    bool ownArchives() const { return ownArchives_; }

    // A copy of the text that stays where it is as long as this object lives.
    const wchar_t* Keep(std::wstring_view text);
    // The same for text, with next kept right after it (Following).
    const wchar_t* KeepPair(std::wstring_view text, std::wstring_view next);
    // The text kept right after a text KeepPair kept.
    static const wchar_t* Following(const wchar_t* kept) {
        return kept + View(kept).size() + 1 + kLengthSize;
    }

    // A kept text (or the empty text) whole, in constant time.
    static std::wstring_view View(const wchar_t* kept) {
        const auto low = static_cast<std::size_t>(kept[-2]) & 0xFFFF;
        const auto high = static_cast<std::size_t>(kept[-1]) & 0xFFFF;
        return {kept, low | (high << 16)};
    }
    static const wchar_t* Empty();

private:
    // A kept text's length stands in the two characters before it, low half first.
    static constexpr std::size_t kLengthSize = 2;

    // Room for this many characters in the last block.
    void Reserve(std::size_t characters);

    std::wstring destination_;
    std::wstring profileNumber_;
    bool ownArchives_;
    std::vector<std::unique_ptr<wchar_t[]>> blocks_;
    std::size_t used_ = 0;     // of the last block, in characters
    std::size_t capacity_ = 0; // of the last block
};

// One row of the job list: six texts, in the order of the list's columns. The drop number and
// the status are the row's own; the rest belongs to its drop.
class JobRow {
public:
    JobRow() = default;
    // A row of a drop whose texts hold its folder and file name (kept by drop->Keep, or with the
    // archive's name by drop->KeepPair when the drop's items have archives of their own).
    JobRow(std::wstring dropNumber, std::shared_ptr<const DropTexts> drop, const wchar_t* folder,
           const wchar_t* fileName);
    // A row on its own, with a drop of its own.
    JobRow(std::wstring dropNumber, std::wstring profileNumber, std::wstring_view fullPath,
           std::wstring destination, std::wstring status = {});

    std::wstring dropNumber; // may be edited in place by the user
    std::wstring status;
    // The last run of the row's group in this window, shared by the group's rows; none before.
    std::shared_ptr<const GroupLog> log;

    const std::wstring& ProfileNumber() const;
    std::wstring Destination() const;
    // Whether the two destinations are the same text, compared exactly; rows of one drop that
    // share it are told without comparing the text.
    bool SameDestination(const JobRow& other) const;
    // Up to and including the last separator of the full path, and what follows it.
    std::wstring_view Folder() const { return DropTexts::View(folder_); }
    std::wstring_view FileName() const { return DropTexts::View(fileName_); }
    std::wstring FullPath() const;
    // A row whose item has an archive of its own: that archive's name, and what its drop keeps
    // as the destination (the folder of all its archives, or empty for each row's own).
    bool HasOwnArchive() const { return drop_ && drop_->ownArchives(); }
    std::wstring_view ArchiveName() const {
        return HasOwnArchive() ? DropTexts::View(DropTexts::Following(fileName_))
                               : std::wstring_view();
    }
    const std::wstring& DropDestination() const;

    // The text of a column, ending in a NUL right after the view so that it can be shown as it
    // is. The full path is put together in scratch; every other text is the row's own.
    std::wstring_view Text(JobColumn column, std::wstring& scratch) const;

private:
    std::shared_ptr<const DropTexts> drop_;
    const wchar_t* folder_ = DropTexts::Empty();
    const wchar_t* fileName_ = DropTexts::Empty();
};

// A deque, not a vector: a million rows are never moved to make room for more.
using JobRows = std::deque<JobRow>;

} // namespace velkin
