// A picture's size and the limits every decoder checks it against before a pixel is allocated.
#pragma once

#include "core/base/error.h"
#include "core/base/limits.h"

#include <cstdint>

namespace pictoreel {

struct PictureSize {
    int width = 0;
    int height = 0;
};

// LimitExceeded when a picture of this size cannot be held whole: beyond kLimits.maxSide or
// kLimits.maxPixels.
Status checkPictureLimits(std::int64_t width, std::int64_t height);

// The largest size within the limits (checkPictureLimits) with the proportions of `own`, at least
// one pixel a side; `own` itself when it is within them. A drawing is drawn at any size: one whose
// own size is beyond the limits is drawn at this one.
PictureSize largestWithinLimits(PictureSize own);

// How a picture about to be decoded is held: whole; whole, though as a frame's picture it could
// be scaled down while it is read; or scaled down while it is read.
enum class PictureHolding { Whole, WholeOrScaled, Scaled };

// The size of a picture about to be decoded: CorruptData for a size without pixels,
// LimitExceeded beyond the limits. A picture scaled down while it is read may have up to
// kLimits.maxScaledPixels; others are held whole (checkPictureLimits), and the message of one
// that could have been scaled says so.
Status checkPictureSize(std::int64_t width, std::int64_t height, PictureHolding holding = PictureHolding::Whole);

}  // namespace pictoreel
