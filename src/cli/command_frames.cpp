// pictoreel-cli frames VIDEO -o DIR [--start S] [--duration S] [--fps N] [...]: the frames of a
// video (or of a time range of it, optionally at N pictures a second) as numbered PNG pictures,
// the window's "Add Video Frames ..." without the window. An animated GIF, WebP or PNG is taken
// apart the same way, every frame as shown, as "Import Animation Frames ..." does. Each file is
// printed with its delay.
#include "cli_support.h"
#include "commands.h"

#include "core/base/file_identity.h"
#include "core/media/animation_frames_export.h"
#include "core/media/video_frames_export.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

namespace pictoreel::cli {
namespace {

constexpr auto kUsage = "usage: pictoreel-cli frames VIDEO|ANIMATION -o DIR [--start S] [--duration S] [--fps N] "
                        "[--max-frames N] [--max-pixels N] [--quiet]";

}  // namespace

int runFrames(const QStringList& words)
{
    const Arguments args(words, {QStringLiteral("--quiet")},
                         QStringList{QStringLiteral("-o"), QStringLiteral("--start"), QStringLiteral("--duration"), QStringLiteral("--fps")} +
                             kBudgetOptions,
                         1);
    const auto folder = args.value(QStringLiteral("-o"));
    if (!args.ok() || args.positional().size() != 1 || !folder || folder->isEmpty()) {
        printError(args.ok() ? QLatin1String(kUsage) : args.error());
        return kExitUsage;
    }
    std::optional<ConversionLimits> limits = conversionLimitsFrom(args);
    if (!limits)
        return kExitUsage;
    VideoFrameRange range;
    const auto seconds = [&args](const QString& option, bool zeroAllowed) -> std::optional<std::optional<std::int64_t>> {
        const auto text = args.value(option);
        if (!text)
            return std::optional<std::int64_t>();
        const auto value = microsecondsFromSeconds(*text);
        if (value && (zeroAllowed || *value > 0))
            return value;
        printError(QStringLiteral("%1 wants seconds (like 2 or 1.5)%2, not \"%3\"")
                       .arg(option, zeroAllowed ? QString() : QStringLiteral(" above 0"), *text));
        return std::nullopt;
    };
    const auto start = seconds(QStringLiteral("--start"), true);
    const auto duration = seconds(QStringLiteral("--duration"), false);
    if (!start || !duration)
        return kExitUsage;
    range.startMicroseconds = start->value_or(0);
    range.durationMicroseconds = *duration;
    if (const auto fps = args.value(QStringLiteral("--fps"))) {
        const auto rate = framesPerSecondFrom(*fps);
        if (!rate) {
            printError(QStringLiteral("--fps wants frames a second above 0 and at most %1, not \"%2\"").arg(kMaxFramesPerSecond).arg(*fps));
            return kExitUsage;
        }
        range.framesPerSecond = *rate;
    }
    const QString source = args.positional().front();
    if (const auto notAFile = notAFileError(source)) {
        printError(notAFile->message);
        return kExitFailure;
    }

    const bool quiet = args.flag(QStringLiteral("--quiet"));
    ProgressBar bar(quiet);
    const InterruptCatcher interrupts;
    limits->stopRequested = &InterruptCatcher::interrupted;
    QElapsedTimer timer;
    timer.start();
    VideoReadReport read;
    const auto progress = [&bar](int percent) { return bar.show(percent), true; };
    const bool animation = animationKindOf(source) != AnimationKind::None;
    if (animation && (args.value(QStringLiteral("--start")) || args.value(QStringLiteral("--duration")) || args.value(QStringLiteral("--fps")))) {
        printError(QStringLiteral("--start, --duration and --fps take part of a video; an animation gives all its frames"));
        return kExitUsage;
    }
    const auto frames = [&]() -> Result<std::vector<ExtractedFrame>> {
        if (!animation)
            return extractVideoFrames(source, *folder, range, progress, *limits, &read);
        Result<ImportedAnimation> imported = extractAnimationFrames(source, *folder, progress, *limits);
        if (!imported)
            return imported.error();
        return std::move(imported).value().frames;
    }();
    bar.finish();
    if (!frames) {
        if (InterruptCatcher::interrupted()) {
            printError(QStringLiteral("interrupted; no frame was written to %1").arg(*folder));
            InterruptCatcher::endInterrupted();
        }
        printFailure(source, frames.error());
        return kExitFailure;
    }
    if (read.videoCutShort)
        printError(QStringLiteral("warning: ") + videoCutShortText(source, read));
    // One line a picture, its delay first: "delay path", which a script reads back as it is.
    for (const ExtractedFrame& frame : frames.value())
        printLine(QStringLiteral("%1 %2").arg(frame.delayCentiseconds).arg(frame.path));
    if (!quiet)
        std::fprintf(stderr, "%s\n", QStringLiteral("%1 written to %2, %3 s")
                                          .arg(countOf(qint64(frames.value().size()), QStringLiteral("frame")))
                                          .arg(*folder)
                                          .arg(timer.elapsed() / 1000.0, 0, 'f', 2)
                                          .toLocal8Bit()
                                          .constData());
    return kExitOk;
}

}  // namespace pictoreel::cli
