// Converting between AVI videos and animated GIFs.
//
// An AVI becomes a GIF that loops for ever: each video frame is one GIF frame, shown for the time
// up to the next frame's timestamp (the last for its own duration). GIF delays count hundredths
// of a second, so each delay is rounded where the frame ends, not on its own: the delays up to
// frame k always add up to frame k + 1's start, rounded, and rounding never drifts. A frame that
// shows the same picture as the one before it lengthens that one instead of adding a frame, and
// a frame that would be shown for less than half a hundredth gives way to the next.
//
// A GIF becomes a video (AVI, MP4 or WebM by the target's name, see videoOutputForName) at one
// constant frame rate chosen so every delay (as players show it) is a
// whole number of video frames, 50 frames a second at most and one at least; a frame that stays
// longer is repeated. Delays that rate cannot hold exactly are rounded where each frame ends, so
// the video keeps in step, and every GIF frame is shown for at least one video frame.
//
// Both directions write through a temporary file beside the target, renamed into place at the
// end: a symlink at the target's name is replaced, not written through. A target that is the
// source itself is refused before anything is read or written. The work stays within a budget
// of frames and pixels (see WorkBudget).
#pragma once

#include "core/base/error.h"
#include "core/codecs/video_frames.h"
#include "core/media/work_budget.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace pictoreel {

// Percent done, rising; exactly one 100 when the target is complete under its name, none on
// failure. Returning false (before the 100) cancels the work with ErrorCode::Cancelled.
using ConversionProgress = std::function<bool(int percent)>;

// What bounds a conversion besides its progress callback.
struct ConversionLimits {
    WorkBudget budget;
    // Asked after every frame; true stops the work with ErrorCode::Cancelled, as a progress
    // callback returning false does, but without waiting for the next percent.
    std::function<bool()> stopRequested;
};

// InvalidArgument when `target` names the file `source` (another spelling, a symlink or a hard
// link to it): writing it would destroy the source. Both conversions check this first.
Status checkConversionTarget(const QString& source, const QString& target);

// What reading a video to its end found.
struct VideoReadReport {
    std::int64_t readMicroseconds = 0;    // from the first frame read to the end of the last
    std::int64_t statedMicroseconds = 0;  // the length the file states; 0 when it states none
    // The video breaks off well before the length it states (a file cut short): the frames before
    // the break were converted.
    bool videoCutShort = false;
};

// The report of a read that went `read` microseconds into a video whose file states `stated`
// (0: nothing), with frames of `nominal` microseconds.
VideoReadReport videoReadReport(std::int64_t read, std::int64_t stated, std::int64_t nominal);

// "<name> is cut short: it breaks off after 0.8 s of the 4.0 s it states" for a video that broke
// off, empty for one that did not.
QString videoCutShortText(const QString& name, const VideoReadReport& report);

// EmptyImage: "<path> holds no frame that could be decoded: it may be damaged or cut short", for a
// video whose stream gives no picture at all.
Error noDecodedFrameError(const QString& videoPath);

// Errors: InvalidArgument (see checkConversionTarget), FileNotFound, FileReadFailed,
// UnsupportedFormat (no video stream, no decoder), CorruptData, LimitExceeded (frame size, the
// budget of frames or pixels, length), EmptyImage (no frame decoded, see noDecodedFrameError),
// Cancelled, FileWriteFailed, LibraryFailure. `report`, when given, gets what reading the video found once the GIF is written.
Status aviToGif(const QString& aviPath, const QString& gifPath, const ConversionProgress& progress = {},
                const ConversionLimits& limits = {}, VideoReadReport* report = nullptr);
// What a GIF's conversion into a video found, once the video is written.
struct GifToAviReport {
    std::int64_t videoFrames = 0;  // the frames the video holds
    int gifFrames = 0;
    bool gifCutShort = false;  // the GIF breaks off before its end: its frames before the break were converted
};

// The kind of video a GIF is written as: MP4 for a name ending .mp4 or .m4v, WebM for .webm (in
// any case), AVI for any other name.
ffmpeg::VideoOutput videoOutputForName(const QString& path);

// The video's kind follows `aviPath`'s name (videoOutputForName).
// `background` (0x00BBGGRR) shows where a GIF frame is transparent, as a player shows it.
// `report`, when given, gets what the conversion found once the video is written.
Status gifToAvi(const QString& gifPath, const QString& aviPath, const ConversionProgress& progress = {},
                std::int32_t background = 0xFFFFFF, const ConversionLimits& limits = {},
                GifToAviReport* report = nullptr);

}  // namespace pictoreel
