// What a video decoder gives and the bounds it keeps to, and the kinds and sizes of video written: shared by
// the FFmpeg adapter (media/ffmpeg_adapter.h) and the video codec module's interface (video_codec.h).
#pragma once

#include "core/base/image.h"
#include "core/base/limits.h"

#include <cstdint>

namespace pictoreel::ffmpeg {

// Bounds a video must stay within; checked before anything is allocated for a frame.
struct VideoLimits {
    int maxSide = kLimits.maxSide;
    std::int64_t maxPixels = kLimits.maxPixels;  // one frame, held whole
    int maxFrames = kLimits.maxVideoFrames;
    // All frames together, width x height x frames: bounds the work for one file.
    std::int64_t maxTotalPixels = std::int64_t{1} << 34;
};

// One decoded picture of a video and when it is shown, in microseconds of the stream's clock.
struct VideoFrame {
    RgbaImage image;  // opaque, at the size of the video's first frame
    std::int64_t startMicroseconds = 0;
    // How long the stream says the frame lasts; 0 when it does not say.
    std::int64_t durationMicroseconds = 0;
};

// The kinds of video file written: AVI of MPEG-4 Part 2 (tagged XVID), MP4 of H.264 (yuv420p at
// even sizes, its index at the start so it plays while it loads) and WebM of VP9.
enum class VideoOutput { Avi, Mp4, WebM };

// The largest side a video is written at.
inline constexpr int kMaxEncodedSide = 8190;

}  // namespace pictoreel::ffmpeg
