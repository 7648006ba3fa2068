// The LZW decompression of a GIF image's pixels, for the images we stored ourselves (frames of
// the cache): a whole image at a time, each code's string written straight into place. Anything
// out of the ordinary is left to giflib, whose decoder reads every GIF and says what is wrong.
#pragma once

#include "core/gif/gif_writer.h"

#include <cstddef>
#include <cstdint>

namespace pictoreel {

// Decodes `pixels` into the first `count` indices of `out`. False, with `out` in an unknown
// state, unless the data holds at least `count` pixels in well-formed codes (codes after them are
// ignored, as decoders do).
bool decodeGifPixels(const GifCompressedPixels& pixels, std::uint8_t* out, std::size_t count);

}  // namespace pictoreel
