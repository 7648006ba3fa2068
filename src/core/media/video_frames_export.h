// The frames of a video as numbered PNG pictures in a folder, each with the time it is shown, so
// that they can become the frames of a project.
//
// The pictures are the video's own frames (turned upright), or the picture shown at every 1/N s
// when a frame rate is asked for; a time range (start, duration) limits them, and the first
// picture starts at the range's start. Delays are in hundredths of a second and rounded as
// aviToGif rounds them: where each frame ends, so they never drift from the video's clock, and
// a frame that would be shown for less than two hundredths gives way to the next.
//
// The files are named and written as frame_files.h says: a failed or cancelled run leaves no
// file behind (nor the folders it created), and an existing file is never written over.
#pragma once

#include "core/base/error.h"
#include "core/media/frame_files.h"
#include "core/media/video_conversion.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace pictoreel {

struct VideoFrameRange {
    std::int64_t startMicroseconds = 0;  // from the video's first frame
    std::optional<std::int64_t> durationMicroseconds;  // to the end of the video when empty
    // Pictures a second, more than 0 and at most kMaxFramesPerSecond; 0 keeps the video's frames.
    double framesPerSecond = 0;
};

// Faster than this, frames would last under two hundredths of a second and give way anyway.
inline constexpr double kMaxFramesPerSecond = 50;

// Writes the frames of `videoPath` in `range` into `folder` (created when missing). Errors:
// those of aviToGif's reading (FileNotFound, UnsupportedFormat, CorruptData, LimitExceeded ...),
// InvalidArgument for a range or rate out of bounds or a folder that already holds pictures of
// these names, EmptyImage when the video gives no frame at all (see noDecodedFrameError) or none
// falls in the range, FolderCreateFailed, FileWriteFailed, Cancelled. Progress as for the
// conversions: one 100 once every file has its name. `readReport`, when given, gets what reading
// the video found when the range went on to its end (otherwise it is left as it is).
Result<std::vector<ExtractedFrame>> extractVideoFrames(const QString& videoPath, const QString& folder,
                                                       const VideoFrameRange& range = {},
                                                       const ConversionProgress& progress = {},
                                                       const ConversionLimits& limits = {},
                                                       VideoReadReport* readReport = nullptr);

// Seconds as typed ("2", "1.5", " 0.25 "), in microseconds; nothing for other text or for a time
// below 0 or above a year.
std::optional<std::int64_t> microsecondsFromSeconds(const QString& text);
// A frame rate as typed ("12", "7.5"); nothing for other text or a rate out of (0, 50].
std::optional<double> framesPerSecondFrom(const QString& text);

}  // namespace pictoreel
