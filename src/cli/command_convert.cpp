// pictoreel-cli avi2gif VIDEO GIF [--max-frames N] [--max-pixels N] [--quiet] and gif2avi GIF AVI
// [...]: the converters of the Tools menu without their windows.
#include "cli_support.h"
#include "commands.h"

#include "core/gif/gif_reader.h"
#include "core/media/video_conversion.h"
#include "core/base/file_identity.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace pictoreel::cli {
namespace {

enum class Direction { AviToGif, GifToAvi };

int runConversion(const QStringList& words, Direction direction)
{
    const bool toGif = direction == Direction::AviToGif;
    const Arguments args(words, {QStringLiteral("--quiet")}, kBudgetOptions, 2);
    if (!args.ok() || args.positional().size() != 2) {
        printError(args.ok() ? (toGif ? QStringLiteral("usage: pictoreel-cli avi2gif VIDEO GIF [--max-frames N] [--max-pixels N] [--quiet]")
                                      : QStringLiteral("usage: pictoreel-cli gif2avi GIF AVI [--max-frames N] [--max-pixels N] [--quiet]"))
                             : args.error());
        return kExitUsage;
    }
    std::optional<ConversionLimits> limits = conversionLimitsFrom(args);
    if (!limits)
        return kExitUsage;
    const QString source = args.positional().at(0);
    const QString target = args.positional().at(1);
    if (const auto notAFile = notAFileError(source)) {
        printError(notAFile->message);
        return kExitFailure;
    }
    if (!QFileInfo(source).isFile()) {
        printError(QStringLiteral("no such file: %1").arg(source));
        return kExitFailure;
    }

    // A file already there whose name says another kind of file, and which is not of the kind
    // written either (an earlier run's output), is no output to write over: most often the
    // arguments were given the other way round, or a picture was named by a slip.
    // A GIF becomes the kind of video its target's name says (AVI, MP4 or WebM).
    const ffmpeg::VideoOutput output = videoOutputForName(target);
    const QString targetSuffix = QFileInfo(target).suffix().toLower();
    const QString kind = toGif ? QStringLiteral("gif") : output == ffmpeg::VideoOutput::Avi ? QStringLiteral("avi") : targetSuffix;
    const auto holdsKind = [&] {
        const QByteArray start = readFileStart(target, 12).value_or(QByteArray());
        if (toGif)
            return start.startsWith("GIF8");
        return (start.startsWith("RIFF") && start.mid(8, 4) == "AVI ") || start.mid(4, 4) == "ftyp" || start.startsWith("\x1a\x45\xdf\xa3");
    };
    if (QFileInfo::exists(target) && !targetSuffix.isEmpty() && targetSuffix != kind && !sameFile(source, target) && !holdsKind()) {
        printError(QStringLiteral("%1 is there already, and its name says it is no .%2 file; it is not written over")
                       .arg(target, kind));
        return kExitFailure;
    }

    const bool quiet = args.flag(QStringLiteral("--quiet"));
    ProgressBar bar(quiet);
    const InterruptCatcher interrupts;
    limits->stopRequested = &InterruptCatcher::interrupted;
    const auto progress = [&bar](int percent) {
        bar.show(percent);
        return true;
    };
    QElapsedTimer timer;
    timer.start();
    // Transparent GIF pixels become white in the video, as in the window.
    GifToAviReport video;
    VideoReadReport gif;
    const Status converted = toGif ? aviToGif(source, target, progress, *limits, &gif)
                                   : gifToAvi(source, target, progress, 0xFFFFFF, *limits, &video);
    bar.finish();
    if (!converted) {
        if (InterruptCatcher::interrupted()) {
            printError(QStringLiteral("interrupted; nothing was written to %1").arg(target));
            InterruptCatcher::endInterrupted();
        }
        printFailure(QString(), converted.error());
        return kExitFailure;
    }
    if (video.gifCutShort)
        warnCutShort(source, video.gifFrames);
    if (gif.videoCutShort)
        printError(QStringLiteral("warning: ") + videoCutShortText(source, gif));
    // A name that says a kind of file not written is warned about, so that a GIF named .png or a
    // video named .mov surprises no one.
    if (!targetSuffix.isEmpty() && targetSuffix != kind)
        printError(QStringLiteral("warning: %1 was written as %2 file, whatever its name says")
                       .arg(target, toGif ? QStringLiteral("a GIF") : QStringLiteral("an AVI")));
    if (!quiet) {
        QString frames = countOf(video.videoFrames, QStringLiteral("frame")) + QStringLiteral(", ");
        if (toGif) {
            const Result<GifDecoder> gif = GifDecoder::openFile(target);
            frames = gif ? countOf(gif.value().frameCount(), QStringLiteral("frame")) + QStringLiteral(", ") : QString();
        }
        printLine(QStringLiteral("%1: %2%3 bytes, %4 s")
                      .arg(target, frames)
                      .arg(QFileInfo(target).size())
                      .arg(timer.elapsed() / 1000.0, 0, 'f', 2));
    }
    return kExitOk;
}

}  // namespace

int runAviToGif(const QStringList& words) { return runConversion(words, Direction::AviToGif); }
int runGifToAvi(const QStringList& words) { return runConversion(words, Direction::GifToAvi); }

}  // namespace pictoreel::cli
