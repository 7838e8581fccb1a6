#include "base/drop_block.h"

#include <cstdint>

namespace velkin {
namespace {

std::uint32_t Uint32At(std::string_view bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

constexpr std::size_t kWideFlagAt = 16;

} // namespace

std::optional<DropBlock> DropBlock::Read(std::string_view block) {
    if (block.size() < kHeaderBytes) {
        return std::nullopt;
    }
    const std::uint32_t listAt = Uint32At(block, 0);
    const bool wide = Uint32At(block, kWideFlagAt) != 0;
    if (listAt < kHeaderBytes || listAt >= block.size() || (wide && listAt % 2 != 0)) {
        return std::nullopt;
    }
    return DropBlock(block.substr(listAt), wide);
}

std::optional<std::string_view> DropBlock::Next() {
    const std::size_t unit = wide_ ? 2 : 1;
    std::size_t end = 0;
    while (end + unit <= rest_.size() &&
           (rest_[end] != '\0' || (wide_ && rest_[end + 1] != '\0'))) {
        end += unit;
    }
    if (end == 0 || end + unit > rest_.size()) {
        rest_ = {};
        return std::nullopt;
    }
    const std::string_view path = rest_.substr(0, end);
    rest_.remove_prefix(end + unit);
    return path;
}

} // namespace velkin
