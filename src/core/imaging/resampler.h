// Scaling pictures to an exact size.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <cstdint>
#include <functional>

namespace pictoreel {

// Scales `source` to exactly width x height. Each direction is filtered on its own: Lanczos
// (three lobes) where it shrinks, Catmull-Rom where it grows, nothing where it keeps its size.
// Colours are filtered premultiplied by alpha, so transparent pixels do not bleed their colour
// into visible ones; a fully transparent result pixel keeps the (unweighted) colour of its
// neighbourhood. Flat areas keep their exact colour. Memory beyond source and result is a few
// rows, whatever the sizes.
// InvalidArgument for a non-positive size or an empty source.
Result<RgbaImage> resampleImage(const RgbaImage& source, int width, int height);

// Row y of a picture as 8-bit RGBA, valid until the next call. The scaler asks for rows from top
// to bottom.
using PictureRows = std::function<const std::uint8_t*(int y)>;

// What resampleImage does, for a picture that is not held whole: `rows` gives its rows one at a
// time, and `opaque` says whether every pixel's alpha is 255. With the same rows and the same
// answer the result is the same, byte for byte.
Result<RgbaImage> resampleRows(int sourceWidth, int sourceHeight, bool opaque, const PictureRows& rows, int width,
                               int height);

}  // namespace pictoreel
