// How close an attempt of the size budget looks to the converted frames it was made from.
#pragma once

#include "core/animation/animation_frames.h"
#include "core/base/error.h"

#include <QString>

#include <vector>

namespace pictoreel {

// The PSNR in dB (99 when equal) of the animation in `file` against `frames`, the converted
// frames, frame by frame: red, green, blue and alpha, transparent pixels (alpha below half) as
// black. Frames without picture are left out; a smaller animation is scaled up to the pictures'
// size first. The animation is decoded as it plays, one screen at a time.
Result<double> budgetAttemptQuality(const QString& file, const std::vector<AnimationFrameSource>& frames);

}  // namespace pictoreel
