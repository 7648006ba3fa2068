// pictoreel-cli record -o DIR [--region WxH+X+Y | --window ID | --screen N] [--fps N]
// [--duration S] [--pointer]: the screen recorded into numbered PNG pictures until the duration
// is over or Ctrl+C, each file printed with its delay as `frames` prints them. Under Wayland the
// desktop's screen-sharing portal asks which screen (or, with `--window ask`, which window), so
// a screen number is refused there rather than silently not followed.
#include "cli_support.h"
#include "commands.h"

#include "core/capture/recording_session.h"
#include "core/capture/screen_recording.h"
#include "portal/recording_path.h"
#include "core/media/video_frames_export.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <thread>

namespace pictoreel::cli {
namespace {

constexpr auto kUsage = "usage: pictoreel-cli record -o DIR [--region WxH+X+Y | --window ID | --screen N] [--fps N] "
                        "[--duration S] [--pointer] [--quiet]";

// What to record, from the options; nothing (after saying why) when they are wrong.
std::optional<CaptureTarget> targetFrom(const Arguments& args)
{
    const auto region = args.value(QStringLiteral("--region"));
    const auto window = args.value(QStringLiteral("--window"));
    const auto screen = args.value(QStringLiteral("--screen"));
    if (int(bool(region)) + int(bool(window)) + int(bool(screen)) > 1) {
        printError(QStringLiteral("--region, --window and --screen name what to record: give one of them"));
        return std::nullopt;
    }
    CaptureTarget target;
    if (region) {
        const auto rect = captureRectFrom(*region);
        if (!rect) {
            printError(QStringLiteral("--region wants WIDTHxHEIGHT+X+Y (like 640x480+0+0), not \"%1\"").arg(*region));
            return std::nullopt;
        }
        target.kind = CaptureTarget::Kind::Region;
        target.region = *rect;
    } else if (window) {
        bool ok = false;
        const uint id = window->trimmed().toUInt(&ok, 0);
        const bool ask = window->trimmed() == QLatin1String("ask") && isWaylandSession();  // the portal asks
        if (!ask && (!ok || id == 0)) {
            printError(QStringLiteral("--window wants a window id (like 0x3a00007 or 60817415), not \"%1\"").arg(*window));
            return std::nullopt;
        }
        target.kind = CaptureTarget::Kind::Window;
        target.window = id;
    } else if (screen) {
        if (isWaylandSession()) {
            printError(QStringLiteral("--screen cannot choose the screen in a Wayland session: the desktop asks which screen to share "
                                      "when the recording starts. Leave --screen out (or give --region to record a part of it)"));
            return std::nullopt;
        }
        bool ok = false;
        target.screen = screen->trimmed().toInt(&ok);
        if (!ok || target.screen < 0) {
            printError(QStringLiteral("--screen wants a screen number from 0, not \"%1\"").arg(*screen));
            return std::nullopt;
        }
    }
    return target;
}

}  // namespace

int runRecord(const QStringList& words)
{
    const Arguments args(words, {QStringLiteral("--pointer"), QStringLiteral("--quiet")},
                         {QStringLiteral("-o"), QStringLiteral("--region"), QStringLiteral("--window"), QStringLiteral("--screen"),
                          QStringLiteral("--fps"), QStringLiteral("--duration")},
                         0);
    const auto folder = args.value(QStringLiteral("-o"));
    if (!args.ok() || !folder || folder->isEmpty()) {
        printError(args.ok() ? QLatin1String(kUsage) : args.error());
        return kExitUsage;
    }
    const std::optional<CaptureTarget> target = targetFrom(args);
    if (!target)
        return kExitUsage;
    RecordingSettings settings;
    if (const auto fps = args.value(QStringLiteral("--fps"))) {
        bool ok = false;
        settings.framesPerSecond = fps->trimmed().toInt(&ok);
        if (!ok || settings.framesPerSecond < kMinRecordingRate || settings.framesPerSecond > kMaxRecordingRate) {
            printError(QStringLiteral("--fps wants whole frames a second from %1 to %2, not \"%3\"")
                           .arg(kMinRecordingRate).arg(kMaxRecordingRate).arg(*fps));
            return kExitUsage;
        }
    }
    if (const auto duration = args.value(QStringLiteral("--duration"))) {
        const auto microseconds = microsecondsFromSeconds(*duration);
        if (!microseconds || *microseconds <= 0) {
            printError(QStringLiteral("--duration wants seconds (like 2 or 1.5) above 0, not \"%1\"").arg(*duration));
            return kExitUsage;
        }
        settings.durationMicroseconds = microseconds;
    }

    Result<std::unique_ptr<FrameGrabber>> grabber = openSessionGrabber(*target, args.flag(QStringLiteral("--pointer")));
    if (!grabber) {
        printError(grabber.error().message);
        return kExitFailure;
    }
    const InterruptCatcher interrupts;
    Result<std::unique_ptr<ScreenRecording>> started = ScreenRecording::start(std::move(grabber).value(), *folder, settings);
    if (!started) {
        printError(started.error().message);
        return kExitFailure;
    }
    ScreenRecording& recording = *started.value();
    const bool quiet = args.flag(QStringLiteral("--quiet"));
    if (!quiet)
        std::fprintf(stderr, "recording %dx%d at %d frames a second; Ctrl+C stops\n", recording.width(), recording.height(),
                     settings.framesPerSecond);
    while (!recording.counts().ended && !InterruptCatcher::interrupted()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        QCoreApplication::processEvents();  // the desktop's answers, its stop shortcut among them
    }
    const auto frames = recording.finish();
    const RecordingCounts counts = recording.counts();
    if (!frames) {
        printError(frames.error().message);
        return kExitFailure;
    }
    for (const ExtractedFrame& frame : frames.value())
        printLine(QStringLiteral("%1 %2").arg(frame.delayCentiseconds).arg(frame.path));
    if (!quiet || counts.dropped > 0)
        std::fprintf(stderr, "%s\n",
                     QStringLiteral("%1 written to %2 (%3 asked, %4 the same as the one before, %5 dropped: the disk was too slow), %6 s")
                         .arg(countOf(qint64(frames.value().size()), QStringLiteral("frame")), *folder)
                         .arg(counts.asked).arg(counts.identical).arg(counts.dropped)
                         .arg(double(counts.elapsedMicroseconds) / 1e6, 0, 'f', 2)
                         .toLocal8Bit().constData());
    return kExitOk;
}

}  // namespace pictoreel::cli
