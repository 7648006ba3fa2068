// Making a project's animation as an animated WebP or an animated PNG instead of a GIF: every
// row's picture at full colour, scaled as its GIF frame would be, is handed to the format's
// writer one frame at a time. makeFromPlan sends plans of these kinds here.
#pragma once

#include "core/production/make_job.h"
#include "core/production/make_plan.h"

namespace pictoreel {

// Whether `path` ends in ".webp", ".png" or ".apng" (in any letter case).
bool isOtherAnimationOutput(const QString& path);

// The animation of a plan of another kind than a GIF, ready to be placed at its output. Frames
// whose picture is missing or could not be read show the frame before (the first one shows
// nothing), as in a GIF. No frame cache is read or filled; a file made from pictures that were
// all there and read is kept in the temp folder (animation_cache.h), and the same make again
// (unless `useKept` is false) hands that copy on (MakeReport::cached then counts every row). The
// frames' progress is told as in a GIF make; the writing's one 100 is the placement's.
Result<ProducedAnimation> produceOtherAnimation(const MakePlan& plan, const MakeOptions& options,
                                                const MakeEvents& events, bool useKept);

// The made file's frames, once it is at the output: a WebP shows a frame like the one before
// by showing that one longer.
void countMadeFrames(const MakePlan& plan, MakeReport& report);

}  // namespace pictoreel
