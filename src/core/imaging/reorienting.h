// Cutting a rectangle out of a picture, and turning or flipping it, pixel for pixel.
#pragma once

#include "core/base/image.h"

namespace pictoreel {

// The pixels of `image` in the rectangle (x, y, width, height), which must lie inside it.
RgbaImage croppedImage(const RgbaImage& image, int x, int y, int width, int height);

// `image` flipped left-right when `mirrored`, then turned by `quarterTurns` clockwise (any
// number; negative turns to the left). Odd turns swap the width and the height.
RgbaImage reorientedImage(const RgbaImage& image, int quarterTurns, bool mirrored);

}  // namespace pictoreel
