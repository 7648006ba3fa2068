// The global colour table of flat graphics: the colours most frames change to.
#pragma once

#include "core/animation/picture.h"
#include "core/animation/animation_frames.h"

#include <optional>
#include <vector>

namespace pictoreel::animation {

// Flat graphics whose frames change to colours the first frame's table lacks would carry a
// table of their own in nearly every frame. When one table holds every colour most frames
// change to, and that saves more than the first frame's own table then costs, it becomes the
// global table: the colours the most frames change to. Nullopt when it does not pay, or when
// the first two pictures share too few colours for it to (photos: each has colours of its own;
// their pictures are then not read twice), or when the second frame's source picture (when it
// has one) is a photo's, not of few colours (see hasFewColours).
std::optional<std::vector<Rgb>> sharedChangeTable(const AnimationFrames& frames, int firstIndex,
                                                  const Picture& first, int width, int height);

}  // namespace pictoreel::animation
