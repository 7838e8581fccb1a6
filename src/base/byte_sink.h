#pragma once

#include <string>
#include <string_view>

namespace velkin {

// Where a file's bytes go, a piece at a time, so that a file of any size is made without a block
// of its size.
class ByteSink {
public:
    virtual ~ByteSink() = default;

    virtual void Append(std::string_view bytes) = 0;
    // Drops everything appended so far: what is appended next is the start of the file.
    virtual void StartOver() = 0;
};

// Keeps the bytes in one string.
class StringSink final : public ByteSink {
public:
    void Append(std::string_view bytes) override { bytes_ += bytes; }
    void StartOver() override { bytes_.clear(); }

    std::string& bytes() { return bytes_; }

private:
    std::string bytes_;
};

} // namespace velkin
