// Showing pictures the way viewers do: over a background colour, with the delays viewers play.
#pragma once

#include "core/base/image.h"

#include <cstdint>

namespace pictoreel {

// `image` over an opaque `colour` (0x00BBGGRR): every pixel blended by its alpha, rounded.
RgbaImage compositeOverColour(const RgbaImage& image, std::int32_t colour);

// Delays below 2/100 s play as 10/100 s, as browsers play them.
inline constexpr int kShortestPlayedDelay = 2;
inline int playedDelayCentiseconds(int storedDelay) { return storedDelay < kShortestPlayedDelay ? 10 : storedDelay; }

}  // namespace pictoreel
