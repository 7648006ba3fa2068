// Fuzz target: our LZW coder on pictures described by the input, decoded again by our decoder.
// The first byte chooses the minimum code size; each pair of bytes after it is a run (an index
// and its length), so a few bytes describe pictures large enough to fill the string table many
// times and to try fresh tables. The pixels must come back exactly, and the size estimate must
// count the bits written. Any difference, crash or sanitizer report is a bug.
#include "core/gif/lzw_decoder.h"
#include "core/gif/lzw_encoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pictoreel;
    if (data == nullptr || size < 3)
        return 0;
    const int minCodeSize = 2 + data[0] % 7;
    const auto mask = static_cast<std::uint8_t>((1 << minCodeSize) - 1);
    std::vector<std::uint8_t> indices;
    for (std::size_t i = 1; i + 1 < size && indices.size() < (1u << 22); i += 2) {
        // Lengths 1 to 64 one pixel at a time, longer ones in steps, up to about 12,000.
        const unsigned length = data[i + 1] < 64 ? data[i + 1] + 1u : (data[i + 1] - 63u) * 62u;
        indices.insert(indices.end(), length, static_cast<std::uint8_t>(data[i] & mask));
    }
    const QByteArray pixels = compressGifPixels(indices.data(), indices.size(), minCodeSize);
    std::vector<std::uint8_t> decoded(indices.size());
    if (!decodeGifPixels({minCodeSize, pixels}, decoded.data(), decoded.size()) || decoded != indices)
        std::abort();
    // The estimate counts the code bits; the sub-blocks add a length byte each and the end block.
    const std::size_t bytes = (gifCodedBits(indices.data(), indices.size(), minCodeSize) + 7) / 8;
    if (static_cast<std::size_t>(pixels.size()) != bytes + (bytes + 254) / 255 + 1)
        std::abort();
    return 0;
}
