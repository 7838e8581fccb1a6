#include "joblist/queue_journal.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "base/integer_text.h"
#include "base/little_endian.h"
#include "base/message_texts.h"
#include "base/utf16.h"
#include "base/velkin_error.h"
#include "joblist/drop_groups.h"

namespace velkin {
namespace {

constexpr std::string_view kMagic("VelkinQ\x1A", 8);
// A folder's length at or above this is a slot of the record's recent folders instead.
constexpr std::uint32_t kFolderSlot = 0xFFFFFFF0u;
constexpr std::size_t kRecentFolders = 4;
constexpr std::size_t kRecordFrame = 4 + 1 + 8; // length, type, check

// A check that reads eight bytes a step: a journal of a million rows is checked about as fast as
// it is written. It need not stand up to anyone making collisions on purpose, only to torn and
// stale bytes.
std::uint64_t Check(std::uint64_t previous, std::uint8_t type, std::string_view payload) {
    constexpr std::uint64_t kOdd1 = 0x9E3779B97F4A7C15ull;
    constexpr std::uint64_t kOdd2 = 0xC2B2AE3D27D4EB4Full;
    std::uint64_t hash = previous ^ (type * kOdd1) ^ (payload.size() * kOdd2);
    std::size_t at = 0;
    for (; at + 8 <= payload.size(); at += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, payload.data() + at, 8);
        hash = std::rotl(hash ^ (word * kOdd2), 31) * kOdd1;
    }
    std::uint64_t tail = 0;
    if (at < payload.size()) {
        std::memcpy(&tail, payload.data() + at, payload.size() - at);
    }
    hash = std::rotl(hash ^ (tail * kOdd2), 31) * kOdd1;
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 33;
    return hash;
}

// The length counts UTF-16 units, as the file stores them.
void PutText(std::string& bytes, std::wstring_view text) {
    const std::size_t lengthAt = bytes.size();
    AppendLittleEndian(bytes, 0, 4);
    AppendUtf16Le(bytes, text);
    PutLittleEndian(bytes, lengthAt, (bytes.size() - lengthAt - 4) / 2, 4);
}

// Reads a payload front to back; any read past its end makes it fail for good.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool ok() const { return ok_; }
    bool done() const { return ok_ && at_ == bytes_.size(); }

    std::uint64_t Number(std::size_t size) {
        if (!ok_ || bytes_.size() - at_ < size) {
            ok_ = false;
            return 0;
        }
        const std::uint64_t value = LittleEndianAt(bytes_, at_, size);
        at_ += size;
        return value;
    }
    std::uint32_t Uint32() { return static_cast<std::uint32_t>(Number(4)); }
    std::int32_t Int32() { return static_cast<std::int32_t>(Uint32()); }

    // The units of a text of this many units.
    std::string_view Units(std::uint32_t units) {
        const std::size_t size = std::size_t{units} * 2;
        if (!ok_ || bytes_.size() - at_ < size) {
            ok_ = false;
            return {};
        }
        const std::string_view text = bytes_.substr(at_, size);
        at_ += size;
        return text;
    }
    std::wstring Text() { return WideFromUtf16Le(Units(Uint32())); }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// The job list as the records so far make it.
class Replay {
public:
    // Whether the record made sense.
    bool Apply(QueueRecordType type, std::string_view payload);

    bool DropUnderWay() const { return !pending_.empty(); }
    // The list as it stood before the drop still coming in, the numbers edited meanwhile as
    // they were: what the file says once a window that adopts it has cut that drop away.
    JobRows& WholeRows();
    std::int32_t dropCount() const { return dropCount_; }

private:
    bool ApplyRecord(QueueRecordType type, std::string_view payload);
    bool ApplyRows(Reader& reader);
    bool ApplyItemRows(Reader& reader);
    // A row's folder, written out or named by its slot among the record's last four.
    const wchar_t* ReadFolder(Reader& reader, DropTexts& drop,
                              std::array<const wchar_t*, 4>& recent, std::size_t& nextSlot);
    bool ApplyEdit(Reader& reader);
    void SetStatus(std::int32_t n, std::wstring_view status);

    JobRows rows_;
    JobRows pending_; // the rows of a drop whose end has not been read
    // The rows whose numbers were edited while that drop came in, with their texts before.
    std::vector<std::pair<std::size_t, std::wstring>> editedInDrop_;
    std::int32_t dropCount_ = 0;
    std::shared_ptr<DropTexts> drop_; // the texts the last rows record shares
    std::wstring dropNumber_;
};

bool Replay::Apply(QueueRecordType type, std::string_view payload) {
    const bool sense = ApplyRecord(type, payload);
    // Past a record that makes sense and leaves no drop coming in, the edits are the file's for
    // good; past one that makes none, the reader stops and they are undone.
    if (sense && !DropUnderWay()) {
        editedInDrop_.clear();
    }
    return sense;
}

JobRows& Replay::WholeRows() {
    for (auto edit = editedInDrop_.rbegin(); edit != editedInDrop_.rend(); ++edit) {
        rows_[edit->first].dropNumber = std::move(edit->second);
    }
    editedInDrop_.clear();
    pending_.clear();
    return rows_;
}

bool Replay::ApplyRecord(QueueRecordType type, std::string_view payload) {
    Reader reader(payload);
    // A drop that something else follows before its end was given up where it stood.
    if (type != QueueRecordType::Rows && type != QueueRecordType::ItemRows &&
        type != QueueRecordType::EditNumber && type != QueueRecordType::DropEnd) {
        pending_.clear();
    }
    switch (type) {
    case QueueRecordType::Rows:
        return ApplyRows(reader);
    case QueueRecordType::ItemRows:
        return ApplyItemRows(reader);
    case QueueRecordType::DropEnd: {
        const std::int32_t count = reader.Int32();
        if (!reader.done()) {
            return false;
        }
        std::move(pending_.begin(), pending_.end(), std::back_inserter(rows_));
        pending_.clear();
        dropCount_ = count;
        return true;
    }
    case QueueRecordType::DeleteGroup: {
        const std::int32_t n = reader.Int32();
        if (!reader.done()) {
            return false;
        }
        // An unreadable drop number stops a deletion in the window half done, with the error
        // shown; here it stops at the same row.
        try {
            velkin::DeleteGroup(rows_, dropCount_, n);
        } catch (const Error&) {
        }
        return true;
    }
    case QueueRecordType::EditNumber:
        return ApplyEdit(reader);
    case QueueRecordType::GroupStarted:
    case QueueRecordType::GroupDone: {
        const std::int32_t n = reader.Int32();
        if (!reader.done()) {
            return false;
        }
        SetStatus(n, type == QueueRecordType::GroupDone ? text::kStatusDone : L"");
        return true;
    }
    case QueueRecordType::Stopped:
    case QueueRecordType::Restored:
        // A record that makes no sense changes nothing: the reader stops before it.
        if (!reader.done()) {
            return false;
        }
        if (type == QueueRecordType::Stopped) {
            KeepRowsToDo(rows_, dropCount_);
        } else {
            RestoreQueue(rows_, dropCount_);
        }
        return true;
    }
    return false;
}

bool Replay::ApplyRows(Reader& reader) {
    std::wstring dropNumber = reader.Text();
    std::wstring profileNumber = reader.Text();
    std::wstring destination = reader.Text();
    const std::uint32_t count = reader.Uint32();
    if (!reader.ok()) {
        return false;
    }
    if (!drop_ || dropNumber != dropNumber_ || profileNumber != drop_->profileNumber() ||
        destination != drop_->destination()) {
        drop_ = std::make_shared<DropTexts>(std::move(destination), std::move(profileNumber));
        dropNumber_ = std::move(dropNumber);
    }
    std::array<const wchar_t*, kRecentFolders> recent{};
    std::size_t nextSlot = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const wchar_t* folder = ReadFolder(reader, *drop_, recent, nextSlot);
        const std::wstring name = reader.Text();
        if (!reader.ok() || folder == nullptr) {
            return false;
        }
        pending_.emplace_back(dropNumber_, drop_, folder, drop_->Keep(name));
    }
    return reader.done();
}

bool Replay::ApplyItemRows(Reader& reader) {
    std::wstring profileNumber = reader.Text();
    std::wstring archiveFolder = reader.Text();
    const std::uint32_t count = reader.Uint32();
    if (!reader.ok()) {
        return false;
    }
    const auto drop =
        std::make_shared<DropTexts>(std::move(archiveFolder), std::move(profileNumber), true);
    std::array<const wchar_t*, kRecentFolders> recent{};
    std::size_t nextSlot = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::wstring number = reader.Text();
        const wchar_t* folder = ReadFolder(reader, *drop, recent, nextSlot);
        const std::wstring name = reader.Text();
        const std::uint32_t shared = reader.Uint32();
        const std::wstring rest = reader.Text();
        if (!reader.ok() || folder == nullptr || shared > name.size()) {
            return false;
        }
        const std::wstring archiveName = name.substr(0, shared) + rest;
        pending_.emplace_back(std::move(number), drop, folder, drop->KeepPair(name, archiveName));
    }
    return reader.done();
}

const wchar_t* Replay::ReadFolder(Reader& reader, DropTexts& drop,
                                  std::array<const wchar_t*, 4>& recent, std::size_t& nextSlot) {
    const std::uint32_t folderUnits = reader.Uint32();
    if (folderUnits >= kFolderSlot) {
        const std::size_t slot = folderUnits - kFolderSlot;
        return slot < kRecentFolders ? recent[slot] : nullptr;
    }
    const wchar_t* folder = drop.Keep(WideFromUtf16Le(reader.Units(folderUnits)));
    recent[nextSlot] = folder;
    nextSlot = (nextSlot + 1) % kRecentFolders;
    return folder;
}

bool Replay::ApplyEdit(Reader& reader) {
    const std::uint64_t row = reader.Number(8);
    std::wstring text = reader.Text();
    if (!reader.done()) {
        return false;
    }
    // The rows of a drop being taken in are the window's rows already, after the others.
    if (row < rows_.size()) {
        if (DropUnderWay()) {
            editedInDrop_.emplace_back(row, std::move(rows_[row].dropNumber));
        }
        rows_[row].dropNumber = std::move(text);
    } else if (row - rows_.size() < pending_.size()) {
        pending_[row - rows_.size()].dropNumber = std::move(text);
    }
    return true;
}

void Replay::SetStatus(std::int32_t n, std::wstring_view status) {
    const std::wstring number = DecimalText(n);
    for (auto& row : rows_) {
        if (row.dropNumber == number) {
            row.status = status;
        }
    }
}

} // namespace

std::string QueueJournal::Header() {
    std::string header(kMagic);
    AppendLittleEndian(header, kQueueVersion, 4);
    AppendLittleEndian(header, 0, 4);
    return header;
}

QueueJournal::QueueJournal() : chain_(Check(0, 0, Header())) {}

std::size_t QueueJournal::Begin(std::string& out, QueueRecordType type) {
    const std::size_t start = out.size();
    AppendLittleEndian(out, 0, 4); // its length, once it is known
    out += static_cast<char>(type);
    return start;
}

void QueueJournal::Finish(std::string& out, std::size_t start) {
    const std::size_t payloadAt = start + 5;
    const std::string_view payload(out.data() + payloadAt, out.size() - payloadAt);
    PutLittleEndian(out, start, payload.size(), 4);
    chain_ = Check(chain_, static_cast<std::uint8_t>(out[start + 4]), payload);
    AppendLittleEndian(out, chain_, 8);
}

void QueueJournal::OpenRows(std::string& out, const JobRow& first) {
    ownArchives_ = first.HasOwnArchive();
    if (ownArchives_) {
        open_ = Begin(out, QueueRecordType::ItemRows);
        PutText(out, first.ProfileNumber());
        PutText(out, first.DropDestination());
    } else {
        open_ = Begin(out, QueueRecordType::Rows);
        PutText(out, first.dropNumber);
        PutText(out, first.ProfileNumber());
        PutText(out, first.Destination());
    }
    openCountAt_ = out.size();
    AppendLittleEndian(out, 0, 4); // the row count, once it is known
    openNumber_ = first.dropNumber;
    openCount_ = 0;
    recent_.fill(nullptr);
    nextSlot_ = 0;
}

void QueueJournal::AddRow(std::string& out, const JobRow& row) {
    if (ownArchives_) {
        PutText(out, row.dropNumber);
    }
    // A drop's rows share each folder's text, and come from one folder or take turns among a
    // few: a folder written lately is named by its slot.
    const std::wstring_view folder = row.Folder();
    const auto slot = std::find(recent_.begin(), recent_.end(), folder.data());
    if (slot != recent_.end()) {
        AppendLittleEndian(out, kFolderSlot + static_cast<std::uint32_t>(slot - recent_.begin()),
                           4);
    } else {
        PutText(out, folder);
        recent_[nextSlot_] = folder.data();
        nextSlot_ = (nextSlot_ + 1) % kRecentFolders;
    }
    PutText(out, row.FileName());
    if (ownArchives_) {
        // An archive is mostly named after its file: what the two begin with is written once.
        const std::wstring_view name = row.FileName();
        const std::wstring_view archive = row.ArchiveName();
        const std::size_t shared = static_cast<std::size_t>(
            std::mismatch(name.begin(), name.end(), archive.begin(), archive.end()).first -
            name.begin());
        AppendLittleEndian(out, shared, 4);
        PutText(out, archive.substr(shared));
    }
    ++openCount_;
}

void QueueJournal::CloseRows(std::string& out) {
    PutLittleEndian(out, openCountAt_, openCount_, 4);
    Finish(out, open_);
    open_ = kNone;
}

void QueueJournal::Rows(std::string& out, const JobRows& rows, std::size_t from, std::size_t to) {
    OpenRows(out, rows[from]);
    for (std::size_t n = from; n < to; ++n) {
        AddRow(out, rows[n]);
    }
    CloseRows(out);
}

void QueueJournal::Number(std::string& out, QueueRecordType type, std::int32_t n) {
    const std::size_t start = Begin(out, type);
    AppendLittleEndian(out, static_cast<std::uint32_t>(n), 4);
    Finish(out, start);
}

void QueueJournal::DropEnd(std::string& out, std::int32_t dropCount) {
    Number(out, QueueRecordType::DropEnd, dropCount);
}

void QueueJournal::DeleteGroup(std::string& out, std::int32_t n) {
    Number(out, QueueRecordType::DeleteGroup, n);
}

void QueueJournal::EditNumber(std::string& out, std::size_t row, std::wstring_view text) {
    const std::size_t start = Begin(out, QueueRecordType::EditNumber);
    AppendLittleEndian(out, row, 8);
    PutText(out, text);
    Finish(out, start);
}

void QueueJournal::GroupStarted(std::string& out, std::int32_t n) {
    Number(out, QueueRecordType::GroupStarted, n);
}

void QueueJournal::GroupDone(std::string& out, std::int32_t n) {
    Number(out, QueueRecordType::GroupDone, n);
}

void QueueJournal::Stopped(std::string& out) {
    Finish(out, Begin(out, QueueRecordType::Stopped));
}

void QueueJournal::Restored(std::string& out) {
    Finish(out, Begin(out, QueueRecordType::Restored));
}

QueueReplay ReplayQueue(std::string_view bytes) {
    QueueReplay result;
    const std::string header = QueueJournal::Header();
    if (bytes.size() < kQueueHeaderBytes || bytes.substr(0, kMagic.size()) != kMagic) {
        return result;
    }
    if (bytes.substr(0, kQueueHeaderBytes) != header) {
        result.kind = QueueReplay::Kind::OtherVersion;
        return result;
    }
    result.kind = QueueReplay::Kind::Queue;
    std::uint64_t chain = QueueJournal().chain();
    result.usableBytes = kQueueHeaderBytes;
    result.chain = chain;
    Replay replay;
    std::size_t at = kQueueHeaderBytes;
    while (bytes.size() - at >= kRecordFrame) {
        Reader frame(bytes.substr(at, 5));
        const std::uint32_t length = frame.Uint32();
        const auto type = static_cast<QueueRecordType>(frame.Number(1));
        if (length > kMostQueueRecordBytes || bytes.size() - at - kRecordFrame < length) {
            break;
        }
        const std::string_view payload = bytes.substr(at + 5, length);
        Reader checkReader(bytes.substr(at + 5 + length, 8));
        const std::uint64_t check = checkReader.Number(8);
        if (check != Check(chain, static_cast<std::uint8_t>(type), payload) ||
            !replay.Apply(type, payload)) {
            break;
        }
        chain = check;
        at += kRecordFrame + length;
        if (!replay.DropUnderWay()) {
            result.usableBytes = at;
            result.chain = chain;
        }
    }
    result.rows = std::move(replay.WholeRows());
    result.dropCount = replay.dropCount();
    return result;
}

void RestoreQueue(JobRows& rows, std::int32_t& dropCount) {
    if (RemoveDoneRows(rows)) {
        Renumber(rows, dropCount);
    }
    for (auto& row : rows) {
        row.status.clear();
    }
}

std::size_t GroupCount(const JobRows& rows) {
    std::unordered_set<std::wstring_view> numbers;
    for (const auto& row : rows) {
        numbers.insert(row.dropNumber);
    }
    return numbers.size();
}

} // namespace velkin
