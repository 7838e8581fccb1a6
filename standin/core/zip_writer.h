#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velkin::standin {

class ZipError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the archive's bytes go. Sizes and CRC follow each entry's data, so the local header is
// written first and completed afterwards.
class ZipSink {
public:
    virtual ~ZipSink() = default;
    virtual void Write(const void* data, std::size_t size) = 0;
    virtual void WriteAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
};

struct DosDateTime {
    std::uint16_t time = 0;
    std::uint16_t date = (1 << 5) | 1; // 1980-01-01, the earliest a ZIP entry can say
};

// Fills buffer with up to size bytes and returns how many; 0 at the end. Throws on failure.
using ZipSource = std::function<std::size_t(char* buffer, std::size_t size)>;

struct ZipEntryInfo {
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::uint64_t compressedSize = 0;
    std::uint16_t method = 0;
};

// A plain ZIP archive (no ZIP64, no encryption): names in UTF-8 with general-purpose bit 11,
// contents deflated (or stored at level 0), a central directory at the end.
class ZipWriter {
public:
    ZipWriter(ZipSink& sink, int level);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // name must end with '/'.
    void AddDirectory(std::string_view utf8Name, DosDateTime stamp);
    ZipEntryInfo AddFile(std::string_view utf8Name, DosDateTime stamp, const ZipSource& source);
    void Finish();

    std::size_t EntryCount() const { return entries_.size(); }

private:
    struct Entry {
        std::string name;
        DosDateTime stamp;
        ZipEntryInfo info;
        std::uint32_t externalAttributes = 0;
        std::uint32_t localHeaderOffset = 0;
    };

    std::uint32_t BeginEntry(std::string_view name, DosDateTime stamp, std::uint16_t method);
    void CheckFits(std::uint64_t value, const char* what) const;
    void Put(const std::string& bytes);

    ZipSink& sink_;
    int level_;
    std::uint64_t position_ = 0;
    std::vector<Entry> entries_;
    bool finished_ = false;
};

// CRC-32 as ZIP uses it.
std::uint32_t Crc32(std::uint32_t crc, std::string_view bytes);

} // namespace velkin::standin
