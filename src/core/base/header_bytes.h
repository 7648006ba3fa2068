// Bounds-checked readers of the fixed-size fields in picture headers: a read past the end gives 0
// instead of touching memory that is not there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pictoreel {

struct HeaderBytes {
    const std::uint8_t* data;
    std::size_t size;

    bool has(std::size_t offset, std::size_t count) const { return offset <= size && count <= size - offset; }
    unsigned u8(std::size_t at) const { return has(at, 1) ? data[at] : 0u; }
    unsigned le16(std::size_t at) const { return has(at, 2) ? data[at] | (data[at + 1] << 8) : 0u; }
    unsigned be16(std::size_t at) const { return has(at, 2) ? (data[at] << 8) | data[at + 1] : 0u; }
    std::uint32_t le32(std::size_t at) const
    {
        return has(at, 4) ? std::uint32_t(data[at]) | (std::uint32_t(data[at + 1]) << 8) |
                                (std::uint32_t(data[at + 2]) << 16) | (std::uint32_t(data[at + 3]) << 24)
                          : 0u;
    }
    std::uint32_t be32(std::size_t at) const
    {
        return has(at, 4) ? (std::uint32_t(data[at]) << 24) | (std::uint32_t(data[at + 1]) << 16) |
                                (std::uint32_t(data[at + 2]) << 8) | std::uint32_t(data[at + 3])
                          : 0u;
    }
    bool startsWith(std::size_t at, const char* text) const
    {
        const std::size_t n = std::strlen(text);
        return has(at, n) && std::memcmp(data + at, text, n) == 0;
    }
};

}  // namespace pictoreel
