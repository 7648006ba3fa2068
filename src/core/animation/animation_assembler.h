// Assembling one-image GIFs into an animated GIF, frame by frame.
//
// Every frame of the animation is a one-image GIF file (the frame cache of the make) or nothing
// (a frame whose picture is missing). The assembler decodes one file at a time and writes the
// animation as it goes, so it holds three screens at most: what a viewer shows before the frame
// being written, that frame's picture, and the picture after it.
//
// What a viewer shows after frame k is exactly picture k: every pixel of the picture, its
// transparent pixels included (nothing of an earlier frame shows through); with a lossy setting,
// each opaque pixel comes within the error the eye allows it there (see FramePlanner). Within
// that rule the file is made small:
//   - each frame after the first stores only the bounding rectangle of the pixels that change;
//     inside it, pixels that stay as they are may be stored as the transparent index;
//   - a frame that is followed by a frame with transparent pixels where it has opaque ones is
//     disposed "restore to background", which clears its rectangle (grown to cover those
//     pixels) to transparent, and the next frame redraws what it needs there;
//   - each stored rectangle has its own palette of just the colours it uses, or the global one:
//     the first picture's table, or, when most frames change little and to colours the first
//     picture lacks (flat graphics), the colours the most frames change to, or one table for a
//     screen recording (see recording_table.h). Only the first picture's is known at the start:
//     the frames are written on it as they come, and written again once all are read when one
//     of the others is chosen (from the frame where one looks likely, they are only read on);
//   - an opaque picture with none of the colours the screen can show changes every pixel, so its
//     file's image is copied as stored without being decoded (photos following photos).
//
// Pictures of another size than the screen are placed at the top left corner, clipped where they
// reach beyond the screen and padded with transparent pixels where they fall short of it.
#pragma once

#include "core/base/error.h"
#include "core/animation/animation_frames.h"
#include "core/animation/picture.h"
#include "core/animation/recording_table.h"
#include "core/animation/shared_palette.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace pictoreel {

// A frame's delay held to what a GIF stores: 0..65535 hundredths of a second.
int animationDelay(int centiseconds);

// The largest delay and loop count a GIF stores.
inline constexpr int kMaxGifValue = 65535;

// Percent done, 0..100. Returning false cancels the work (ErrorCode::Cancelled); the value
// returned with the final 100 is ignored, the file being complete by then.
using AssemblyProgress = std::function<bool(int percent)>;

class AnimationAssembler {
public:
    AnimationAssembler(AnimationFrames frames, AnimationSettings settings);
    AnimationAssembler(std::vector<AnimationFrameSource> frames, AnimationSettings settings)
        : AnimationAssembler(AnimationFrames(std::move(frames)), settings)
    {
    }

    // Writes the animation to `outputPath` through a temporary file renamed into place at the
    // end: on any failure an earlier file of that name is left as it was.
    //
    // The screen takes the size of the first frame that has a picture; frames before it show a
    // transparent screen. `progress` (when set) receives rising percentages below 100 while the
    // frames are written and exactly one 100 once the file is complete under its name; nothing
    // is reported as 100 when the work fails.
    //
    // Errors: EmptyImage (no frames, or no frame with a picture), InvalidArgument (delay or loop
    // count outside 0..65535), Cancelled, FileWriteFailed, and for a frame file that cannot be
    // used the reader's error (FileNotFound, CorruptData, ...) with a message naming the frame
    // by its 1-based position and its file.
    Status save(const QString& outputPath, const AssemblyProgress& progress = {}) const;

private:
    // Where the screen's global table comes from, and what is still told as the frames are read.
    struct GlobalChoice {
        animation::RecordingCheck* recordingCheck = nullptr;
        animation::SharedChangeCheck* sharedCheck = nullptr;
        std::optional<animation::RecordingTable> recording;
        std::optional<std::vector<Rgb>> shared;
        std::optional<animation::Picture> firstAgain;  // the first picture, while it may be written again
        bool again = false;  // set when the frames are to be written again on the table chosen
    };
    // Writes the frames on the table `choice` gives (`first`: frame `firstIndex`'s picture),
    // feeding the checks; `reported` is the last percentage told.
    Status write(const QString& outputPath, int firstIndex, animation::Picture first, GlobalChoice& choice,
                 const AssemblyProgress& progress, int& reported) const;

    AnimationFrames frames_;
    AnimationSettings settings_;
};

}  // namespace pictoreel
