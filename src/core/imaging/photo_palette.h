// Palettes for pictures with many colours (photos): Wu's variance-minimising cuts of the colour
// cube, refined by a few rounds of k-means, and a fast nearest-colour mapping with optional
// dithering. Integer arithmetic throughout, so the result depends only on the pixels.
#pragma once

#include "core/base/image.h"
#include "core/imaging/dither.h"

#include <cstdint>
#include <vector>

namespace pictoreel {

// At most `maxColours` (1..256) colours for the pixels of `image`; pixels with alpha 0 are left
// out when `skipTransparent`. Empty when no pixel counts.
// Pixels of smooth areas count `tuning.smoothWeight` times (see ReductionTuning).
// `fewColours`, when given, is set to what hasFewColours(image, skipTransparent) tells.
std::vector<Rgb> choosePhotoPalette(const RgbaImage& image, int maxColours, bool skipTransparent,
                                    const ReductionTuning& tuning = {}, bool* fewColours = nullptr);

// At most `maxColours` (1..256) colours for the distinct colours `colours` (red << 16 | green << 8
// | blue) of pictures of few colours, each counting `weights[i]` pixels: the same cuts along the
// colours themselves as choosePhotoPalette gives such a picture, for colours gathered over many
// pictures (a recording). Every pixel counts once, smooth or not.
std::vector<Rgb> chooseFewColourPalette(const std::vector<std::uint32_t>& colours,
                                        const std::vector<std::uint64_t>& weights, int maxColours);

// Whether `image` (its pixels with alpha 0 left out when `skipTransparent`) has few enough
// colours (4096, and one for 16 pixels at most) to be reduced along its own colours: scaled
// screen content, flat graphics with antialiased edges. Photos are told within their first rows.
bool hasFewColours(const RgbaImage& image, bool skipTransparent);

// The palette entry for every pixel. A picture of few colours (see hasFewColours) gives every
// colour its nearest entry (squared RGB distance, the lower index on ties), so a flat area keeps
// the entry of its own colour however close the others are; undithered, whatever `dithering`
// says, when that leaves a mean squared error of at most a quarter level per channel. Without
// dithering, in other
// pictures every colour takes the entry nearest to the centre of its colour cell (the top 6 bits
// of each channel): one search per cell instead of one per pixel, and never farther from the
// pixel's true nearest entry than the cell is wide. Dithered (see dither.h), with cells of the
// top 7 bits. Pixels with alpha 0 get `skipIndex` when `skipTransparent`.
std::vector<std::uint8_t> mapToPalette(const RgbaImage& image, const std::vector<Rgb>& palette, Dithering dithering,
                                       bool skipTransparent, std::uint8_t skipIndex, const ReductionTuning& tuning = {});
// What mapToPalette gives a picture of many colours (see hasFewColours), for a caller that knows
// it has them: its colours are not counted first.
std::vector<std::uint8_t> mapPhotoToPalette(const RgbaImage& image, const std::vector<Rgb>& palette, Dithering dithering,
                                            bool skipTransparent, std::uint8_t skipIndex, const ReductionTuning& tuning = {});

}  // namespace pictoreel
