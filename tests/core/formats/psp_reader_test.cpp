// Paint Shop Pro pictures written here in both block layouts (Paint Shop Pro 5 and later), with
// plain, run-length and deflated channels: merged layers, palettes, the composite image, and
// damaged files.
#include "support/results.h"

#include "core/formats/picture_formats.h"
#include "core/formats/psp_reader.h"

#include <gtest/gtest.h>

#include <QRect>

#include <cstring>
#include <vector>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

QByteArray le(std::uint32_t v, int bytes)
{
    QByteArray b;
    for (int i = 0; i < bytes; ++i)
        b += char(v >> (8 * i));
    return b;
}

struct PspWriter {
    bool v5 = false;
    unsigned compression = 0;  // 0 plain, 1 run-length, 2 deflate
    unsigned depth = 24;

    QByteArray block(unsigned id, const QByteArray& body) const  // older headers carry the length twice
    {
        return QByteArray("~BK\0", 4) + le(id, 2) + le(body.size(), 4).repeated(v5 ? 2 : 1) + body;
    }
    QByteArray chunk(const QByteArray& body) const { return v5 ? body : le(body.size() + 4, 4) + body; }
    QByteArray file(int width, int height, const QByteArray& blocks, unsigned fileDepth = 0) const
    {
        const QByteArray attributes = le(width, 4) + le(height, 4) + QByteArray(9, 0) + le(compression, 2) +
                                      le(fileDepth ? fileDepth : depth, 2) + QByteArray(v5 ? 17 : 21, 0);
        return QByteArray("Paint Shop Pro Image File\n\x1A").leftJustified(32, '\0') + le(v5 ? 3 : 6, 4) +
               block(0, chunk(attributes)) + blocks;
    }
    QByteArray palette(const std::vector<std::uint32_t>& colours) const
    {
        QByteArray entries;
        for (std::uint32_t c : colours)
            entries += le(c >> 16, 1) + le(c >> 8, 1) + le(c, 1) + '\0';  // blue, green, red, unused
        return block(2, chunk(le(std::uint32_t(colours.size()), 4)) + entries);
    }
    // `rows` packed, one after the other.
    QByteArray channel(unsigned bitmapType, unsigned channelType, const QByteArray& rows, int rowBytes) const
    {
        QByteArray stored = compression == 2 ? qCompress(rows).mid(4) : QByteArray();
        for (qsizetype i = 0, n = 1; compression == 1 && i < rows.size(); i += n, n = 1) {
            while (i + n < rows.size() && rows[i + n] == rows[i] && n < 127)
                ++n;
            stored += (n > 1 ? char(128 + n) : '\1') + rows.mid(i, 1);
        }
        for (qsizetype at = 0; compression == 0 && at < rows.size(); at += rowBytes)
            stored += rows.mid(at, rowBytes).leftJustified((rowBytes + 3) / 4 * 4, '\0');
        const QByteArray info = le(stored.size(), 4) + le(rows.size(), 4) + le(bitmapType, 2) + le(channelType, 2);
        return block(5, chunk(info) + stored);
    }
    QByteArray layer(QRect r, unsigned opacity, bool visible, const QByteArray& channels) const
    {
        const QByteArray rect = le(r.left(), 4) + le(r.top(), 4) + le(r.right() + 1, 4) + le(r.bottom() + 1, 4);
        const QByteArray fields = char(v5 ? 0 : 1) + rect + rect + char(opacity) + '\0' + char(visible) + QByteArray(79, 0);
        if (v5)  // bitmap and channel counts end its information
            return block(4, QByteArray("bg").leftJustified(256, '\0') + fields + le(1, 2) + le(3, 2) + channels);
        return block(4, chunk(le(2, 2) + "bg" + fields) + chunk(le(1, 2) + le(3, 2)) + channels);
    }
    // Red, green and blue of `colour` (x and y inside the bitmap) and the mask; `bitmap` 8 for a composite.
    QByteArray rgb(QSize size, std::uint32_t (*colour)(int, int), const QByteArray& mask = {}, unsigned bitmap = 0) const
    {
        QByteArray planes[3], channels;
        for (int i = 0; i < size.width() * size.height(); ++i)
            for (int k = 0; k < 3; ++k)
                planes[k] += char(colour(i % size.width(), i / size.width()) >> (8 * k));
        for (unsigned k = 0; k < 3; ++k)
            channels += channel(bitmap, k + 1, planes[k], size.width());
        return mask.isEmpty() ? channels : channels + channel(bitmap + 1, 0, mask, size.width());
    }
    QByteArray rgbLayer(QRect r, unsigned opacity, bool visible, std::uint32_t (*colour)(int, int), const QByteArray& mask = {}) const
    {
        return layer(r, opacity, visible, rgb(r.size(), colour, mask));
    }
};

std::uint32_t background(int x, int y) { return 40u * x | (50u * y) << 8 | 7u << 16; }
std::uint32_t orange(int, int) { return 0x0064C8; }
std::uint32_t white(int, int) { return 0xFFFFFF; }
std::uint32_t grey(int, int) { return 0x090909; }

// Every pixel as 0xAABBGGRR (on little-endian machines), row by row; nothing when the file is refused.
std::vector<std::uint32_t> pixels(const QByteArray& bytes)
{
    const Result<RgbaImage> image = decodePsp(bytes);
    std::vector<std::uint32_t> all(image ? image.value().pixels.size() / 4 : 0);
    if (image)
        std::memcpy(all.data(), image.value().pixels.data(), all.size() * 4);
    return all;
}

// A background, a hidden white layer, a half-opaque white pixel over (0, 0) and an orange layer
// reaching out of the picture whose transparency mask hides its first pixel.
QByteArray layeredPicture(const PspWriter& w)
{
    const QByteArray mask("\0\xff\xff\xff\xff\xff\xff\xff\xff", 9);
    return w.file(6, 5, w.block(3, w.rgbLayer({0, 0, 6, 5}, 255, true, background) + w.rgbLayer({0, 0, 6, 5}, 255, false, white) +
                                       w.rgbLayer({0, 0, 1, 1}, 128, true, white) + w.rgbLayer({4, 3, 3, 3}, 255, true, orange, mask)));
}

TEST(PspReader, MergesVisibleLayersWithMasksAndOpacityInEveryLayoutAndCompression)
{
    std::vector<std::uint32_t> want;
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            want.push_back(((x == 5 && y == 3) || (x >= 4 && y == 4) ? orange(0, 0) : background(x, y)) | 0xFF000000u);
    want[0] = 0xFF838080;  // white at 128/255 over (0, 0, 7)
    for (const bool v5 : {false, true}) {
        for (const unsigned compression : {0u, 1u, 2u}) {
            SCOPED_TRACE(::testing::Message() << "v5 " << v5 << " compression " << compression);
            const QByteArray bytes = layeredPicture(PspWriter{v5, compression});
            // (That the header's size is the picture's, the fuzz corpus replay checks.)
            EXPECT_EQ(sniffPictureFormat(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()), QString()),
                      PictureFormat::Psp);
            EXPECT_EQ(pixels(bytes), want);
        }
    }
}

TEST(PspReader, PalettePicturesOfOneFourAndEightBits)
{
    const std::vector<std::uint32_t> colours = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000};
    for (const unsigned depth : {1u, 4u, 8u}) {
        for (const unsigned compression : {0u, 1u, 2u}) {
            SCOPED_TRACE(::testing::Message() << depth << " bits, compression " << compression);
            const PspWriter w{false, compression, depth};
            const int rowBytes = (11 * int(depth) + 7) / 8, levels = depth == 1 ? 2 : 4;
            QByteArray rows(rowBytes * 2, '\0');
            std::vector<std::uint32_t> want;
            for (int i = 0; i < 22; ++i) {
                const int x = i % 11, y = i / 11;
                rows[y * rowBytes + x * depth / 8] |= char(((x + y) % levels) << (8 - depth - x * depth % 8));
                want.push_back(colours[(x + y) % levels] | 0xFF000000u);
            }
            const QByteArray layer = w.layer({0, 0, 11, 2}, 255, true, w.channel(0, 0, rows, rowBytes));
            EXPECT_EQ(pixels(w.file(11, 2, w.palette(colours) + w.block(3, layer))), want);
        }
    }
}

// The composite image stands for the layers, unless it is a thumbnail or a JPEG.
TEST(PspReader, ReadsTheFullSizeCompositeImageWhenThereIsOne)
{
    const PspWriter w;
    const auto attributes = [&w](unsigned compression, unsigned type) {
        return w.block(17, w.chunk(le(2, 4) + le(2, 4) + le(24, 2) + le(compression, 2) + le(1, 2) + le(0, 4) + le(type, 2)));
    };
    for (const unsigned compression : {0u, 3u}) {
        const QByteArray bank = w.chunk(le(2, 4)) + attributes(3, 1) + attributes(compression, 0) +
                                w.block(18, w.chunk(le(3, 4) + le(3, 4) + le(5, 2)) + "jpg") +
                                w.block(9, w.chunk(le(1, 2) + le(3, 2)) + w.rgb({2, 2}, grey, {}, 8));
        const QByteArray layers = w.block(3, w.rgbLayer({0, 0, 2, 2}, 255, true, orange));
        EXPECT_EQ(pixels(w.file(2, 2, w.block(16, bank) + layers)),
                  std::vector<std::uint32_t>(4, (compression == 0 ? grey(0, 0) : orange(0, 0)) | 0xFF000000u));
    }
}

TEST(PspReader, DamagedAndUnsupportedFilesGiveErrors)
{
    const PspWriter w{false, 2};
    const QByteArray good = layeredPicture(w);
    for (qsizetype cut = 0; cut < good.size(); ++cut)
        EXPECT_EQ(codeOf(decodePsp(good.left(cut))), ErrorCode::CorruptData) << cut;
    QByteArray badChecksum = good;
    badChecksum[badChecksum.size() - 1] = char(badChecksum.back() ^ 0x55);
    const QByteArray layers = w.block(3, w.rgbLayer({0, 0, 2, 2}, 255, true, orange));
    const QByteArray hugeLayer = w.block(3, w.layer({-1, 0, 1 << 30, 2}, 255, true, w.channel(0, 0, "ab", 2)));
    const std::vector<std::pair<QByteArray, ErrorCode>> cases = {
        {badChecksum, ErrorCode::CorruptData},
        {w.file(2, 2, QByteArray()), ErrorCode::CorruptData},                      // no layers
        {w.file(2, 2, layers, 16), ErrorCode::UnsupportedFormat},                 // 16 bits a pixel
        {PspWriter{false, 3}.file(2, 2, layers), ErrorCode::UnsupportedFormat},  // JPEG
        {w.file(20000, 2, layers), ErrorCode::LimitExceeded},
        {w.file(2, 2, hugeLayer), ErrorCode::LimitExceeded},
    };
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(codeOf(decodePsp(cases[i].first)), cases[i].second) << i;
}

}  // namespace
