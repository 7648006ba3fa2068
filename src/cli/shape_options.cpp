#include "shape_options.h"

#include "core/project/crop_region.h"
#include "core/project/orientation.h"
#include "core/project/sequence_edits.h"

namespace pictoreel::cli {

bool applyShapeOptions(const Arguments& args, ProjectProperties& properties, FrameList& frames)
{
    const auto crop = args.value(QStringLiteral("--crop"));
    if (crop && !cropRegionFromText(*crop)) {
        printError(QStringLiteral("--crop wants WxH+X+Y in pixels (600x400+100+50) or in percent of each picture "
                                  "(50%x50%+25%+0%), not \"%1\"").arg(*crop));
        return false;
    }
    Orientation orientation = orientationFromTexts(properties.rotate, properties.mirror);
    if (const auto rotate = args.value(QStringLiteral("--rotate"))) {
        const std::optional<int> turns = quarterTurnsFromText(*rotate);
        if (!turns || *turns == 0) {
            printError(QStringLiteral("--rotate wants 90, 180 or 270, not \"%1\"").arg(*rotate));
            return false;
        }
        orientation = turned(orientation, *turns);
    }
    if (const auto flip = args.value(QStringLiteral("--flip"))) {
        if (*flip != u"h" && *flip != u"v") {
            printError(QStringLiteral("--flip wants h or v, not \"%1\"").arg(*flip));
            return false;
        }
        orientation = flipped(orientation, *flip == u"h" ? FlipAxis::Horizontal : FlipAxis::Vertical);
    }
    std::optional<int> speed;
    if (const auto text = args.value(QStringLiteral("--speed"))) {
        bool ok = false;
        speed = text->toInt(&ok);
        if (!ok || *speed < 10 || *speed > 1000) {
            printError(QStringLiteral("--speed wants a percentage from 10 to 1000, not \"%1\"").arg(*text));
            return false;
        }
    }
    if (crop)
        properties.crop = crop->trimmed();
    properties.rotate = rotateText(orientation);
    properties.mirror = mirrorText(orientation);
    if (speed)
        changeSpeed(frames, {}, *speed);
    return true;
}

QSize shapedPictureSize(const Arguments& args, QSize picture)
{
    if (const auto crop = args.value(QStringLiteral("--crop")))
        if (const std::optional<CropRegion> region = cropRegionFromText(*crop)) {
            const PixelRect kept = cropRectIn(*region, picture.width(), picture.height());
            picture = QSize(kept.width, kept.height);
        }
    const auto rotate = args.value(QStringLiteral("--rotate"));
    if (rotate && quarterTurnsFromText(*rotate).value_or(0) % 2 == 1)
        picture.transpose();
    return picture;
}

}  // namespace pictoreel::cli
