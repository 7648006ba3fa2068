// What the reader of a picture is told of its next use: the size it will be scaled to, and so
// how it may be held while it is read.
#pragma once

#include "core/base/limits.h"
#include "core/formats/picture_size.h"

#include <cstdint>

namespace pictoreel {

struct DecodeOptions {
    // When both are positive the picture will next be scaled to exactly this size. JPEGs at least
    // twice as large are then decoded at a reduced DCT scale that still covers a square of the
    // larger side (so the result is large enough even after an orientation tag turns it).
    // A picture ImageMagick reads that is still larger than this, in pixels, and has more than
    // scaleWhileReadingAbove pixels, comes out already scaled to exactly this size (see
    // pictureHolding): it is never held whole, and may have up to kLimits.maxScaledPixels.
    int shrinkHintWidth = 0;
    int shrinkHintHeight = 0;
    // The hint keeps the proportions of the picture as its file stores it (it is fitted inside or
    // over its frame, not stretched): when an orientation tag turns the picture a quarter, the
    // hint turns with it, so a picture scaled while reading keeps its shape.
    bool hintKeepsProportions = false;
    std::int64_t scaleWhileReadingAbove = 4'000'000;
};

// How a picture of width x height that ImageMagick reads (after the DCT scale and the orientation
// tag) is held while it is read: scaled to the hint of `options` when it is large enough
// (Scaled), otherwise whole. Our own readers always hold a picture whole.
inline PictureHolding pictureHolding(std::int64_t width, std::int64_t height, const DecodeOptions& options)
{
    const std::int64_t hintWidth = options.shrinkHintWidth, hintHeight = options.shrinkHintHeight;
    const bool scaled = hintWidth > 0 && hintHeight > 0 && hintWidth <= kLimits.maxSide && hintHeight <= kLimits.maxSide &&
                        hintWidth * hintHeight <= kLimits.maxPixels && width * height > options.scaleWhileReadingAbove &&
                        hintWidth * hintHeight < width * height;
    return scaled ? PictureHolding::Scaled : PictureHolding::WholeOrScaled;
}

}  // namespace pictoreel
