#include "core/formats/utah_rle.h"

#include "core/media/imaging_component.h"
#include "support/files.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

const QString kFolder = QStringLiteral(PICTOREEL_SHARED_TESTDATA "/synthetic/utah-rle/");

// The reference pictures were written by another RLE reader; colours must match exactly.
void expectSameColours(const RgbaImage& ours, const RgbaImage& reference)
{
    ASSERT_EQ(ours.width, reference.width);
    ASSERT_EQ(ours.height, reference.height);
    for (int y = 0; y < ours.height; ++y)
        for (int x = 0; x < ours.width; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(ours.pixel(x, y)[c], reference.pixel(x, y)[c]) << x << "," << y << " channel " << c;
}

TEST(UtahRle, GreyRgbAndAlphaPicturesMatchTheirReferences)
{
    for (const char* name : {"pattern63x47_gray", "pattern64x48_rgb", "pattern64x48_rgba_blackistransparent"}) {
        SCOPED_TRACE(name);
        const auto ours = decodeUtahRle(testing::fileContents(kFolder + name + ".rle"));
        ASSERT_TRUE(ours.ok()) << ours.error().message.toStdString();
        const auto reference = loadPictureFile(kFolder + name + ".rletopnm.png");
        ASSERT_TRUE(reference.ok());
        expectSameColours(ours.value(), reference.value());
    }
    const auto withAlpha = decodeUtahRle(testing::fileContents(kFolder + "pattern64x48_rgba_blackistransparent.rle"));
    const auto alphaReference = loadPictureFile(kFolder + "pattern64x48_rgba_blackistransparent.rletopnm-alpha.png");
    ASSERT_TRUE(alphaReference.ok());
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(withAlpha.value().pixel(x, y)[3], alphaReference.value().pixel(x, y)[0]) << x << "," << y;
}

TEST(UtahRle, DamagedFilesFailCleanly)
{
    const QByteArray good = testing::fileContents(kFolder + "pattern64x48_rgb.rle");
    ASSERT_FALSE(good.isEmpty());
    for (qsizetype cut = 0; cut < good.size(); cut += 7)
        (void)decodeUtahRle(good.left(cut));  // never crashes; a header cut short is an error
    EXPECT_FALSE(decodeUtahRle(good.left(10)).ok());
    QByteArray huge = good;
    huge[6] = char(0xFF), huge[7] = char(0xFF), huge[8] = char(0xFF), huge[9] = char(0xFF);
    EXPECT_EQ(decodeUtahRle(huge).error().code, ErrorCode::LimitExceeded);
    QByteArray badOp = good;
    badOp[badOp.size() - 2] = char(0x3F);
    (void)decodeUtahRle(badOp);
    EXPECT_FALSE(decodeUtahRle("not an rle").ok());
}

}  // namespace
}  // namespace pictoreel
