// The LZW compression of a GIF image's pixels, written here rather than left to giflib: a flat
// hash table that empties only the slots it used, and bits packed a word at a time, make it
// several times faster on photos, where most of a make's output goes. A full string table is
// emptied only where a fresh one codes the pixels ahead in fewer bits.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictoreel {

// The image data of a GIF image after its LZW minimum code size byte: the compressed `indices`
// as data sub-blocks of at most 255 bytes, ended by the zero-length block. `minCodeSize` is 2..8
// and every index must be below 2^minCodeSize (higher bits are dropped).
QByteArray compressGifPixels(const std::uint8_t* indices, std::size_t count, int minCodeSize);

// The smallest LZW minimum code size (2..8) for `indices`: an image that uses only the first
// entries of a larger table (the global one) may start its codes narrower than the table's.
int smallestMinCodeSize(const std::uint8_t* indices, std::size_t count);

// The number of bits compressGifPixels codes `indices` into (before packing into sub-blocks), to
// rank ways of storing an image without writing them. Counting stops once it passes `limit`.
std::size_t gifCodedBits(const std::uint8_t* indices, std::size_t count, int minCodeSize,
                         std::size_t limit = static_cast<std::size_t>(-1));

// Indices that may stand in for others: those of index i are entries [offsets[i], offsets[i + 1])
// of `index` and `distance`, nearest first. `offsets` has 257 entries; an index without any has an
// empty range.
struct IndexNeighbours {
    std::vector<std::uint32_t> offsets = std::vector<std::uint32_t>(257, 0);
    std::vector<std::uint8_t> index;
    std::vector<float> distance;
};

// Lossy LZW: while a code string grows, a pixel whose index would end the string may take instead
// a neighbour no farther than its `tolerance` (one per pixel) that lets the string go on. The
// indices are changed in place; compressGifPixels then codes them into the codes chosen here, up
// to where the string table first fills (from there on it may keep a full table that this pass
// would have emptied).
void loosenGifIndices(std::uint8_t* indices, std::size_t count, int minCodeSize, const IndexNeighbours& neighbours,
                      const float* tolerance);

}  // namespace pictoreel
