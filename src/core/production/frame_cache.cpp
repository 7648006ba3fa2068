#include "core/production/frame_cache.h"

#include "core/media/imaging_component.h"
#include "core/production/frame_cache_names.h"
#include "core/project/numbers.h"

#include <QFileInfo>

namespace pictoreel {

inline constexpr int kMaxFrameSide = 16384;

FrameConversion frameConversionFor(const FrameList& frames, int index, const QString& tempFolder,
                                   const QString& widthText, const QString& heightText)
{
    return FrameConversion{GetFramePicturePath(frames, index),
                           GetFrameCacheFile(frames, index, tempFolder, widthText, heightText),
                           frames.GetFrameTrans(index), frames.GetFrameTransColor(index).value_or(kWhite)};
}

Result<int> frameSideFromText(const QString& text, const char* what)
{
    const auto value = toInt32(text);
    if (!value || *value < 1 || *value > kMaxFrameSide)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The %1 \"%2\" is not a number of pixels from 1 to %3.")
                                                         .arg(QLatin1String(what), text)
                                                         .arg(kMaxFrameSide));
    return *value;
}

Status convertFrame(const FrameConversion& conversion, int width, int height, ImagingComponent& worker)
{
    worker.ClearImage();
    if (Status s = worker.LoadImage(conversion.picture, QSize(width, height)); !s)
        return s;
    if (Status s = worker.ResizeImage(width, height, true); !s)
        return s;
    return worker.SaveGif(conversion.cacheFile, conversion.transparent, conversion.transColor);
}

Result<QString> GetFrameGif(const FrameList& frames, int index, const QString& tempFolder,
                            const QString& widthText, const QString& heightText, ImagingComponent& worker)
{
    const FrameConversion conversion = frameConversionFor(frames, index, tempFolder, widthText, heightText);
    if (conversion.picture.isEmpty() || !QFileInfo(conversion.picture).isFile())
        return QString();
    if (QFileInfo(conversion.cacheFile).isFile())
        return conversion.cacheFile;
    const auto width = frameSideFromText(widthText, "width");
    if (!width)
        return width.error();
    const auto height = frameSideFromText(heightText, "height");
    if (!height)
        return height.error();
    if (Status s = convertFrame(conversion, width.value(), height.value(), worker); !s)
        return s.error();
    return conversion.cacheFile;
}

}  // namespace pictoreel
