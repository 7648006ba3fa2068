// Scaling pictures to an exact size.
#pragma once

#include "core/error.h"
#include "core/media/image.h"

namespace pictoreel {

// Scales `source` to exactly width x height. Each direction is filtered on its own: Lanczos
// (three lobes) where it shrinks, Catmull-Rom where it grows, nothing where it keeps its size.
// Colours are filtered premultiplied by alpha, so transparent pixels do not bleed their colour
// into visible ones; a fully transparent result pixel keeps the (unweighted) colour of its
// neighbourhood. Flat areas keep their exact colour. Memory beyond source and result is a few
// rows, whatever the sizes.
// InvalidArgument for a non-positive size or an empty source.
Result<RgbaImage> resampleImage(const RgbaImage& source, int width, int height);

}  // namespace pictoreel
