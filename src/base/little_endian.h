#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velkin {

// Numbers in the byte order of the files and messages Velkin writes itself (the hand-off, the
// queue file) and of the blocks the system hands it (a drop's file list): least significant
// byte first, whatever the processor's order.

// Appends the low `size` bytes of the value.
inline void AppendLittleEndian(std::string& bytes, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// Writes them over the bytes from `at` on, which must exist.
inline void PutLittleEndian(std::string& bytes, std::size_t at, std::uint64_t value,
                            std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// The number in the `size` bytes from `at` on, which must exist.
inline std::uint64_t LittleEndianAt(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

} // namespace velkin
