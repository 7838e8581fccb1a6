#include "base/stream_digest.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace velkin {
namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87u;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Fu;

// The words of the bytes as they lie: every machine the program runs on is little-endian, so the
// value is the same for the same bytes everywhere.
static_assert(std::endian::native == std::endian::little);

std::uint64_t Mix(std::uint64_t lane, std::uint64_t word) {
    lane += word * kPrime2;
    lane = (lane << 31) | (lane >> 33);
    return lane * kPrime1;
}

} // namespace

void StreamDigest::Add(std::string_view bytes) {
    count_ += bytes.size();
    if (pendingCount_ != 0) {
        const std::size_t taken = std::min(bytes.size(), kStripe - pendingCount_);
        std::copy_n(bytes.data(), taken, pending_.data() + pendingCount_);
        pendingCount_ += taken;
        bytes.remove_prefix(taken);
        if (pendingCount_ < kStripe) {
            return;
        }
        AddStripes(pending_.data(), 1);
        pendingCount_ = 0;
    }
    const std::size_t stripes = bytes.size() / kStripe;
    AddStripes(bytes.data(), stripes);
    bytes.remove_prefix(stripes * kStripe);
    std::copy(bytes.begin(), bytes.end(), pending_.data());
    pendingCount_ = bytes.size();
}

// The lanes in locals and each stripe loaded whole: lanes kept in the member array would be
// stored and loaded again for every stripe, since the bytes might lie in them.
void StreamDigest::AddStripes(const char* at, std::size_t stripes) {
    std::uint64_t a = lanes_[0];
    std::uint64_t b = lanes_[1];
    std::uint64_t c = lanes_[2];
    std::uint64_t d = lanes_[3];
    for (const char* const end = at + stripes * kStripe; at != end; at += kStripe) {
        std::uint64_t words[4];
        std::memcpy(words, at, sizeof(words));
        a = Mix(a, words[0]);
        b = Mix(b, words[1]);
        c = Mix(c, words[2]);
        d = Mix(d, words[3]);
    }
    lanes_ = {a, b, c, d};
}

StreamDigest::Value StreamDigest::Finish() const {
    std::array<std::uint64_t, 4> lanes = lanes_;
    for (std::size_t at = 0; at < pendingCount_; ++at) {
        const auto byte = static_cast<unsigned char>(pending_[at]);
        lanes[at % lanes.size()] = Mix(lanes[at % lanes.size()], byte + 1u);
    }
    return {lanes[0], lanes[1], lanes[2], lanes[3], count_};
}

} // namespace velkin
