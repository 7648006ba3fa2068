// Picture decoding on arbitrary bytes: format detection, header size checks, the decoders behind
// them, and the pixel steps that follow a load (scaling, palette reduction). Nothing may crash,
// hang or decode a picture beyond the size limits.
#include "core/media/magick_adapter.h"
#include "core/imaging/quantizer.h"
#include "core/imaging/resampler.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pictoreel;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Formats without a signature are only tried under their extension: try those too.
    PictureFormat previous = PictureFormat::Unknown;
    for (const char* extension : {"", "tga", "wbmp"}) {
        const PictureFormat format = sniffPictureFormat(data, size, QString::fromLatin1(extension));
        if (format == PictureFormat::Unknown || format == previous)
            continue;
        previous = format;
        DecodeOptions options;
        if (size % 2) {  // sometimes with a shrink hint
            options.shrinkHintWidth = 8;
            options.shrinkHintHeight = 6;
        }
        Result<RgbaImage> picture = decodePicture(bytes, format, options);
        if (!picture)
            continue;
        const RgbaImage& image = picture.value();
        if (image.width <= 0 || image.height <= 0 || !checkPictureLimits(image.width, image.height) ||
            image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
            std::abort();
        Result<RgbaImage> small = resampleImage(image, 7, 5);
        if (!small || small.value().width != 7 || small.value().height != 5)
            std::abort();
        QuantizeOptions quantize;
        quantize.reserveTransparent = true;
        Result<IndexedImage> indexed = quantizeImage(small.value(), quantize);
        if (!indexed || indexed.value().palette.size() > 256)
            std::abort();
    }
    return 0;
}
