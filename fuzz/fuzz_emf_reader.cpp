// Enhanced metafiles on arbitrary bytes: the header peek, the check of every record and the
// drawing libraries behind it. Nothing may crash or hang; a drawing comes out at the size asked
// for, or at the header's size (within the limits, proportions kept).
#include "core/formats/emf_header.h"
#include "core/formats/picture_formats.h"
#include "core/formats/picture_size.h"
#include "core/media/magick_adapter.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pictoreel;
    const HeaderBytes header{data, size};
    if (sniffPictureFormat(data, size, QString()) != PictureFormat::Emf)
        return 0;
    const std::optional<PictureSize> own = emfSize(header);
    // Sometimes drawn at a frame's size; always when large, to keep the runs quick.
    const bool small = own && std::int64_t{own->width} * own->height <= 1'000'000;
    DecodeOptions options;
    if (size % 2 || !small) {
        options.shrinkHintWidth = 9;
        options.shrinkHintHeight = 7;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Result<RgbaImage> picture = decodePicture(bytes, PictureFormat::Emf, options);
    if (!picture)
        return 0;
    const RgbaImage& image = picture.value();
    // A drawing larger than a picture may be is drawn at the largest size within the limits.
    const PictureSize expected = options.shrinkHintWidth ? PictureSize{9, 7} : largestWithinLimits(own.value_or(PictureSize{}));
    if (image.width != expected.width || image.height != expected.height || !checkPictureLimits(image.width, image.height) ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
        std::abort();
    return 0;
}
