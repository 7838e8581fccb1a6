#include <doctest/doctest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include <zlib.h>

#include "core/zip_writer.h"

using namespace velkin::standin;

namespace {

class MemorySink : public ZipSink {
public:
    void Write(const void* data, std::size_t size) override {
        bytes.append(static_cast<const char*>(data), size);
    }
    void WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
        REQUIRE(offset + size <= bytes.size());
        std::memcpy(bytes.data() + offset, data, size);
    }
    std::string bytes;
};

std::uint32_t Read16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t Read32(const std::string& b, std::size_t at) {
    return Read16(b, at) | (Read16(b, at + 2) << 16);
}

ZipSource FromString(std::string data, std::size_t piece = 7) {
    auto offset = std::make_shared<std::size_t>(0);
    return [data = std::move(data), offset, piece](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, piece, data.size() - *offset});
        std::memcpy(buffer, data.data() + *offset, n);
        *offset += n;
        return n;
    };
}

std::string Inflate(std::string_view compressed, std::size_t size) {
    std::string out(size, '\0');
    z_stream z{};
    REQUIRE(inflateInit2(&z, -MAX_WBITS) == Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    z.avail_in = static_cast<uInt>(compressed.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    CHECK(result == Z_STREAM_END);
    return out;
}

struct ReadEntry {
    std::uint32_t flags, method, crc, compressed, size, external;
    std::string data; // as extracted
};

// Reads the archive back the way an extractor does: from the end record to the central
// directory, and from each central entry to its local header and data.
std::map<std::string, ReadEntry> ReadBack(const std::string& zip) {
    REQUIRE(zip.size() >= 22);
    const std::size_t end = zip.size() - 22;
    REQUIRE(Read32(zip, end) == 0x06054b50u);
    const auto count = Read16(zip, end + 10);
    CHECK(Read16(zip, end + 8) == count);
    const auto directorySize = Read32(zip, end + 12);
    std::size_t at = Read32(zip, end + 16);
    CHECK(at + directorySize == end);
    std::map<std::string, ReadEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        REQUIRE(Read32(zip, at) == 0x02014b50u);
        ReadEntry entry{Read16(zip, at + 8),
                        Read16(zip, at + 10),
                        Read32(zip, at + 16),
                        Read32(zip, at + 20),
                        Read32(zip, at + 24),
                        Read32(zip, at + 38),
                        {}};
        const auto nameLength = Read16(zip, at + 28);
        const std::string name = zip.substr(at + 46, nameLength);
        const std::size_t local = Read32(zip, at + 42);
        REQUIRE(Read32(zip, local) == 0x04034b50u);
        CHECK(Read16(zip, local + 6) == entry.flags);
        CHECK(Read32(zip, local + 14) == entry.crc);
        CHECK(Read32(zip, local + 18) == entry.compressed);
        CHECK(Read32(zip, local + 22) == entry.size);
        CHECK(zip.substr(local + 30, Read16(zip, local + 26)) == name);
        const std::string_view data = std::string_view(zip).substr(
            local + 30 + nameLength + Read16(zip, local + 28), entry.compressed);
        entry.data = entry.method == 8 ? Inflate(data, entry.size) : std::string(data);
        entries[name] = entry;
        at += 46 + nameLength + Read16(zip, at + 30) + Read16(zip, at + 32);
    }
    return entries;
}

} // namespace

TEST_CASE("CRC-32 of the standard check string") {
    CHECK(Crc32(0, "123456789") == 0xCBF43926u);
}

TEST_CASE("files and folders read back with names, contents and CRCs") {
    MemorySink sink;
    std::string big;
    for (int i = 0; i < 200000; ++i) {
        big += static_cast<char>('a' + (i * 7919) % 26);
    }
    {
        ZipWriter zip(sink, 9);
        zip.AddDirectory("dir/", {});
        const auto info = zip.AddFile("dir/\xED\x95\x9C.txt", {}, FromString("hello"));
        CHECK(info.size == 5);
        CHECK(info.crc == Crc32(0, "hello"));
        zip.AddFile("empty.txt", {}, FromString(""));
        zip.AddFile("big.bin", {}, FromString(big, 65536));
        zip.Finish();
        CHECK(zip.EntryCount() == 4);
    }
    const auto entries = ReadBack(sink.bytes);
    REQUIRE(entries.size() == 4);
    CHECK((entries.at("dir/").external & 0xFF) == 0x10u); // DOS: folder
    CHECK((entries.at("dir/").external >> 28) == 0x4u);   // Unix: S_IFDIR
    CHECK(entries.at("dir/").size == 0u);
    const auto& hangul = entries.at("dir/\xED\x95\x9C.txt");
    CHECK(hangul.flags == 0x0800u);
    CHECK(hangul.method == 8u);
    CHECK(hangul.data == "hello");
    CHECK(entries.at("empty.txt").data.empty());
    CHECK(entries.at("big.bin").data == big);
    CHECK(entries.at("big.bin").crc == Crc32(0, big));
    CHECK(entries.at("big.bin").compressed < big.size());
}

TEST_CASE("level 0 stores the bytes as they are") {
    MemorySink sink;
    ZipWriter zip(sink, 0);
    zip.AddFile("a.txt", {}, FromString("stored bytes"));
    zip.Finish();
    const auto entries = ReadBack(sink.bytes);
    CHECK(entries.at("a.txt").method == 0u);
    CHECK(entries.at("a.txt").compressed == 12u);
    CHECK(entries.at("a.txt").data == "stored bytes");
}

TEST_CASE("an empty archive is just the end record") {
    MemorySink sink;
    ZipWriter zip(sink, 6);
    zip.Finish();
    CHECK(sink.bytes.size() == 22);
    CHECK(ReadBack(sink.bytes).empty());
}

TEST_CASE("misuse and failing sources are errors, not corrupt output presented as good") {
    MemorySink sink;
    ZipWriter zip(sink, 6);
    CHECK_THROWS_AS(zip.AddDirectory("no-slash", {}), ZipError);
    CHECK_THROWS_AS(zip.AddFile("", {}, FromString("x")), ZipError);
    CHECK_THROWS_AS(
        zip.AddFile("x", {}, [](char*, std::size_t) -> std::size_t { throw ZipError("read"); }),
        ZipError);
    zip.Finish();
    CHECK_THROWS_AS(zip.AddFile("late", {}, FromString("x")), ZipError);
}
