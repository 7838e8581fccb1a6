#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkin {

// The paths of one drop, or of anything handed over like a drop, in order and one at a time: a
// drop of a million paths is taken in without first being copied whole, and the window can
// answer between any two of them. The platform reads a shell drop this way.
class PathSource {
public:
    virtual ~PathSource() = default;

    // The next path, valid until the next call; nothing after the last.
    virtual std::optional<std::wstring_view> Next() = 0;
};

// Paths already in memory.
class PathList final : public PathSource {
public:
    explicit PathList(std::vector<std::wstring> paths) : paths_(std::move(paths)) {}

    std::optional<std::wstring_view> Next() override {
        if (next_ == paths_.size()) {
            return std::nullopt;
        }
        return paths_[next_++];
    }

private:
    std::vector<std::wstring> paths_;
    std::size_t next_ = 0;
};

} // namespace velkin
