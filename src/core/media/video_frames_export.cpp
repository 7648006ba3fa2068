#include "core/media/video_frames_export.h"

#include "core/media/ffmpeg_adapter.h"
#include "core/media/played_timeline.h"
#include "core/media/work_budget.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

namespace pictoreel {

namespace {

constexpr std::int64_t kNoEnd = std::numeric_limits<std::int64_t>::max();

Error cancelled() { return makeError(ErrorCode::Cancelled, QStringLiteral("The extraction was cancelled")); }

// Turns pictures with their start times (from the range's start) into PNG files with delays:
// each delay ends where the next picture starts, rounded there, and a picture that would last
// under two hundredths gives way to the next, which takes its start.
class FrameWriter {
public:
    FrameWriter(FrameFiles& files, const WorkBudget& budget) : files_(files), budget_(budget) {}

    Status add(const RgbaImage& image, std::int64_t start) { return write(timeline_.add(image, start)); }

    Status finish(std::int64_t end)
    {
        if (!timeline_.pending())
            return makeError(ErrorCode::EmptyImage, QStringLiteral("No frame of the video falls in the range asked for"));
        return write(timeline_.finish(end));
    }

private:
    Status write(std::optional<PlayedTimeline::Frame> frame)
    {
        if (!frame)
            return {};
        if (Status s = checkWorkBudget(QStringLiteral("The extraction"), static_cast<std::int64_t>(files_.count()) + 1,
                                       frame->image.width, frame->image.height, budget_);
            !s)
            return s;
        return files_.add(frame->image, frame->delay);
    }

    FrameFiles& files_;
    WorkBudget budget_;
    PlayedTimeline timeline_;
};

Status checkRange(const VideoFrameRange& range)
{
    if (range.startMicroseconds < 0 || (range.durationMicroseconds && *range.durationMicroseconds <= 0))
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The start must not be negative and the duration must be more than 0"));
    if (!(range.framesPerSecond >= 0 && range.framesPerSecond <= kMaxFramesPerSecond))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The frame rate must be more than 0 and at most %1 frames a second").arg(kMaxFramesPerSecond));
    return {};
}

std::optional<double> numberFrom(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
}

}  // namespace

std::optional<std::int64_t> microsecondsFromSeconds(const QString& text)
{
    const std::optional<double> seconds = numberFrom(text);
    if (!seconds || !(*seconds >= 0 && *seconds <= 365.0 * 24 * 3600))
        return std::nullopt;
    return std::llround(*seconds * 1e6);
}

std::optional<double> framesPerSecondFrom(const QString& text)
{
    const std::optional<double> rate = numberFrom(text);
    return rate && *rate > 0 && *rate <= kMaxFramesPerSecond ? rate : std::nullopt;
}

Result<std::vector<ExtractedFrame>> extractVideoFrames(const QString& videoPath, const QString& folder,
                                                       const VideoFrameRange& range, const ConversionProgress& progress,
                                                       const ConversionLimits& limits, VideoReadReport* readReport)
{
    if (Status s = checkRange(range); !s)
        return s.error();
    const auto stopped = [&limits] { return limits.stopRequested && limits.stopRequested(); };
    auto report = [&progress, last = -1](int percent) mutable {
        percent = std::clamp(percent, 0, 99);
        if (!progress || percent <= last)
            return true;
        last = percent;
        return progress(percent);
    };
    Result<ffmpeg::VideoDecoder> opened = ffmpeg::VideoDecoder::open(videoPath, videoLimitsWithin(limits.budget));
    if (!opened)
        return opened.error();
    ffmpeg::VideoDecoder& video = opened.value();
    Result<std::unique_ptr<FrameFiles>> files = FrameFiles::open(folder, videoPath);
    if (!files)
        return files.error();

    // Times from the video's first frame; the range ends at `end`.
    const std::int64_t start = range.startMicroseconds;
    const std::int64_t end =
        range.durationMicroseconds && *range.durationMicroseconds < kNoEnd - start ? start + *range.durationMicroseconds : kNoEnd;
    FrameWriter writer(*files.value(), limits.budget);
    std::optional<std::int64_t> origin;
    std::optional<ffmpeg::VideoFrame> shown;  // the frame on screen until the next one starts
    std::int64_t sample = 0;  // with a frame rate: the number of the next picture taken
    const auto sampleTime = [&](std::int64_t k) { return start + std::llround(static_cast<double>(k) * 1e6 / range.framesPerSecond); };
    // Writes what `shown` contributes to the range before `until`, where the next frame starts.
    const auto emitShown = [&](std::int64_t until) -> Status {
        if (!shown || until <= start || shown->startMicroseconds >= end)
            return {};
        if (range.framesPerSecond <= 0)
            return writer.add(shown->image, std::max(shown->startMicroseconds, start) - start);
        for (std::int64_t t = sampleTime(sample); t < until && t < end; t = sampleTime(++sample)) {
            if (Status s = writer.add(shown->image, t - start); !s)
                return s;
        }
        return {};
    };
    std::int64_t lastEnd = 0;
    bool videoEnded = false;
    for (;;) {
        Result<std::optional<ffmpeg::VideoFrame>> next = video.nextFrame();
        if (!next)
            return next.error();
        if (!next.value()) {
            videoEnded = true;
            break;
        }
        ffmpeg::VideoFrame frame = std::move(*next.value());
        if (!origin)
            origin = frame.startMicroseconds;
        frame.startMicroseconds = std::max(frame.startMicroseconds - *origin, shown ? shown->startMicroseconds : 0);
        lastEnd = frame.startMicroseconds + frame.durationMicroseconds;
        if (Status s = emitShown(frame.startMicroseconds); !s)
            return s.error();
        const std::int64_t at = frame.startMicroseconds;
        shown = std::move(frame);
        const double done = end == kNoEnd ? video.fractionRead() : std::max(video.fractionRead(), double(at) / double(end));
        if (stopped() || !report(static_cast<int>(done * 95)))
            return cancelled();
        if (at >= end)
            break;
    }
    if (!origin)
        return noDecodedFrameError(videoPath);
    const std::int64_t nominal = video.nominalFrameMicroseconds();
    if (shown && lastEnd <= shown->startMicroseconds)
        lastEnd = shown->startMicroseconds + (nominal > 0 ? nominal : kFallbackFrameMicroseconds);
    const VideoReadReport read = videoReadReport(lastEnd, video.statedMicroseconds(), nominal);
    if (Status s = emitShown(lastEnd); !s)
        return s.error();
    if (Status s = writer.finish(std::min(lastEnd, end) - start); !s)
        return s.error();

    // Every picture is written: each takes its name, or none does.
    Result<std::vector<ExtractedFrame>> frames = files.value()->commit(stopped, [&](int part) { report(95 + part); });
    if (!frames)
        return frames.error();
    if (readReport && videoEnded)
        *readReport = read;
    if (progress)
        progress(100);
    return frames;
}

}  // namespace pictoreel
