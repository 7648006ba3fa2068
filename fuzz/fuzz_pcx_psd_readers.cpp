// Our PCX and Photoshop readers on arbitrary bytes, whatever their signature says: nothing may
// crash, hang or give a picture beyond the size limits or with pixels missing.
#include "core/formats/pcx_reader.h"
#include "core/formats/picture_size.h"
#include "core/formats/psd_reader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pictoreel;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (Result<RgbaImage> (*read)(const QByteArray&) : {decodePcx, decodePsd}) {
        const Result<RgbaImage> picture = read(bytes);
        if (!picture) {
            if (picture.error().message.isEmpty())
                std::abort();
            continue;
        }
        const RgbaImage& image = picture.value();
        if (image.width <= 0 || image.height <= 0 || !checkPictureLimits(image.width, image.height) ||
            image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
            std::abort();
    }
    return 0;
}
