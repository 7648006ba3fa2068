// Paint Shop Pro pictures written here in both block layouts (Paint Shop Pro 5 and later), with
// plain, run-length and deflated channels: merged layers, palettes, the composite image, and
// damaged files.
#include "support/results.h"

#include "core/formats/picture_formats.h"
#include "core/formats/psp_reader.h"

#include <gtest/gtest.h>

#include <QRect>

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

    QByteArray block(unsigned id, const QByteArray& body) const
    {
        return QByteArray("~BK\0", 4) + le(id, 2) + (v5 ? le(body.size(), 4) : QByteArray()) + le(body.size(), 4) + body;
    }
    QByteArray chunk(const QByteArray& body) const { return v5 ? body : le(body.size() + 4, 4) + body; }
    QByteArray file(int width, int height, const QByteArray& blocks, unsigned fileDepth = 0) const
    {
        const QByteArray attributes = le(width, 4) + le(height, 4) + QByteArray(9, 0) + le(compression, 2) +
                                      le(fileDepth ? fileDepth : depth, 2) + le(1, 2) + QByteArray(15, 0) +
                                      (v5 ? QByteArray() : le(0, 4));
        return QByteArray("Paint Shop Pro Image File\n\x1A").leftJustified(32, '\0') + le(v5 ? 3 : 6, 2) + le(0, 2) +
               block(0, chunk(attributes)) + blocks;
    }
    QByteArray palette(const std::vector<std::uint32_t>& rgb) const
    {
        QByteArray entries;
        for (std::uint32_t c : rgb)
            entries += le(c >> 16, 1) + le(c >> 8, 1) + le(c, 1) + '\0';  // blue, green, red, unused
        return block(2, chunk(le(std::uint32_t(rgb.size()), 4)) + entries);
    }
    // `rows` packed, one after the other.
    QByteArray channel(unsigned bitmapType, unsigned channelType, const QByteArray& rows, int rowBytes) const
    {
        QByteArray stored;
        if (compression == 0) {
            for (qsizetype at = 0; at < rows.size(); at += rowBytes)
                stored += rows.mid(at, rowBytes).leftJustified((rowBytes + 3) / 4 * 4, '\0');
        } else if (compression == 1) {
            for (qsizetype i = 0, n = 1; i < rows.size(); i += n, n = 1) {
                while (i + n < rows.size() && rows[i + n] == rows[i] && n < 127)
                    ++n;
                stored += (n > 1 ? char(128 + n) : '\1') + rows.mid(i, 1);
            }
        } else {
            stored = qCompress(rows).mid(4);
        }
        const QByteArray info = le(stored.size(), 4) + le(rows.size(), 4) + le(bitmapType, 2) + le(channelType, 2);
        return block(5, chunk(info) + stored);
    }
    QByteArray layer(QRect r, unsigned opacity, bool visible, const QByteArray& channels, int count) const
    {
        const QByteArray rect = le(r.left(), 4) + le(r.top(), 4) + le(r.right() + 1, 4) + le(r.bottom() + 1, 4);
        const QByteArray fields = char(v5 ? 0 : 1) + rect + rect + char(opacity) + '\0' + char(visible) +
                                  QByteArray(37, 0) + QByteArray(42, 0);
        const QByteArray counts = le(1, 2) + le(count, 2);
        if (v5)
            return block(4, QByteArray("bg").leftJustified(256, '\0') + fields + counts + channels);
        return block(4, chunk(le(2, 2) + "bg" + fields) + chunk(counts) + channels);
    }
    QByteArray rgbLayer(QRect r, unsigned opacity, bool visible, std::uint32_t (*colour)(int, int), QByteArray mask = {}) const
    {
        QByteArray planes[3];
        for (int y = 0; y < r.height(); ++y)
            for (int x = 0; x < r.width(); ++x)
                for (int k = 0; k < 3; ++k)
                    planes[k] += char(colour(x, y) >> (8 * k));
        QByteArray channels = channel(0, 1, planes[0], r.width()) + channel(0, 2, planes[1], r.width()) +
                              channel(0, 3, planes[2], r.width());
        if (!mask.isEmpty())
            channels += channel(1, 0, mask, r.width());
        return layer(r, opacity, visible, channels, mask.isEmpty() ? 3 : 4);
    }
};

std::uint32_t background(int x, int y) { return 40u * x | (50u * y) << 8 | 7u << 16; }
std::uint32_t orange(int, int) { return 0x0064C8; }
std::uint32_t white(int, int) { return 0xFFFFFF; }

RgbaImage decoded(const QByteArray& bytes)
{
    Result<RgbaImage> image = decodePsp(bytes);
    EXPECT_TRUE(image.ok()) << (image ? std::string() : image.error().text().toStdString());
    return image ? std::move(image).value() : RgbaImage(1, 1);
}

std::uint32_t pixelAt(const RgbaImage& image, int x, int y)
{
    const std::uint8_t* p = image.pixel(x, y);
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}

// A background, a hidden white layer, a half-opaque white pixel over (0, 0) and an orange layer
// reaching out of the picture whose transparency mask hides its first pixel.
QByteArray layeredPicture(const PspWriter& w)
{
    const QByteArray mask("\0\xff\xff\xff\xff\xff\xff\xff\xff", 9);
    const QByteArray layers = w.rgbLayer({0, 0, 6, 5}, 255, true, background) + w.rgbLayer({0, 0, 6, 5}, 255, false, white) +
                              w.rgbLayer({0, 0, 1, 1}, 128, true, white) + w.rgbLayer({4, 3, 3, 3}, 255, true, orange, mask);
    return w.file(6, 5, w.block(3, layers));
}

TEST(PspReader, MergesVisibleLayersWithMasksAndOpacityInEveryLayoutAndCompression)
{
    for (const bool v5 : {false, true}) {
        for (const unsigned compression : {0u, 1u, 2u}) {
            SCOPED_TRACE(::testing::Message() << "v5 " << v5 << " compression " << compression);
            const QByteArray bytes = layeredPicture(PspWriter{v5, compression});
            const HeaderBytes header{reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
            EXPECT_EQ(sniffPictureFormat(header.data, header.size, QString()), PictureFormat::Psp);
            ASSERT_TRUE(pspSize(header).has_value());
            EXPECT_EQ(std::pair(pspSize(header)->width, pspSize(header)->height), std::pair(6, 5));
            const RgbaImage image = decoded(bytes);
            ASSERT_EQ(std::pair(image.width, image.height), std::pair(6, 5));
            for (int y = 0; y < 5; ++y) {
                for (int x = y ? 0 : 1; x < 6; ++x) {
                    const bool covered = (x == 5 && y == 3) || (x >= 4 && y == 4);
                    EXPECT_EQ(pixelAt(image, x, y), (covered ? orange(0, 0) : background(x, y)) | 0xFF000000u) << x << "," << y;
                }
            }
            const std::uint8_t* corner = image.pixel(0, 0);  // white at 128/255 over (0, 0, 7)
            EXPECT_EQ(std::vector<int>(corner, corner + 4), std::vector<int>({128, 128, 131, 255}));
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
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 11; ++x)
                    rows[y * rowBytes + x * depth / 8] |= char(((x + y) % levels) << (8 - depth - x * depth % 8));
            const QByteArray bytes =
                w.file(11, 2, w.palette(colours) + w.block(3, w.layer({0, 0, 11, 2}, 255, true, w.channel(0, 0, rows, rowBytes), 1)));
            const RgbaImage image = decoded(bytes);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 11; ++x)
                    EXPECT_EQ(pixelAt(image, x, y), colours[(x + y) % levels] | 0xFF000000u) << x << "," << y;
        }
    }
}

// The composite image stands for the layers, unless it is a thumbnail or a JPEG.
TEST(PspReader, ReadsTheFullSizeCompositeImageWhenThereIsOne)
{
    const PspWriter w;
    for (const unsigned compression : {0u, 3u}) {
        const auto attributes = [&](int side, unsigned comp, unsigned type) {
            return w.block(17, w.chunk(le(side, 4) + le(side, 4) + le(24, 2) + le(comp, 2) + le(1, 2) + le(0, 4) + le(type, 2)));
        };
        const QByteArray grey(4, '\x09');
        const QByteArray bank = w.chunk(le(2, 4)) + attributes(2, 3, 1) + attributes(2, compression, 0) +
                                w.block(18, w.chunk(le(3, 4) + le(3, 4) + le(5, 2)) + "jpg") +
                                w.block(9, w.chunk(le(1, 2) + le(3, 2)) + w.channel(8, 1, grey, 2) + w.channel(8, 2, grey, 2) +
                                               w.channel(8, 3, grey, 2));
        const QByteArray bytes = w.file(2, 2, w.block(16, bank) + w.block(3, w.rgbLayer({0, 0, 2, 2}, 255, true, orange)));
        EXPECT_EQ(pixelAt(decoded(bytes), 1, 1), (compression == 0 ? 0x090909u : orange(0, 0)) | 0xFF000000u);
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
    const QByteArray hugeLayer = w.block(3, w.layer({-1, 0, 1 << 30, 2}, 255, true, w.channel(0, 0, "ab", 2), 1));
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
