// The LZW decompression of a GIF image's pixels, for the images we stored ourselves (frames of
// the cache): a whole image at a time, each code's string written straight into place; and of
// any GIF's images as they stream in, row by row.
#pragma once

#include "core/gif/gif_compressed_pixels.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace pictoreel {

// Decodes `pixels` into the first `count` indices of `out`. False, with `out` in an unknown
// state, unless the data holds at least `count` pixels in well-formed codes (codes after them are
// ignored, as decoders do).
bool decodeGifPixels(const GifCompressedPixels& pixels, std::uint8_t* out, std::size_t count);

}  // namespace pictoreel

namespace pictoreel {

// The LZW decompression of any GIF image's pixels as it streams in, sub-block by sub-block, by the
// rules browsers decode by: the data may start without a clear code; once the code table holds
// its 4096 entries it takes no more and 12-bit codes go on with it (a clear code may come much
// later, or never); an end code, or a code beyond the table, ends the pixels, and the pixels
// decoded before it stand. Indices are the low 8 bits of the literal codes.
class LzwStreamDecoder {
public:
    // Code sizes 0 to 11 are decoded; any other size gives no pixels.
    explicit LzwStreamDecoder(int minCodeSize);
    LzwStreamDecoder(const LzwStreamDecoder&) = delete;
    LzwStreamDecoder& operator=(const LzwStreamDecoder&) = delete;
    ~LzwStreamDecoder();

    // The bytes of the next data sub-block; nextBlock gives them when all given so far are used.
    using BlockSource = std::function<bool(std::vector<std::uint8_t>&)>;
    // Writes up to `count` indices to `out` and returns how many it wrote: fewer only when the
    // pixels have ended (an end code, a bad code, or no more data from `nextBlock`, which
    // answers false or an empty block then).
    std::size_t read(std::uint8_t* out, std::size_t count, const BlockSource& nextBlock);
    // The pixels ended at a code beyond the table (or the code size is not one of 0 to 11).
    bool failed() const { return failed_; }

private:
    int nextCode(const BlockSource& nextBlock);
    void clear();
    struct Table;
    std::unique_ptr<Table> table_;
    int minCodeSize_;
    int codeSize_ = 0;
    int available_ = 0;
    int previous_ = -1;
    std::vector<std::uint8_t> block_;
    std::size_t blockAt_ = 0;
    std::uint32_t bits_ = 0;
    int bitCount_ = 0;
    // The string of the last code, written back to front; pendingAt_ is where its unread part starts.
    std::size_t pendingAt_ = 0;
    bool ended_ = false;
    bool failed_ = false;
};

}  // namespace pictoreel
