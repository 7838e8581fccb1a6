#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "joblist/queue_keeper.h"

namespace velkin {

// A queue file as bytes in memory.
class MemoryQueueFile final : public QueueFile {
public:
    explicit MemoryQueueFile(std::string& bytes) : bytes_(bytes) {}
    bool Append(std::string_view bytes) override {
        bytes_.append(bytes);
        return true;
    }
    bool Truncate(std::uint64_t size) override {
        bytes_.resize(size);
        return true;
    }
    void Sync() override {}
    void Remove() override { bytes_ = "(removed)"; }

private:
    std::string& bytes_;
};

} // namespace velkin
