#include "core/media/animation_frames_export.h"

#include "core/base/limits.h"
#include "core/formats/animated_picture_reader.h"
#include "core/formats/animated_picture_writer.h"  // showingsFor
#include "core/gif/gif_reader.h"
#include "core/media/work_budget.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace pictoreel {

namespace {

// The frames of a GIF through the reader the player uses, its delays as stored.
class GifAnimationReader final : public AnimatedPictureReader {
public:
    explicit GifAnimationReader(GifDecoder decoder) : decoder_(std::move(decoder))
    {
        width_ = decoder_.width();
        height_ = decoder_.height();
        frameCount_ = decoder_.frameCount();
        showings_ = showingsFor(decoder_.loopCount());
    }

    Result<std::optional<AnimationFrame>> nextFrame() override
    {
        std::optional<GifFrame> frame = decoder_.nextFrame();
        if (!frame)
            return std::optional<AnimationFrame>();
        return std::optional(AnimationFrame{std::move(frame->image), frame->delayCentiseconds * 10});
    }

private:
    GifDecoder decoder_;
};

QByteArray startOf(const QString& path, qint64 bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(bytes) : QByteArray();
}

// The loop count a GIF would store for a file played `showings` times.
std::optional<int> loopCountOfShowings(int showings)
{
    if (showings == 0)
        return 0;
    if (showings == 1)
        return std::nullopt;
    return std::min(showings - 1, 65535);
}

Result<QByteArray> readWhole(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return makeError(ErrorCode::FileNotFound, QStringLiteral("File not found: %1").arg(path));
    if (file.size() > kLimits.maxFileBytes)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kLimits.maxFileBytes));
    if (!file.open(QIODevice::ReadOnly))
        return makeError(ErrorCode::FileReadFailed, QStringLiteral("Cannot read %1").arg(path));
    return file.readAll();
}

Result<std::unique_ptr<AnimatedPictureReader>> openReader(const QString& path, AnimationKind kind)
{
    if (kind == AnimationKind::Gif) {
        Result<GifDecoder> decoder = GifDecoder::openFile(path);
        if (!decoder)
            return decoder.error();
        return std::unique_ptr<AnimatedPictureReader>(new GifAnimationReader(std::move(decoder).value()));
    }
    Result<QByteArray> bytes = readWhole(path);
    if (!bytes)
        return bytes.error();
    if (kind == AnimationKind::Webp)
        return openWebpAnimation(bytes.value());
    if (kind == AnimationKind::Png)
        return openApngAnimation(bytes.value());
    return makeError(ErrorCode::UnsupportedFormat, QStringLiteral("%1 is not an animated GIF, WebP or PNG").arg(path));
}

}  // namespace

AnimationKind animationKindOf(const QString& path)
{
    const QByteArray start = startOf(path, 64 * 1024);
    if (start.startsWith("GIF87a") || start.startsWith("GIF89a"))
        return AnimationKind::Gif;
    if (isAnimatedWebp(start))
        return AnimationKind::Webp;
    if (isAnimatedPng(start))
        return AnimationKind::Png;
    return AnimationKind::None;
}

bool holdsAnimation(const QString& path)
{
    switch (animationKindOf(path)) {
    case AnimationKind::None: return false;
    case AnimationKind::Gif: {
        const Result<GifDecoder> gif = GifDecoder::openFile(path);
        return gif && gif.value().frameCount() > 1;
    }
    case AnimationKind::Webp:
    case AnimationKind::Png: return true;
    }
    return false;
}

Result<ImportedAnimation> extractAnimationFrames(const QString& path, const QString& folder, const ConversionProgress& progress,
                                                 const ConversionLimits& limits)
{
    if (!QFile::exists(path))
        return makeError(ErrorCode::FileNotFound, QStringLiteral("File not found: %1").arg(path));
    Result<std::unique_ptr<AnimatedPictureReader>> opened = openReader(path, animationKindOf(path));
    if (!opened)
        return opened.error();
    AnimatedPictureReader& reader = *opened.value();
    Result<std::unique_ptr<FrameFiles>> files = FrameFiles::open(folder, path);
    if (!files)
        return files.error();
    const auto stopped = [&limits] { return limits.stopRequested && limits.stopRequested(); };
    const auto cancelled = [] { return makeError(ErrorCode::Cancelled, QStringLiteral("The extraction was cancelled")); };
    int last = -1;
    const auto report = [&](int percent) {
        percent = std::clamp(percent, 0, 99);
        if (!progress || percent <= last)
            return true;
        last = percent;
        return progress(percent);
    };
    std::int64_t elapsedMs = 0;
    int shownCentiseconds = 0;
    for (int index = 0;; ++index) {
        Result<std::optional<AnimationFrame>> next = reader.nextFrame();
        if (!next)
            return next.error();
        if (!next.value())
            break;
        const AnimationFrame& frame = *next.value();
        if (Status s = checkWorkBudget(QStringLiteral("The extraction"), index + 1, frame.canvas.width, frame.canvas.height, limits.budget);
            !s)
            return s.error();
        // Hundredths where the frame ends, so the rounding never drifts from the file's clock.
        elapsedMs += std::max(frame.durationMs, 0);
        const int end = static_cast<int>(std::min<std::int64_t>((elapsedMs + 5) / 10, std::int64_t{1} << 30));
        if (Status s = files.value()->add(frame.canvas, end - shownCentiseconds); !s)
            return s.error();
        shownCentiseconds = end;
        if (stopped() || !report(reader.frameCount() > 0 ? (index + 1) * 95 / reader.frameCount() : 0))
            return cancelled();
    }
    if (files.value()->count() == 0)
        return makeError(ErrorCode::EmptyImage, QStringLiteral("%1 holds no frame").arg(path));
    Result<std::vector<ExtractedFrame>> frames = files.value()->commit(stopped, [&](int part) { report(95 + part); });
    if (!frames)
        return frames.error();
    ImportedAnimation imported{std::move(frames).value(), loopCountOfShowings(reader.showings()), reader.width(), reader.height()};
    if (progress)
        progress(100);
    return imported;
}

}  // namespace pictoreel
