#include "core/formats/png_writer.h"

#include "core/formats/apng_writer.h"

#include <libdeflate.h>

#include <QtEndian>

#include <memory>
#include <vector>

namespace pictoreel {

namespace {

// Several times as fast as libpng's default level, and on screen content within a few per cent
// of its size.
constexpr int kDeflateLevel = 1;
constexpr qsizetype kLargestChunk = qsizetype(1) << 30;

QByteArray bigEndian32(std::uint32_t value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

bool opaque(const RgbaImage& image)
{
    for (std::size_t i = 3; i < image.pixels.size(); i += 4)
        if (image.pixels[i] != 255)
            return false;
    return true;
}

// The rows as PNG's filtered data: a filter byte (1, "sub") and each byte less the one of the
// pixel to its left, with `channels` 3 (alpha dropped) or 4.
std::vector<std::uint8_t> subFilteredRows(const RgbaImage& image, int channels)
{
    const std::size_t rowBytes = std::size_t(image.width) * std::size_t(channels) + 1;
    std::vector<std::uint8_t> raw(rowBytes * std::size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* out = raw.data() + std::size_t(y) * rowBytes;
        const std::uint8_t* in = image.pixel(0, y);
        *out++ = 1;
        for (int c = 0; c < channels; ++c)
            out[c] = in[c];
        for (std::size_t x = 1; x < std::size_t(image.width); ++x)
            for (int c = 0; c < channels; ++c)
                out[x * std::size_t(channels) + std::size_t(c)] = std::uint8_t(in[4 * x + std::size_t(c)] - in[4 * x - 4 + std::size_t(c)]);
    }
    return raw;
}

}  // namespace

Result<QByteArray> encodeFastPng(const RgbaImage& image)
{
    if (image.empty())
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("An empty picture cannot be written as PNG"));
    const bool rgb = opaque(image);
    const std::vector<std::uint8_t> raw = subFilteredRows(image, rgb ? 3 : 4);
    // One compressor a thread, made once: making one costs more than deflating a small frame.
    thread_local const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(kDeflateLevel), &libdeflate_free_compressor);
    if (!compressor)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("Out of memory while writing a PNG"));
    QByteArray deflated(qsizetype(libdeflate_zlib_compress_bound(compressor.get(), raw.size())), Qt::Uninitialized);
    const std::size_t size = libdeflate_zlib_compress(compressor.get(), raw.data(), raw.size(), deflated.data(), std::size_t(deflated.size()));
    if (size == 0)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("The picture could not be compressed"));
    deflated.truncate(qsizetype(size));

    QByteArray header = bigEndian32(std::uint32_t(image.width)) + bigEndian32(std::uint32_t(image.height));
    header.append(char(8));              // bits a channel
    header.append(char(rgb ? 2 : 6));   // RGB or RGBA
    header.append(3, '\0');              // deflate, adaptive filtering, not interlaced
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += pngChunk("IHDR", header);
    // A chunk holds less than 2^31 bytes: a very large picture takes several.
    for (qsizetype at = 0; at < deflated.size(); at += kLargestChunk)
        png += pngChunk("IDAT", deflated.mid(at, kLargestChunk));
    png += pngChunk("IEND", {});
    return png;
}

}  // namespace pictoreel
