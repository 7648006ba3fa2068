#include "commands.h"

#include "core/media/magick_adapter.h"

#include <QSaveFile>

namespace pictoreel::cli {

Status savePng(const RgbaImage& image, const QString& path)
{
    Result<QByteArray> bytes = encodePng(image);
    if (!bytes)
        return bytes.error();
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes.value()) != bytes.value().size() || !out.commit())
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: %2").arg(path, out.errorString()));
    return Status::success();
}

}  // namespace pictoreel::cli
