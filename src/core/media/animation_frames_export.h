// The frames of an animated GIF, WebP or PNG as numbered PNG pictures in a folder, each as a
// viewer shows it (composed over the frames before it) with its own delay, so that they can
// become the frames of a project. Files are named and written as frame_files.h says.
#pragma once

#include "core/media/frame_files.h"
#include "core/media/video_conversion.h"

#include <optional>

namespace pictoreel {

enum class AnimationKind { None, Gif, Webp, Png };

// What the file's first bytes say it is: a GIF (of any frame count), an animated WebP or an
// animated PNG; None for anything else, a still WebP or PNG included.
AnimationKind animationKindOf(const QString& path);

// Whether `path` is an animation: a GIF of two or more frames, an animated WebP or PNG.
bool holdsAnimation(const QString& path);

struct ImportedAnimation {
    std::vector<ExtractedFrame> frames;
    // As a GIF stores it: 0 loops for ever, n repeats the animation n times after its first
    // showing; nothing when the file is shown once.
    std::optional<int> loopCount;
    int width = 0;
    int height = 0;
};

// Writes every frame of `path` into `folder` (created when missing). Delays are the GIF's own,
// or a WebP's or PNG's durations in hundredths, rounded where each frame ends. Errors: the
// readers' (FileNotFound, UnsupportedFormat, CorruptData, LimitExceeded), InvalidArgument for a
// folder that holds frames of these names already, FolderCreateFailed, FileWriteFailed,
// Cancelled. Progress as for the conversions: one 100 once every file has its name.
Result<ImportedAnimation> extractAnimationFrames(const QString& path, const QString& folder, const ConversionProgress& progress = {},
                                                 const ConversionLimits& limits = {});

}  // namespace pictoreel
