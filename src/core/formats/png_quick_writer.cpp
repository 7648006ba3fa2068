#include "core/formats/png_quick_writer.h"

#include "core/formats/apng_writer.h"

#include <libdeflate.h>

#include <QtEndian>

#include <limits>
#include <memory>

namespace pictoreel {

namespace {

// Fast, and on screen content within a few per cent of the size of level 6.
constexpr int kDeflateLevel = 1;

QByteArray bigEndian32(std::uint32_t value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

}  // namespace

Result<QByteArray> encodeQuickPng(const RgbaImage& image)
{
    if (image.empty())
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("There is no picture to write"));
    const std::size_t rowBytes = std::size_t(image.width) * 3 + 1;
    const std::size_t rawBytes = rowBytes * std::size_t(image.height);
    if (rawBytes > std::size_t(std::numeric_limits<int>::max()) / 2)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("The picture is too large to write as one PNG"));
    std::vector<std::uint8_t> raw(rawBytes);
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* out = raw.data() + std::size_t(y) * rowBytes;
        const std::uint8_t* in = image.pixel(0, y);
        *out++ = 1;  // Sub: each byte less the one of the pixel to its left
        out[0] = in[0], out[1] = in[1], out[2] = in[2];
        for (int x = 1; x < image.width; ++x) {
            out[3 * x] = std::uint8_t(in[4 * x] - in[4 * x - 4]);
            out[3 * x + 1] = std::uint8_t(in[4 * x + 1] - in[4 * x - 3]);
            out[3 * x + 2] = std::uint8_t(in[4 * x + 2] - in[4 * x - 2]);
        }
    }
    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(kDeflateLevel), &libdeflate_free_compressor);
    if (!compressor)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory while writing a PNG"));
    QByteArray deflated(int(libdeflate_zlib_compress_bound(compressor.get(), raw.size())), Qt::Uninitialized);
    const std::size_t size = libdeflate_zlib_compress(compressor.get(), raw.data(), raw.size(), deflated.data(), std::size_t(deflated.size()));
    if (size == 0)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("The picture could not be compressed"));
    deflated.truncate(int(size));

    QByteArray header = bigEndian32(std::uint32_t(image.width)) + bigEndian32(std::uint32_t(image.height));
    header.append(char(8));  // bits a channel
    header.append(char(2));  // RGB
    header.append(3, '\0');  // deflate, adaptive filtering, not interlaced
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += pngChunk("IHDR", header);
    png += pngChunk("IDAT", deflated);
    png += pngChunk("IEND", {});
    return png;
}

}  // namespace pictoreel
