// Making a project's animation as an animated WebP or an animated PNG instead of a GIF: every
// row's picture at full colour, scaled as its GIF frame would be, is handed to the format's
// writer one frame at a time. makeAnimatedGif sends outputs of these formats here.
#pragma once

#include "core/production/make_job.h"
#include "core/project/frame_list.h"

namespace pictoreel {

// Whether `path` ends in ".webp", ".png" or ".apng" (in any letter case).
bool isOtherAnimationOutput(const QString& path);

// makeAnimatedGif for an output that isOtherAnimationOutput, once makeAnimatedGif has checked the
// make's inputs (rows, output, size, no input written over). Frames whose picture is missing or
// could not be read show the frame before (the first one shows nothing), as in a GIF. No frame
// cache is read or filled; a file made from pictures that were all there and read is kept in the
// temp folder (animation_cache.h), and the same make again copies it (MakeReport::cached then
// counts every row). The frames' progress is told as in a GIF make, the writing by one
// saveProgress of 100 once the file is complete.
Result<MakeReport> makeOtherAnimation(const FrameList& frames, const ProjectProperties& properties,
                                      const QString& output, const MakeOptions& options, const MakeEvents& events);

}  // namespace pictoreel
