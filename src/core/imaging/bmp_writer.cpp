#include "core/imaging/bmp_writer.h"

#include <cstdint>
#include <new>

namespace pictoreel {

namespace {

void putLe16(QByteArray& out, int at, std::uint32_t v)
{
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void putLe32(QByteArray& out, int at, std::uint32_t v)
{
    putLe16(out, at, v & 0xFFFF);
    putLe16(out, at + 2, v >> 16);
}

}  // namespace

Result<QByteArray> encodeBmp24(const RgbaImage& image)
{
    if (image.empty())
        return makeError(ErrorCode::EmptyImage, QStringLiteral("There is no picture to save."));
    const std::int64_t rowBytes = (std::int64_t{image.width} * 3 + 3) / 4 * 4;
    const std::int64_t pixelBytes = rowBytes * image.height;
    constexpr int kHeaderBytes = 14 + 40;
    if (pixelBytes + kHeaderBytes > std::int64_t{INT32_MAX})
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The picture is too large for a BMP file."));
    try {
        QByteArray out(static_cast<qsizetype>(kHeaderBytes + pixelBytes), '\0');
        out[0] = 'B';
        out[1] = 'M';
        putLe32(out, 2, static_cast<std::uint32_t>(out.size()));
        putLe32(out, 10, kHeaderBytes);
        putLe32(out, 14, 40);
        putLe32(out, 18, static_cast<std::uint32_t>(image.width));
        putLe32(out, 22, static_cast<std::uint32_t>(image.height));  // positive: bottom-up rows
        putLe16(out, 26, 1);                                           // planes
        putLe16(out, 28, 24);                                          // bits per pixel
        putLe32(out, 30, 0);                                           // BI_RGB
        putLe32(out, 34, static_cast<std::uint32_t>(pixelBytes));
        putLe32(out, 38, 2835);  // 72 dots per inch
        putLe32(out, 42, 2835);
        char* base = out.data() + kHeaderBytes;
        for (int y = 0; y < image.height; ++y) {
            char* row = base + rowBytes * (image.height - 1 - y);
            const std::uint8_t* p = image.pixel(0, y);
            for (int x = 0; x < image.width; ++x, p += 4, row += 3) {
                row[0] = static_cast<char>(p[2]);
                row[1] = static_cast<char>(p[1]);
                row[2] = static_cast<char>(p[0]);
            }
        }
        return out;
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to encode the picture."));
    }
}

}  // namespace pictoreel
