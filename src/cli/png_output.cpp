#include "commands.h"

#include <QImage>
#include <QSaveFile>

namespace pictoreel::cli {

Status savePng(const RgbaImage& image, const QString& path)
{
    if (image.empty())
        return makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to write."));
    const QImage view(image.pixels.data(), image.width, image.height, image.width * 4, QImage::Format_RGBA8888);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || !view.save(&out, "PNG") || !out.commit())
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
    return Status::success();
}

}  // namespace pictoreel::cli
