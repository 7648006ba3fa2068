// pictoreel-cli info FILE [--json]: the size of a picture; for a GIF also its frames, their
// delays and the loop count, all read from the GIF's blocks without decoding a frame; for an
// animated WebP or PNG its frames.
#include "cli_support.h"
#include "commands.h"

#include "core/formats/apng_writer.h"
#include "core/formats/picture_formats.h"
#include "core/formats/webp_writer.h"
#include "core/gif/gif_reader.h"
#include "core/media/imaging_component.h"
#include "core/base/file_identity.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>

namespace pictoreel::cli {
namespace {

bool looksLikeGif(QFile& file) { return file.read(4) == "GIF8"; }

// The frames of an animated WebP or PNG (1 for any other picture).
int animationFrames(QFile& file)
{
    if (!file.isOpen() || !file.seek(0))
        return 1;
    const QByteArray start = file.peek(16);
    if (start.startsWith("RIFF") && start.mid(8, 4) == "WEBP")
        return std::max(1, webpFrameCount(file.readAll()));
    if (start.startsWith("\x89PNG"))
        return std::max(1, pngFrameCount(file.read(1 << 20)));
    return 1;
}

}  // namespace

int runInfo(const QStringList& words)
{
    const Arguments args(words, {QStringLiteral("--json")}, {}, 1);
    if (!args.ok() || args.positional().size() != 1) {
        printError(args.ok() ? QStringLiteral("usage: pictoreel-cli info FILE [--json]") : args.error());
        return kExitUsage;
    }
    const QString path = args.positional().front();
    QJsonObject info;
    // A folder, a pipe or a device is refused here, before anything waits on it.
    QFile file;
    if (const Status opened = openRegularFile(file, path); !opened && opened.error().code != ErrorCode::FileNotFound) {
        printError(opened.error().message);
        return kExitFailure;
    }
    if (file.isOpen() && looksLikeGif(file)) {
        file.close();
        // No frame is decoded, so no screen is held: a screen of any size is told, not refused.
        GifDecodeLimits scanOnly;
        scanOnly.maxScreenPixels = std::numeric_limits<std::int64_t>::max();
        auto decoder = GifDecoder::openFile(path, scanOnly);
        if (!decoder) {
            printError(QStringLiteral("%1: %2").arg(path, decoder.error().message));
            return kExitFailure;
        }
        QJsonArray delays;
        for (int k = 0; k < decoder.value().frameCount(); ++k)
            delays.append(decoder.value().storedDelay(k));
        info[QStringLiteral("width")] = decoder.value().width();
        info[QStringLiteral("height")] = decoder.value().height();
        info[QStringLiteral("frame_count")] = delays.size();
        info[QStringLiteral("delays")] = delays;
        const auto loop = decoder.value().loopCount();
        info[QStringLiteral("loop_count")] = loop ? QJsonValue(*loop) : QJsonValue(QJsonValue::Null);
        info[QStringLiteral("truncated")] = decoder.value().info().truncated;
        if (decoder.value().info().truncated)
            warnCutShort(path, decoder.value().frameCount());
    } else {
        // The picture is decoded, so that its size is the upright one a make sees and a damaged
        // picture is told; one too large to hold whole tells the size its header stores.
        const auto picture = loadPictureFile(path);
        const std::optional<PictureSize> declared =
            !picture && picture.error().code == ErrorCode::LimitExceeded ? peekPictureFileSize(path) : std::nullopt;
        if (!picture && !declared) {
            printError(picture.error().message);  // it names the file
            return kExitFailure;
        }
        info[QStringLiteral("width")] = picture ? picture.value().width : declared->width;
        info[QStringLiteral("height")] = picture ? picture.value().height : declared->height;
        // A drawing beyond the limits is drawn at the largest size within them: its own is told too.
        if (const std::optional<PictureSize> own = picture ? drawingSizeBeyondLimits(path) : std::nullopt) {
            info[QStringLiteral("own_width")] = own->width;
            info[QStringLiteral("own_height")] = own->height;
        }
        // Delays and loop count are read from GIFs only: left out, not told as none.
        info[QStringLiteral("frame_count")] = animationFrames(file);
        info[QStringLiteral("truncated")] = false;
    }
    if (args.flag(QStringLiteral("--json"))) {
        printLine(QString::fromUtf8(QJsonDocument(info).toJson(QJsonDocument::Compact)));
        return kExitOk;
    }
    printLine(QStringLiteral("%1: %2 x %3 pixels").arg(path).arg(info[QStringLiteral("width")].toInt()).arg(info[QStringLiteral("height")].toInt()));
    if (info.contains(QStringLiteral("own_width")))
        printLine(QStringLiteral("drawn at that size, the largest a picture may have: its own size is %1 x %2 pixels")
                      .arg(info[QStringLiteral("own_width")].toInt())
                      .arg(info[QStringLiteral("own_height")].toInt()));
    const bool isGif = info.contains(QStringLiteral("delays"));
    if (isGif || info[QStringLiteral("frame_count")].toInt() != 1)
        printLine(QStringLiteral("frames: %1").arg(info[QStringLiteral("frame_count")].toInt()));
    if (isGif) {
        QStringList list;
        for (const QJsonValue& d : info[QStringLiteral("delays")].toArray())
            list << QString::number(d.toInt());
        printLine(QStringLiteral("delays (1/100 s): %1").arg(list.join(QStringLiteral(" "))));
        const QJsonValue loop = info[QStringLiteral("loop_count")];
        printLine(loop.isNull() ? QStringLiteral("loop: none (plays once)")
                                : loop.toInt() == 0 ? QStringLiteral("loop: for ever")
                                                    : QStringLiteral("loop: %1").arg(loop.toInt()));
    }
    return kExitOk;
}

}  // namespace pictoreel::cli
