#include "base/drop_block.h"

#include <cstdint>

#include "base/little_endian.h"

namespace velkin {
namespace {

constexpr std::size_t kWideFlagAt = 16;

} // namespace

std::optional<DropBlock> DropBlock::Read(std::string_view block) {
    if (block.size() < kHeaderBytes) {
        return std::nullopt;
    }
    const auto listAt = static_cast<std::size_t>(LittleEndianAt(block, 0, 4));
    const bool wide = LittleEndianAt(block, kWideFlagAt, 4) != 0;
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
