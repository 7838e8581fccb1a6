#include "core/zip_writer.h"

#include <memory>

#include <zlib.h>

namespace velkin::standin {
namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint16_t kVersion = 20; // 2.0: deflate and folders
// Made on "Unix": extractors take the names as they are (bit 11 says UTF-8), where for MS-DOS
// some convert them from an OEM code page first, flag or not. The attributes then carry both
// forms: a Unix mode above, the DOS attributes below.
constexpr std::uint16_t kMadeBy = (3 << 8) | kVersion;
constexpr std::uint16_t kUtf8Flag = 0x0800;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint32_t kDirectoryAttributes = (040755u << 16) | 0x10;
constexpr std::uint32_t kFileAttributes = (0100644u << 16) | 0x20;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::uint64_t kMax32 = 0xFFFFFFFFu;

void Put16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

void Put32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

struct DeflateStream {
    z_stream stream{};
    bool open = false;
    explicit DeflateStream(int level) {
        if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            throw ZipError("zlib could not start deflating");
        }
        open = true;
    }
    ~DeflateStream() {
        if (open) {
            deflateEnd(&stream);
        }
    }
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;
};

} // namespace

std::uint32_t Crc32(std::uint32_t crc, std::string_view bytes) {
    const auto* data = reinterpret_cast<const Bytef*>(bytes.data());
    std::size_t left = bytes.size();
    while (left != 0) {
        const auto piece = static_cast<uInt>(left > (1u << 30) ? (1u << 30) : left);
        crc = static_cast<std::uint32_t>(crc32(crc, data, piece));
        data += piece;
        left -= piece;
    }
    return crc;
}

ZipWriter::ZipWriter(ZipSink& sink, int level) : sink_(sink), level_(level) {}

ZipWriter::~ZipWriter() = default;

void ZipWriter::Put(const std::string& bytes) {
    sink_.Write(bytes.data(), bytes.size());
    position_ += bytes.size();
}

void ZipWriter::CheckFits(std::uint64_t value, const char* what) const {
    if (value >= kMax32) {
        throw ZipError(std::string(what) + " too large for an archive without ZIP64");
    }
}

std::uint32_t ZipWriter::BeginEntry(std::string_view name, DosDateTime stamp,
                                    std::uint16_t method) {
    if (finished_) {
        throw ZipError("archive already finished");
    }
    if (entries_.size() >= 0xFFFF) {
        throw ZipError("more than 65534 entries need ZIP64");
    }
    if (name.empty() || name.size() > 0xFFFF) {
        throw ZipError("entry name empty or too long");
    }
    CheckFits(position_, "archive");
    const auto offset = static_cast<std::uint32_t>(position_);
    std::string header;
    Put32(header, kLocalSignature);
    Put16(header, kVersion);
    Put16(header, kUtf8Flag);
    Put16(header, method);
    Put16(header, stamp.time);
    Put16(header, stamp.date);
    Put32(header, 0); // CRC, sizes: completed after the data
    Put32(header, 0);
    Put32(header, 0);
    Put16(header, static_cast<std::uint16_t>(name.size()));
    Put16(header, 0);
    header += name;
    Put(header);
    return offset;
}

void ZipWriter::AddDirectory(std::string_view utf8Name, DosDateTime stamp) {
    if (utf8Name.empty() || utf8Name.back() != '/') {
        throw ZipError("folder name must end with '/'");
    }
    Entry entry{std::string(utf8Name), stamp, {0, 0, 0, kStored}, kDirectoryAttributes, 0};
    entry.localHeaderOffset = BeginEntry(utf8Name, stamp, kStored);
    entries_.push_back(std::move(entry));
}

ZipEntryInfo ZipWriter::AddFile(std::string_view utf8Name, DosDateTime stamp,
                                const ZipSource& source) {
    const std::uint16_t method = level_ == 0 ? kStored : kDeflated;
    Entry entry{std::string(utf8Name), stamp, {0, 0, 0, method}, kFileAttributes, 0};
    entry.localHeaderOffset = BeginEntry(utf8Name, stamp, method);
    const std::uint64_t dataStart = position_;

    auto input = std::make_unique<char[]>(kChunk);
    auto output = std::make_unique<char[]>(kChunk);
    std::unique_ptr<DeflateStream> deflater;
    if (method == kDeflated) {
        deflater = std::make_unique<DeflateStream>(level_);
    }
    std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    for (;;) {
        const std::size_t got = source(input.get(), kChunk);
        if (got > kChunk) {
            throw ZipError("source returned more than asked");
        }
        crc = Crc32(crc, std::string_view(input.get(), got));
        entry.info.size += got;
        CheckFits(entry.info.size, "file");
        if (!deflater) {
            if (got == 0) {
                break;
            }
            sink_.Write(input.get(), got);
            position_ += got;
            continue;
        }
        auto& z = deflater->stream;
        z.next_in = reinterpret_cast<Bytef*>(input.get());
        z.avail_in = static_cast<uInt>(got);
        const int flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
        int result = Z_OK;
        do {
            z.next_out = reinterpret_cast<Bytef*>(output.get());
            z.avail_out = static_cast<uInt>(kChunk);
            result = deflate(&z, flush);
            if (result == Z_STREAM_ERROR) {
                throw ZipError("zlib failed while deflating");
            }
            const std::size_t produced = kChunk - z.avail_out;
            sink_.Write(output.get(), produced);
            position_ += produced;
        } while (z.avail_out == 0);
        if (got == 0) {
            if (result != Z_STREAM_END) {
                throw ZipError("zlib did not finish the stream");
            }
            break;
        }
    }
    entry.info.crc = crc;
    entry.info.compressedSize = position_ - dataStart;
    CheckFits(entry.info.compressedSize, "compressed file");
    CheckFits(position_, "archive");

    std::string completion;
    Put32(completion, entry.info.crc);
    Put32(completion, static_cast<std::uint32_t>(entry.info.compressedSize));
    Put32(completion, static_cast<std::uint32_t>(entry.info.size));
    sink_.WriteAt(entry.localHeaderOffset + 14u, completion.data(), completion.size());

    const auto info = entry.info;
    entries_.push_back(std::move(entry));
    return info;
}

void ZipWriter::Finish() {
    if (finished_) {
        return;
    }
    CheckFits(position_, "archive");
    const auto directoryOffset = static_cast<std::uint32_t>(position_);
    std::string directory;
    for (const auto& entry : entries_) {
        Put32(directory, kCentralSignature);
        Put16(directory, kMadeBy);
        Put16(directory, kVersion);
        Put16(directory, kUtf8Flag);
        Put16(directory, entry.info.method);
        Put16(directory, entry.stamp.time);
        Put16(directory, entry.stamp.date);
        Put32(directory, entry.info.crc);
        Put32(directory, static_cast<std::uint32_t>(entry.info.compressedSize));
        Put32(directory, static_cast<std::uint32_t>(entry.info.size));
        Put16(directory, static_cast<std::uint16_t>(entry.name.size()));
        Put16(directory, 0); // extra field
        Put16(directory, 0); // comment
        Put16(directory, 0); // disk
        Put16(directory, 0); // internal attributes
        Put32(directory, entry.externalAttributes);
        Put32(directory, entry.localHeaderOffset);
        directory += entry.name;
    }
    CheckFits(position_ + directory.size(), "archive");
    Put(directory);
    std::string end;
    Put32(end, kEndSignature);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, static_cast<std::uint16_t>(entries_.size()));
    Put16(end, static_cast<std::uint16_t>(entries_.size()));
    Put32(end, static_cast<std::uint32_t>(directory.size()));
    Put32(end, directoryOffset);
    Put16(end, 0);
    Put(end);
    finished_ = true;
}

} // namespace velkin::standin
