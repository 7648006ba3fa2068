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

// How a photo's reduction trades its palette's steps against dither noise: plain numbers, so a
// quality setting can drive them. The defaults are the trade the program makes by default.
struct ReductionTuning {
    // The most error, per channel, that a diffused pixel passes on, as a share (in 1/256) of the
    // distance from the entry it got to that entry's nearest other entry. Between two entries of a
    // gradient the error never needs to be larger than about half their step per channel (their
    // distance over sqrt 3 for a grey step), so a larger error is the noise of colours the palette
    // does not reach, which would only spread; where entries are close (a gradient given many of
    // them) the noise is as fine as their steps.
    int passedErrorShare = 80;
    // How many times a pixel of a smooth area (its steps to the neighbours right and below at most
    // about a level a channel) counts in choosing the palette: the palette's steps show as bands
    // there, while texture hides them, so smooth areas get the closer entries.
    int smoothWeight = 2;
};

class CellNearest;

// Writes the entry of every pixel to `out` (width * height), leaving the pixels with alpha 0
// as they are when `skipTransparent`. `nearest` looks up entries of `palette`.
void mapOrdered(const RgbaImage& image, const std::vector<Rgb>& palette, CellNearest& nearest, bool skipTransparent,
                std::vector<std::uint8_t>& out);
void mapDiffused(const RgbaImage& image, const std::vector<Rgb>& palette, CellNearest& nearest, bool skipTransparent,
                 std::vector<std::uint8_t>& out, const ReductionTuning& tuning = {});

}  // namespace pictoreel
