// Budgets for work that grows with an animation's length: how many frames, and how many pixels
// all of them cover together (frames x the screen's width x height), are decoded for one
// extraction or conversion before it is refused. The defaults sit above what ordinary animations
// and videos need (five minutes of 1920 x 1080 video at 30 frames a second is 9,000 frames and
// 18.7 billion pixels) and below the files that would keep the programs busy for many minutes or
// fill a disk with frames. Either can be raised for one run: pictoreel-cli's --max-frames and
// --max-pixels.
#pragma once

#include "core/base/error.h"
#include "core/media/ffmpeg_adapter.h"
#include "core/gif/gif_reader.h"

#include <QString>

#include <cstdint>

namespace pictoreel {

struct WorkBudget {
    static constexpr std::int64_t kDefaultMaxFrames = 100'000;
    static constexpr std::int64_t kDefaultMaxPixels = 20'000'000'000;

    std::int64_t maxFrames = kDefaultMaxFrames;
    std::int64_t maxPixels = kDefaultMaxPixels;
};

// LimitExceeded, with a message that names the budget, when `frames` frames of width x height
// pixels go beyond it. `what` names the source in the message: "The GIF", "The video".
Status checkWorkBudget(const QString& what, std::int64_t frames, int width, int height, const WorkBudget& budget);

// Decoder limits that let through whatever the budget allows: the decoders' own bounds on frame
// count and decoding work are raised to the budget's where it is larger.
GifDecodeLimits gifLimitsWithin(const WorkBudget& budget);
ffmpeg::VideoLimits videoLimitsWithin(const WorkBudget& budget);

}  // namespace pictoreel
