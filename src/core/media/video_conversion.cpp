#include "core/media/video_conversion.h"

#include "core/animation/animation_assembler.h"
#include "core/media/ffmpeg_adapter.h"
#include "core/media/played_timeline.h"
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"
#include "core/imaging/composite.h"
#include "core/imaging/quantizer.h"
#include "core/media/work_budget.h"
#include "core/base/file_identity.h"
#include "core/base/replacing_file.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

namespace pictoreel {

namespace {

constexpr int kMaxGifDelay = 65535;
// Video frame lengths of a GIF's AVI, in hundredths of a second: 50 frames a second at most,
// one at least.
constexpr int kShortestVideoFrame = 2;
constexpr int kLongestVideoFrame = 100;
// Video frames shorter than this are not taken just to keep long delays whole: delays that only
// such a length divides (10.1 s) are rounded to a second a frame instead.
constexpr int kShortestWholeLength = 10;
// The longest AVI written, in hundredths of a second: a day (4.32 million frames at most).
constexpr std::int64_t kMaxVideoCentiseconds = std::int64_t{100} * 60 * 60 * 24;
// The video frames encoded between two looks at whether to stop: about a second of encoding at
// the largest size.
constexpr int kVideoFramesAPart = 50;

Error cancelled() { return makeError(ErrorCode::Cancelled, QStringLiteral("The conversion was cancelled")); }

// Reports percentages below 100 as they rise, and whether to go on.
class ProgressSteps {
public:
    explicit ProgressSteps(const ConversionProgress& progress) : progress_(progress) {}
    bool report(int percent)
    {
        percent = std::clamp(percent, 0, 99);
        if (!progress_ || percent <= last_)
            return true;
        last_ = percent;
        return progress_(percent);
    }
    void done() const
    {
        if (progress_)
            progress_(100);
    }

private:
    const ConversionProgress& progress_;
    int last_ = -1;
};

Error cannotWrite(const QString& path, const QString& why)
{
    return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: %2").arg(path, why));
}

// Fails early, before any work, when nothing can be written under `path`.
Status checkWritable(const QString& path)
{
    ReplacingFile probe(path);
    if (!probe.open())
        return cannotWrite(path, probe.errorString());
    probe.cancel();
    return {};
}

// ---- AVI to GIF -------------------------------------------------------------------------------

// Collects the video's frames as one-image GIFs in a temporary folder, with their delays, ready
// for the assembler.
class FrameCollector {
public:
    explicit FrameCollector(const QString& folder) : folder_(folder) {}

    Status add(ffmpeg::VideoFrame frame)
    {
        if (!origin_)
            origin_ = frame.startMicroseconds;
        const std::int64_t start = std::max(frame.startMicroseconds - *origin_, lastStart_);
        lastStart_ = start;
        lastEnd_ = start + frame.durationMicroseconds;
        if (const RgbaImage* shown = timeline_.pending(); shown && frame.image.pixels == shown->pixels)
            return {};  // the picture stays: the pending frame lasts longer
        return write(timeline_.add(std::move(frame.image), start));
    }

    bool empty() const { return !timeline_.pending(); }

    // Writes the last frame, shown until `defaultLength` after its start when the video does not
    // say how long it lasts. There must be one (see empty()).
    Status finish(std::int64_t defaultLength)
    {
        end_ = lastEnd_ > lastStart_ ? lastEnd_ : lastStart_ + defaultLength;
        return write(timeline_.finish(end_));
    }

    const std::vector<AnimationFrameSource>& frames() const { return frames_; }
    // Once finished: where the last frame ends, from the first one's start.
    std::int64_t length() const { return end_; }

private:
    Status write(std::optional<PlayedTimeline::Frame> frame)
    {
        if (!frame)
            return {};
        Result<IndexedImage> indexed = quantizeImage(frame->image);
        if (!indexed)
            return indexed.error();
        const QString file = QDir(folder_).filePath(QStringLiteral("frame%1.gif").arg(frames_.size(), 6, 10, QLatin1Char('0')));
        if (Status s = writeSingleImageGif(file, indexed.value()); !s)
            return s;
        frames_.push_back(AnimationFrameSource{file, std::min(frame->delay, kMaxGifDelay)});
        return {};
    }

    QString folder_;
    std::vector<AnimationFrameSource> frames_;
    std::optional<std::int64_t> origin_;
    std::int64_t lastStart_ = 0;
    std::int64_t lastEnd_ = 0;
    std::int64_t end_ = 0;
    PlayedTimeline timeline_;
};

// ---- GIF to AVI -------------------------------------------------------------------------------

// Length of one video frame for these delays: the longest within the range the AVI is written
// at that divides them all, so every GIF frame lasts whole video frames (slides of 1.5 s take
// two of 0.75 s, not 2 s and 1 s by turns). When only a short length would divide them (delays
// of 10.1 s), a second a frame, rounded, beats fifty frames a second.
int videoFrameLength(const std::vector<int>& delays)
{
    int divisor = 0;
    for (int d : delays)
        divisor = std::gcd(divisor, d);
    for (int length = std::min(divisor, kLongestVideoFrame); length >= kShortestWholeLength; --length)
        if (divisor % length == 0)
            return length;
    return std::clamp(divisor, kShortestVideoFrame, kLongestVideoFrame);
}

}  // namespace

Status checkConversionTarget(const QString& source, const QString& target)
{
    if (sameFile(source, target))
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The output file is the file being converted: %1").arg(target));
    return {};
}

VideoReadReport videoReadReport(std::int64_t read, std::int64_t stated, std::int64_t nominal)
{
    // A few frames short is how many files end (the last frames' durations, rounding); a tenth of
    // the length and more is a break.
    const std::int64_t missing = stated - read;
    return VideoReadReport{read, stated, missing > stated / 10 && missing > 3 * std::max<std::int64_t>(nominal, 0)};
}

QString videoCutShortText(const QString& name, const VideoReadReport& report)
{
    if (!report.videoCutShort)
        return {};
    return QStringLiteral("%1 is cut short: it breaks off after %2 s of the %3 s it states")
        .arg(name)
        .arg(double(report.readMicroseconds) / 1e6, 0, 'f', 1)
        .arg(double(report.statedMicroseconds) / 1e6, 0, 'f', 1);
}

Error noDecodedFrameError(const QString& videoPath)
{
    return makeError(ErrorCode::EmptyImage,
                     QStringLiteral("%1 holds no frame that could be decoded: it may be damaged or cut short").arg(videoPath));
}

Status aviToGif(const QString& aviPath, const QString& gifPath, const ConversionProgress& progress,
                const ConversionLimits& limits, VideoReadReport* report)
{
    if (Status s = checkConversionTarget(aviPath, gifPath); !s)
        return s;
    ProgressSteps steps(progress);
    const auto stopped = [&limits] { return limits.stopRequested && limits.stopRequested(); };
    Result<ffmpeg::VideoDecoder> opened = ffmpeg::VideoDecoder::open(aviPath, videoLimitsWithin(limits.budget));
    if (!opened)
        return opened.error();
    ffmpeg::VideoDecoder& video = opened.value();
    if (Status s = checkWritable(gifPath); !s)
        return s;
    const QTemporaryDir folder;
    if (!folder.isValid())
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot create a temporary folder: %1").arg(folder.errorString()));

    // Reading the video is the first half of the work, assembling the GIF the second.
    FrameCollector collector(folder.path());
    for (;;) {
        Result<std::optional<ffmpeg::VideoFrame>> frame = video.nextFrame();
        if (!frame)
            return frame.error();
        if (!frame.value())
            break;
        if (Status s = collector.add(std::move(*frame.value())); !s)
            return s;
        if (stopped() || !steps.report(static_cast<int>(video.fractionRead() * 50)))
            return cancelled();
    }
    if (collector.empty())
        return noDecodedFrameError(aviPath);
    const std::int64_t nominal = video.nominalFrameMicroseconds();
    if (Status s = collector.finish(nominal > 0 ? nominal : kFallbackFrameMicroseconds); !s)
        return s;

    AnimationSettings settings;
    settings.loopCount = 0;
    const AnimationAssembler assembler(collector.frames(), settings);
    bool finished = false;
    const Status saved = assembler.save(gifPath, [&](int percent) {
        if (percent >= 100) {
            finished = true;
            return true;
        }
        return !stopped() && steps.report(50 + percent / 2);
    });
    if (!saved)
        return saved;
    if (report)
        *report = videoReadReport(collector.length(), video.statedMicroseconds(), nominal);
    if (finished)
        steps.done();
    return {};
}

ffmpeg::VideoOutput videoOutputForName(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"mp4" || suffix == u"m4v")
        return ffmpeg::VideoOutput::Mp4;
    return suffix == u"webm" ? ffmpeg::VideoOutput::WebM : ffmpeg::VideoOutput::Avi;
}

Status gifToAvi(const QString& gifPath, const QString& aviPath, const ConversionProgress& progress, std::int32_t background,
                const ConversionLimits& limits, GifToAviReport* report)
{
    if (Status s = checkConversionTarget(gifPath, aviPath); !s)
        return s;
    ProgressSteps steps(progress);
    Result<GifDecoder> opened = GifDecoder::openFile(gifPath, gifLimitsWithin(limits.budget));
    if (!opened)
        return opened.error();
    GifDecoder& gif = opened.value();
    if (Status s = checkWorkBudget(QStringLiteral("The GIF"), gif.frameCount(), gif.width(), gif.height(), limits.budget); !s)
        return s;
    const auto stopped = [&limits] { return limits.stopRequested && limits.stopRequested(); };
    if (gif.width() > ffmpeg::AviEncoder::kMaxSide || gif.height() > ffmpeg::AviEncoder::kMaxSide)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("A %1 x %2 GIF is larger than an AVI video may be (%3 a side)")
                                                       .arg(gif.width())
                                                       .arg(gif.height())
                                                       .arg(ffmpeg::AviEncoder::kMaxSide));

    // Delays as a player shows them, and how many video frames each GIF frame lasts: frame k
    // covers the video frames from its start to the next frame's start, each rounded.
    std::vector<int> delays;
    delays.reserve(static_cast<std::size_t>(gif.frameCount()));
    for (int k = 0; k < gif.frameCount(); ++k)
        delays.push_back(playedDelayCentiseconds(gif.storedDelay(k)));
    const int frameLength = videoFrameLength(delays);
    std::vector<int> repeats;
    std::int64_t elapsed = 0;
    std::int64_t videoFrames = 0;
    for (int d : delays) {
        elapsed += d;
        const std::int64_t end = (elapsed * 2 + frameLength) / (2 * frameLength);
        repeats.push_back(static_cast<int>(end - videoFrames));
        videoFrames = end;
    }
    if (elapsed > kMaxVideoCentiseconds)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The GIF plays for more than a day"));
    // A GIF of few frames shown long becomes many video frames: the budget holds for those too.
    if (Status s = checkWorkBudget(QStringLiteral("The AVI to write"), videoFrames, gif.width(), gif.height(), limits.budget); !s)
        return s;

    // The encoder writes the hidden temporary file, which replaces the target once complete; so a
    // symlink at the target's name is replaced like any file, never written through.
    ReplacingFile written(aviPath);
    if (!written.open())
        return cannotWrite(aviPath, written.errorString());
    Result<std::unique_ptr<ffmpeg::AviEncoder>> encoder =
        ffmpeg::AviEncoder::create(written.temporaryPath(), gif.width(), gif.height(), frameLength, videoOutputForName(aviPath));
    // The encoder's messages name the file the user asked for, not the temporary one.
    const auto aboutTarget = [&](Error error) {
        error.message.replace(written.temporaryPath(), aviPath);
        return error;
    };
    if (!encoder)
        return aboutTarget(encoder.error());
    const int count = gif.frameCount();
    std::int64_t encoded = 0;
    for (int k = 0; k < count; ++k) {
        std::optional<GifFrame> frame = gif.nextFrame();
        if (!frame)
            return makeError(ErrorCode::CorruptData, QStringLiteral("Frame %1 of the GIF cannot be read").arg(k + 1));
        const RgbaImage shown = compositeOverColour(frame->image, background);
        // A frame shown long is encoded a part at a time, so that a stop is heard and the progress
        // moves while it lasts.
        int left = repeats[std::size_t(k)];
        do {
            const int part = std::min(left, kVideoFramesAPart);
            if (Status s = encoder.value()->addFrame(shown, part); !s)
                return aboutTarget(s.error());
            left -= part;
            encoded += part;
            if (stopped() || !steps.report(static_cast<int>(encoded * 99 / std::max<std::int64_t>(videoFrames, 1))))
                return cancelled();
        } while (left > 0);
    }
    if (Status s = encoder.value()->finish(); !s)
        return aboutTarget(s.error());
    if (!written.commit())
        return cannotWrite(aviPath, written.errorString());
    if (report)
        *report = GifToAviReport{videoFrames, count, gif.info().truncated};
    steps.done();
    return {};
}

}  // namespace pictoreel
