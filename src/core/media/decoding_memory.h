// The memory that pictures in the decoding hold at once, bounded whatever the threads' timing.
#pragma once

#include <cstdint>

namespace pictoreel {

// Decodes on several threads together hold at most this much for their pictures, unless one
// needs more on its own: it then runs alone.
inline constexpr std::int64_t kDecodingMemory = std::int64_t{64} << 20;

// Counts `bytes` against kDecodingMemory while it lives, first waiting until they fit beside
// those of the decodes in progress (or until there are none).
class DecodingMemory {
public:
    explicit DecodingMemory(std::int64_t bytes);
    ~DecodingMemory();
    DecodingMemory(const DecodingMemory&) = delete;
    DecodingMemory& operator=(const DecodingMemory&) = delete;

private:
    std::int64_t bytes_;
};

}  // namespace pictoreel
