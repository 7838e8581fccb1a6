#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "joblist/job_row.h"

namespace velkin {

// A window's queue, kept in a file of its own beside the program so that the rows it has not
// archived yet survive a crash, a killed process or a power cut. The file is a journal: a header,
// then one record for every change of the job list, appended as the change is made, so that
// keeping it costs about what the change itself writes, whatever the size of the list.
//
// Header: "VelkinQ" and byte 26, then the version (32 bits, little-endian), then 4 zero bytes.
// Record: the payload's length (32 bits), the record's type (8 bits), the payload, and a 64-bit
// check over the previous record's check, the type and the payload (the first record's previous
// check is the header's). Numbers are little-endian; a text is its length in UTF-16 units (32
// bits) and its units.
//
// Whatever happens to the file, a reader takes the records from the start up to the first one
// that is cut short, fails its check or makes no sense, and ignores the rest: each check covers
// the one before it, so a record written out of order after a power cut is never taken without
// those before it. The rows of a drop count only once the drop's end is read.

enum class QueueRecordType : std::uint8_t {
    Rows = 1,     // rows of the drop being taken in: its number, profile and destination texts,
                  // the row count, then each row's folder (or the slot of one of the last four
                  // folders the record wrote) and file name
    DropEnd,      // the drop is whole; the drop count after it
    DeleteGroup,  // the group deleted (and the rows numbered afresh)
    EditNumber,   // a row's drop-number text edited in place: the row and the text
    GroupStarted, // a group's archiver was started: its rows are not archived
    GroupDone,    // its archiver ended well: its rows are archived
    Stopped,      // a run was stopped: archived rows removed, the rest numbered afresh
    Restored,     // the queue was put back in a window (as RestoreQueue does)
    ItemRows,     // rows of a drop whose items each have an archive: its profile text and the
                  // folder of its archives (empty for each row's own), the row count, then each
                  // row's number, folder (or slot) as in Rows, file name, and its archive's name
                  // as the count of units it begins with of the file name (32 bits) and the rest
};

inline constexpr std::uint32_t kQueueVersion = 1;
inline constexpr std::size_t kQueueHeaderBytes = 16;
// A reader takes no record longer than this; writers keep theirs far shorter.
inline constexpr std::uint32_t kMostQueueRecordBytes = 64u << 20;

// Encodes records at the end of a buffer, each check following on the one before. A rows
// record can be written a row at a time (OpenRows, AddRow, CloseRows), so that a big drop is
// encoded as it comes in, between the window's breaths, not all at once.
class QueueJournal {
public:
    static std::string Header();

    // A journal that goes on after the record whose check is `chain`; without one, it starts
    // right after the header.
    QueueJournal();
    explicit QueueJournal(std::uint64_t chain) : chain_(chain) {}

    std::uint64_t chain() const { return chain_; }

    // A rows record of the drop being taken in: its texts from the first row, then each row.
    // The record is whole once closed; nothing else may be written while it is open.
    void OpenRows(std::string& out, const JobRow& first);
    void AddRow(std::string& out, const JobRow& row);
    void CloseRows(std::string& out);
    bool rowsOpen() const { return open_ != kNone; }
    // Whether the open record holds rows whose items have archives of their own (ItemRows).
    bool openOwnArchives() const { return ownArchives_; }
    // The drop-number text and the row count of the open rows record.
    const std::wstring& openNumber() const { return openNumber_; }
    std::uint32_t openCount() const { return openCount_; }

    // Rows [from, to) of the list in one record.
    void Rows(std::string& out, const JobRows& rows, std::size_t from, std::size_t to);
    void DropEnd(std::string& out, std::int32_t dropCount);
    void DeleteGroup(std::string& out, std::int32_t n);
    void EditNumber(std::string& out, std::size_t row, std::wstring_view text);
    void GroupStarted(std::string& out, std::int32_t n);
    void GroupDone(std::string& out, std::int32_t n);
    void Stopped(std::string& out);
    void Restored(std::string& out);

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    static constexpr std::size_t kRecentFolders = 4;

    std::size_t Begin(std::string& out, QueueRecordType type);
    void Finish(std::string& out, std::size_t start);
    void Number(std::string& out, QueueRecordType type, std::int32_t n);

    std::uint64_t chain_;
    std::size_t open_ = kNone; // where the open rows record starts in its buffer
    std::size_t openCountAt_ = 0;
    std::wstring openNumber_;
    std::uint32_t openCount_ = 0;
    bool ownArchives_ = false;
    // The folders the open record wrote last; a row refers to one of them by its slot.
    std::array<const wchar_t*, kRecentFolders> recent_{};
    std::size_t nextSlot_ = 0;
};

// What a queue file holds.
struct QueueReplay {
    enum class Kind {
        Damaged,      // no header of a queue file: nothing in it can be read
        OtherVersion, // a queue file of a version this program does not read
        Queue,
    };
    Kind kind = Kind::Damaged;
    // The list as it stood where usableBytes ends, so that a window that adopts the file shows
    // exactly what the file says. Archived rows have the status "OK", the others none.
    JobRows rows;
    std::int32_t dropCount = 0;
    // Where the whole records end that leave no drop half taken in, and the last one's check:
    // where a window that adopts the file goes on writing.
    std::uint64_t usableBytes = 0;
    std::uint64_t chain = 0;
};

QueueReplay ReplayQueue(std::string_view bytes);

// What a queue left behind becomes when it is put back in a window: the archived rows go, the
// rest are numbered afresh when rows went (a gap would make the run start a group without rows),
// and no row keeps a status. Otherwise every text stays exactly as it was.
void RestoreQueue(JobRows& rows, std::int32_t& dropCount);

// How many groups (distinct drop numbers) the rows make.
std::size_t GroupCount(const JobRows& rows);

} // namespace velkin
