// Fuzz target: the Paint Shop Pro reader on arbitrary bytes. Any crash, sanitizer report or hang
// is a bug, and so is a picture of another size than its header says or beyond the limits.
#include "core/formats/psp_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pictoreel;
    if (data == nullptr || size == 0 || size > (1u << 20))
        return 0;
    // Shares the caller's bytes instead of copying them.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const Result<RgbaImage> picture = decodePsp(bytes);
    if (!picture)
        return 0;
    const RgbaImage& image = picture.value();
    const std::optional<PictureSize> declared = pspSize(HeaderBytes{data, size});
    if (!declared || declared->width != image.width || declared->height != image.height ||
        !checkPictureLimits(image.width, image.height) ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
        std::abort();
    return 0;
}
