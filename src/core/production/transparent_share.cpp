#include "core/production/transparent_share.h"

#include "core/gif/gif_reader.h"
#include "core/production/frame_cache.h"
#include "core/project/crop_region.h"
#include "core/project/frame_style.h"
#include "core/project/frame_values.h"
#include "core/project/orientation.h"

namespace pictoreel {

std::optional<TransparentShare> countTransparentPixels(const QString& frameGif)
{
    Result<GifDecoder> opened = GifDecoder::openFile(frameGif);
    if (!opened)
        return std::nullopt;
    Result<GifFrame> frame = opened.value().frameAt(0);
    if (!frame)
        return std::nullopt;
    const RgbaImage& image = frame.value().image;
    TransparentShare share;
    share.total = std::int64_t(image.width) * image.height;
    for (std::size_t i = 3; i < image.pixels.size(); i += 4)
        share.pixels += image.pixels[i] == 0;
    return share;
}

std::optional<TransparentShare> firstLargeTransparency(const FrameList& frames, const ProjectProperties& properties,
                                                       const QString& tempFolder, double percent,
                                                       const std::function<bool()>& stop)
{
    const Result<FrameSize> size = frameSizeFromTexts(properties.width, properties.height);
    if (!size)
        return std::nullopt;
    const FrameStyle style = frameStyleFor(properties);
    const std::optional<CropRegion> crop = cropRegionFromText(properties.crop);
    const Orientation orientation = orientationFromTexts(properties.rotate, properties.mirror);
    for (int row = 1; row <= frames.rowCount(); ++row) {
        if (stop && stop())
            return std::nullopt;
        const FrameValues values = frameValuesAt(frames, row);
        if (!values.transparent || values.picture.isEmpty())
            continue;
        const FrameShaping shaping = frameShapingFor(crop, orientation, properties.captions, row);
        const FrameCacheEntry entry = locateFrameCache(frameConversionFor(values, size.value(), tempFolder, style, shaping));
        if (entry.state != FrameCacheEntry::State::Cached)
            continue;
        std::optional<TransparentShare> share = countTransparentPixels(entry.file);
        if (share && share->total > 0 && double(share->pixels) * 100.0 > percent * double(share->total)) {
            share->row = row;
            share->colour = values.colour();
            return share;
        }
    }
    return std::nullopt;
}

QString transparentPixelsText(const TransparentShare& share, const QString& groupedCount)
{
    const int r = share.colour & 0xFF, g = (share.colour >> 8) & 0xFF, b = (share.colour >> 16) & 0xFF;
    QString name;
    if (r == 255 && g == 255 && b == 255)
        name = QStringLiteral("white");
    else if (r == 0 && g == 0 && b == 0)
        name = QStringLiteral("black");
    else
        name = QString::asprintf("#%02X%02X%02X", r, g, b);
    const QString pixels = share.pixels == 1 ? QStringLiteral("pixel is") : QStringLiteral("pixels are");
    return QStringLiteral("Frame %1: %2 %3 %4 transparent").arg(share.row).arg(groupedCount, name, pixels);
}

}  // namespace pictoreel
