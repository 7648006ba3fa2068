// Enhanced metafiles: a small one written here (header, a brush and a rectangle, a bitmap) is
// recognised by its content, sized from its header and drawn; broken and huge ones are refused.
#include "support/files.h"
#include "support/results.h"

#include "core/formats/picture_formats.h"
#include "core/media/imaging_component.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <initializer_list>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

// One record: its type, a size word filled in by the writer, and the 32-bit words of its body.
struct Record {
    std::uint32_t type;
    std::vector<std::uint32_t> words;
};

void put(QByteArray& out, std::uint32_t word) { out.append(reinterpret_cast<const char*>(&word), 4); }

// A metafile whose frame is `widthMm` x `heightMm` hundredths of a millimetre on a reference
// device of 4 pixels a millimetre, with the records given and the end-of-file record.
QByteArray metafile(std::uint32_t widthMm, std::uint32_t heightMm, std::vector<Record> records)
{
    records.push_back({14, {0, 16, 20}});  // EMR_EOF
    QByteArray body;
    for (const Record& r : records) {
        put(body, r.type);
        put(body, std::uint32_t(8 + 4 * r.words.size()));
        for (std::uint32_t w : r.words)
            put(body, w);
    }
    QByteArray out;
    for (std::uint32_t w : {1u, 88u, 0u, 0u, widthMm / 25, heightMm / 25, 0u, 0u, widthMm, heightMm, 0x464D4520u, 0x10000u,
                            std::uint32_t(88 + body.size()), std::uint32_t(records.size() + 1), 3u, 0u, 0u, 0u, 1000u, 800u, 250u, 200u})
        put(out, w);
    return out + body;
}

// Red rectangle from (2,2) to (18,14) without outline; a 2 x 2 bitmap stretched to (24,4)-(36,16).
QByteArray drawing()
{
    const std::uint32_t nullPen = 0x80000008, red = 0x0000FF;
    Record bitmap{81, {24, 4, 35, 15, 24, 4, 0, 0, 2, 2, 80, 40, 120, 16, 0, 0xCC0020, 12, 12,
                       40, 2, 2, 0x180001, 0, 16, 0, 0, 0, 0,     // BITMAPINFOHEADER, 24 bits
                       0x000000FF, 0x000000FF, 0x00FFFFFF, 0}};  // bottom-up BGR rows: blue green, white black
    return metafile(1000, 750, {{39, {1, 0, red, 0}}, {37, {1}}, {37, {nullPen}}, {43, {2, 2, 18, 14}}, bitmap});
}

}  // namespace

TEST(Emf, DrawsItsRecordsAtItsOwnSizeOrTheFrameSize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("drawing.bin"));  // found by content
    ASSERT_TRUE(writeFileContents(path, drawing()));
    struct Case {
        QSize hint;
        int scale;
    };
    for (const Case& c : {Case{QSize(), 1}, Case{QSize(120, 90), 3}}) {
        Result<RgbaImage> r = loadPictureFile(path, c.hint);
        ASSERT_TRUE(r.ok()) << r.error().text().toStdString();
        const RgbaImage& image = r.value();
        EXPECT_EQ(std::pair(image.width, image.height), std::pair(40 * c.scale, 30 * c.scale));
        // The bitmap's pixels are smoothed where they meet: near its corners they are close.
        for (const auto& [x, y, rgb] : {std::tuple{10, 8, 0xFF0000}, {3, 3, 0xFF0000}, {20, 8, 0xFFFFFF}, {38, 28, 0xFFFFFF},
                                        {25, 5, 0xFFFFFF}, {34, 5, 0x000000}, {25, 14, 0x0000FF}, {34, 14, 0x00FF00}}) {
            const std::uint8_t* p = image.pixel(x * c.scale, y * c.scale);
            for (int channel = 0; channel < 3; ++channel)
                EXPECT_NEAR(p[channel], (rgb >> (16 - 8 * channel)) & 0xFF, 40) << x << "," << y << " x" << c.scale;
            EXPECT_EQ(p[3], 255);
        }
    }
}

// A drawing larger than a picture may be (a page at a printer's resolution, one of a million
// pixels a side) is drawn at the largest size a picture may have, its shape kept, and its own size
// is told; as a thumbnail it is drawn at the thumbnail's size.
TEST(Emf, AHugeDrawingIsDrawnAtTheLargestSizeAllowed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("page.emf"));
    for (const auto& [widthMm, heightMm] : {std::pair{350'775u, 248'025u}, {2'500'000u, 2'500'000u}}) {
        ASSERT_TRUE(writeFileContents(path, metafile(widthMm, heightMm, {})));
        const PictureSize largest = largestWithinLimits({int(widthMm / 25), int(heightMm / 25)});
        const std::int64_t w = largest.width, h = largest.height;
        EXPECT_TRUE(w <= kLimits.maxSide && w * h <= kLimits.maxPixels && w * h > kLimits.maxPixels * 99 / 100) << w << " x " << h;
        EXPECT_NEAR(double(w) / double(h), double(widthMm) / heightMm, 0.001);
        if (widthMm != heightMm) {  // drawn at that size (once: it takes a while)
            const Result<RgbaImage> drawn = loadPictureFile(path);
            ASSERT_TRUE(drawn.ok()) << drawn.error().text().toStdString();
            EXPECT_EQ(std::pair(drawn.value().width, drawn.value().height), std::pair(largest.width, largest.height));
        }
        const std::optional<PictureSize> own = drawingSizeBeyondLimits(path);
        ASSERT_TRUE(own.has_value());
        EXPECT_EQ(std::pair(own->width, own->height), std::pair(int(widthMm / 25), int(heightMm / 25)));
        const Result<RgbaImage> thumbnail = loadPictureFile(path, QSize(120, 85));
        EXPECT_TRUE(thumbnail && thumbnail.value().width == 120 && thumbnail.value().height == 85);
    }
    ASSERT_TRUE(writeFileContents(path, drawing()));
    EXPECT_FALSE(drawingSizeBeyondLimits(path).has_value());
}

TEST(Emf, BrokenOrHugeMetafilesAreRefused)
{
    const QByteArray good = drawing();
    QByteArray lyingRecord = good;  // the rectangle's record claims more bytes than the file has
    const qsizetype rectangle = lyingRecord.indexOf(QByteArray::fromHex("2b00000018000000"));
    ASSERT_GT(rectangle, 0);
    lyingRecord[rectangle + 5] = char(0x7F);
    QByteArray lyingBitmap = good;  // the bitmap's pixels lie beyond its record
    lyingBitmap[lyingBitmap.indexOf(QByteArray::fromHex("5100000088000000")) + 57] = char(0x70);
    // Text in a font two million pixels high ends the drawing library: the program goes on.
    Record font{82, {2, std::uint32_t(-2097152), 0, 0, 0, 400, 0, 0}};
    font.words.resize(font.words.size() + 16);  // no face name
    const Record text{84, {0, 0, 40, 30, 1, 0x3F800000, 0x3F800000, 4, 20, 2, 76, 0, 0, 0, 40, 30, 80, 0x00690048, 8, 8}};
    const QByteArray hugeText = metafile(1000, 750, {font, {37, {2}}, text});
    QTemporaryDir dir;
    for (const auto& [bytes, expected] :
         {std::pair{good.left(good.size() - 20), ErrorCode::CorruptData}, {good.left(100), ErrorCode::CorruptData},
          {good.left(60), ErrorCode::CorruptData}, {lyingRecord, ErrorCode::CorruptData}, {lyingBitmap, ErrorCode::CorruptData},
          {hugeText, ErrorCode::CorruptData},
          {metafile(1000, 1000, {}), ErrorCode{}}}) {
        const QString path = dir.filePath(QStringLiteral("case.emf"));
        ASSERT_TRUE(writeFileContents(path, bytes));
        EXPECT_EQ(codeOf(loadPictureFile(path)), expected) << bytes.size();
    }
}
