// pictoreel-cli avi2gif AVI GIF [--quiet] and gif2avi GIF AVI [--quiet]: the converters of the
// Tools menu without their windows.
#include "cli_support.h"
#include "commands.h"

#include "core/media/gif_reader.h"
#include "core/media/player_component.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace pictoreel::cli {
namespace {

enum class Direction { AviToGif, GifToAvi };

int runConversion(const QStringList& words, Direction direction)
{
    const bool toGif = direction == Direction::AviToGif;
    const Arguments args(words, {QStringLiteral("--quiet")}, {}, 2);
    if (!args.ok() || args.positional().size() != 2) {
        printError(args.ok() ? (toGif ? QStringLiteral("usage: pictoreel-cli avi2gif AVI GIF [--quiet]")
                                      : QStringLiteral("usage: pictoreel-cli gif2avi GIF AVI [--quiet]"))
                             : args.error());
        return kExitUsage;
    }
    const QString source = args.positional().at(0);
    const QString target = args.positional().at(1);
    if (!QFileInfo(source).isFile()) {
        printError(QStringLiteral("no such file: %1").arg(source));
        return kExitFailure;
    }

    const bool quiet = args.flag(QStringLiteral("--quiet"));
    ProgressBar bar(quiet);
    PlayerComponent player;
    player.setConvertProgressHandler([&bar](int percent) { bar.show(percent); });
    QElapsedTimer timer;
    timer.start();
    // The player takes the AVI name first in both directions.
    const Status converted = toGif ? player.AviToGif(source, target) : player.GifToAvi(target, source);
    bar.finish();
    if (!converted) {
        printError(converted.error().message);
        return kExitFailure;
    }
    if (!quiet) {
        QString frames;
        if (toGif) {
            if (const Result<GifDecoder> gif = GifDecoder::openFile(target))
                frames = QStringLiteral("%1 frames, ").arg(gif.value().frameCount());
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
