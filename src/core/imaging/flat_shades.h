// Reducing the shades of flat graphics (flat areas whose edges are smoothed) to a few colours,
// so that a shade comes out the same in every picture that has the same flat colours.
#pragma once

#include <cstdint>
#include <vector>

namespace pictoreel {

struct FlatShade {
    std::uint32_t colour = 0;  // red | green << 8 | blue << 16
    std::uint64_t count = 0;   // pixels of this colour
};

// The colour each of `shades` (distinct colours) becomes, in the same order; at most `limit`
// different ones. Empty when the shades cannot be brought down to `limit` colours.
// The flat colours (the frequent shades) are kept exactly; a smoothed edge between two of them
// holds blends of the two, so every other shade takes the nearest of a fixed row of blends
// along the line between two flat colours, evenly spaced by the smallest step of a fixed ladder
// that leaves few enough colours. What a shade becomes thus depends on the shade and the flat
// colours only, not on the other shades of the picture.
std::vector<std::uint32_t> reduceFlatShades(const std::vector<FlatShade>& shades, int limit);

}  // namespace pictoreel
