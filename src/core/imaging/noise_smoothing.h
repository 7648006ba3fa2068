// Smoothing away the speckle a dither left, before a picture goes down to fewer colours: else
// it turns into speckle of the fewer colours, which costs bytes and looks worse.
#pragma once

#include "core/base/image.h"

namespace pictoreel {

// Each channel of an opaque pixel (alpha of 128 or more) becomes the mean, weighted 1-2-1 both
// ways and rounded, of the opaque pixels around it (itself included; the edge pixels repeated
// beyond the edges) whose channel is within 12 levels of its own, so edges and texture stay.
// Transparent pixels are left as they are.
void smoothDitherNoise(RgbaImage& image);

}  // namespace pictoreel
