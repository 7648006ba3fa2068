#include "core/production/frame_shaping.h"

#include "core/captions/caption_drawing.h"
#include "core/imaging/reorienting.h"
#include "core/media/imaging_component.h"

#include <QSize>

namespace pictoreel {

FrameShaping frameShapingFor(const std::optional<CropRegion>& crop, Orientation orientation,
                             const CaptionLayers& captions, int frameNumber)
{
    FrameShaping shaping{crop, orientation, captionsOnFrame(captions, frameNumber)};
    for (CaptionLayer& layer : shaping.captions)
        layer.firstFrame = 1, layer.lastFrame = 0;
    return shaping;
}

QString frameShapingTag(const FrameShaping& shaping)
{
    QString tag;
    if (shaping.crop)
        tag += QStringLiteral("_k_") + cropRegionText(*shaping.crop).replace(u'%', u'p');
    if (!shaping.orientation.isIdentity())
        tag += QStringLiteral("_o_") + QString::number(shaping.orientation.quarterTurns) +
               (shaping.orientation.mirrored ? QStringLiteral("m") : QString());
    return tag + captionsCacheTag(shaping.captions);
}

RgbaImage shapePicture(const RgbaImage& picture, const std::optional<CropRegion>& crop, Orientation orientation)
{
    if (picture.empty())
        return picture;
    if (!crop)
        return reorientedImage(picture, orientation.quarterTurns, orientation.mirrored);
    const PixelRect kept = cropRectIn(*crop, picture.width, picture.height);
    return reorientedImage(croppedImage(picture, kept.x, kept.y, kept.width, kept.height), orientation.quarterTurns,
                           orientation.mirrored);
}

Status loadShapedFrame(ImagingComponent& worker, const QString& picture, const FrameSize& size, const FrameStyle& style,
                       const FrameShaping& shaping)
{
    // A reduced scale would lose the pixels a crop keeps; a turned picture is scaled to the
    // frame's sides the other way round.
    const bool swap = swapsSides(shaping.orientation);
    const QSize hint = shaping.crop ? QSize() : swap ? QSize(size.height, size.width) : QSize(size.width, size.height);
    if (Status s = worker.LoadImage(picture, hint, style.fit); !s)
        return s;
    if (shaping.crop || !shaping.orientation.isIdentity())
        worker.setImage(shapePicture(worker.image(), shaping.crop, shaping.orientation));
    if (Status s = worker.FitImage(size.width, size.height, style.fit, style.fitBackground); !s)
        return s;
    if (!shaping.captions.empty())
        worker.paintOver([&shaping](RgbaImage& frame) { drawCaptions(frame, shaping.captions, 1); });
    return Status::success();
}

}  // namespace pictoreel
