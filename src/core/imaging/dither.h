// Mapping a picture to a palette with a dithering pattern that hides the steps between entries
// in smooth gradients. Both kinds depend only on the picture and the palette, so two identical
// pictures come out identical, and a pixel whose colour is in the palette is always that entry.
#pragma once

#include "core/base/image.h"

#include <cstdint>
#include <vector>

namespace pictoreel {

// Diffusion: error diffusion, limited so that flat areas stay flat and the noise of one frame
// does not spread far, and weaker in busy areas, whose texture hides the palette's steps. Ordered: a fixed threshold pattern, tied to the pixel's position, so a
// still background keeps the same pattern from frame to frame. None: every pixel its nearest entry.
enum class Dithering { Diffusion, Ordered, None };

class CellNearest;

// Writes the entry of every pixel to `out` (width * height), leaving the pixels with alpha 0
// as they are when `skipTransparent`. `nearest` looks up entries of `palette`.
void mapOrdered(const RgbaImage& image, const std::vector<Rgb>& palette, CellNearest& nearest, bool skipTransparent,
                std::vector<std::uint8_t>& out);
void mapDiffused(const RgbaImage& image, const std::vector<Rgb>& palette, CellNearest& nearest, bool skipTransparent,
                 std::vector<std::uint8_t>& out);

}  // namespace pictoreel
