#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velkin {

// A digest of bytes fed in pieces of any size: the same bytes give the same value however they
// are cut. It tells whether a file still holds what was written to it without keeping what was
// written: four independent 64-bit lanes over 32-byte stripes, each word multiplied in, rotated
// and multiplied again, so that a changed, moved or missing byte changes the value but for a
// chance of about one in 2^64. It is no defence against someone who crafts a collision.
class StreamDigest {
public:
    void Add(std::string_view bytes);

    // The lanes with the bytes short of a stripe mixed in, and the count of all bytes.
    using Value = std::array<std::uint64_t, 5>;
    Value Finish() const;

private:
    static constexpr std::size_t kStripe = 32;
    void AddStripes(const char* at, std::size_t stripes);

    std::array<std::uint64_t, 4> lanes_ = {0x9E3779B185EBCA87u, 0xC2B2AE3D27D4EB4Fu,
                                           0x165667B19E3779F9u, 0x85EBCA77C2B2AE63u};
    std::array<char, kStripe> pending_{};
    std::size_t pendingCount_ = 0;
    std::uint64_t count_ = 0;
};

} // namespace velkin
