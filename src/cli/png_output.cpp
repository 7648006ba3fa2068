#include "commands.h"

#include "core/base/replacing_file.h"
#include "core/media/magick_adapter.h"
#include "core/media/imaging_component.h"

namespace pictoreel::cli {

Status savePng(const RgbaImage& image, const QString& path)
{
    Result<QByteArray> bytes = encodePng(image);
    if (!bytes)
        return bytes.error();
    return writeFileAtomically(path, bytes.value());
}

}  // namespace pictoreel::cli
