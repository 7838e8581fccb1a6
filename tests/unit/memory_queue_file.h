#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "joblist/queue_keeper.h"

namespace velkin {

// A queue file as bytes in memory; it counts its syncs when given a counter.
class MemoryQueueFile final : public QueueFile {
public:
    explicit MemoryQueueFile(std::string& bytes, std::size_t* syncs = nullptr)
        : bytes_(bytes), syncs_(syncs) {}
    bool Append(std::string_view bytes) override {
        bytes_.append(bytes);
        return true;
    }
    bool Truncate(std::uint64_t size) override {
        bytes_.resize(size);
        return true;
    }
    void Sync() override {
        if (syncs_ != nullptr) {
            ++*syncs_;
        }
    }
    void Remove() override { bytes_ = "(removed)"; }

private:
    std::string& bytes_;
    std::size_t* syncs_;
};

// Each row as a queue file must give it back: number, profile, path, destination, archived or
// not.
inline std::vector<std::wstring> QueuedRows(const JobRows& rows) {
    std::vector<std::wstring> shown;
    for (const auto& row : rows) {
        shown.push_back(row.dropNumber + L"|" + row.ProfileNumber() + L"|" + row.FullPath() + L"|" +
                        row.Destination() + (row.status == L"OK" ? L"|done" : L""));
    }
    return shown;
}

} // namespace velkin
