// Finding frames that repeat the frame before them, for merging them into one: frames are
// compared as a make shows them, converted into the same cache a make uses.
#pragma once

#include "core/production/frame_cache.h"

#include <functional>
#include <optional>
#include <vector>

namespace pictoreel {

struct RepeatSearch {
    int jobs = 1;  // frames converted at once
    std::function<bool()> stopRequested;  // asked between frames; may be empty
    std::function<void(std::size_t compared)> frameCompared;  // after each frame, in row order
};

// Element k tells whether frame k (0-based, in `conversions`' order) has the same pixels as frame
// k - 1; element 0 is false. A frame whose picture is missing or cannot be converted repeats
// nothing and is repeated by nothing. nullopt when stopped on request.
std::optional<std::vector<bool>> findRepeatedFrames(std::vector<FrameConversion> conversions, const RepeatSearch& search);

}  // namespace pictoreel
