// The crop and the turn of a make's pictures: their texts, the pixels a crop keeps, the eight
// orientations as turns and flips of what is shown, and a crop drawn on the frame they make.
#include "core/imaging/reorienting.h"
#include "core/project/crop_region.h"
#include "core/project/orientation.h"
#include "core/project/picture_placement.h"

#include "support/files.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <array>

namespace pictoreel {
namespace {

// The cases of tests/data/shape/crops.txt.
TEST(CropRegion, TextsAndPixels)
{
    int cases = 0;
    for (const QString& line : testing::tableLines(PICTOREEL_TEST_DATA "/shape/crops.txt")) {
        SCOPED_TRACE(line.toStdString());
        const QStringList words = QProcess::splitCommand(line);
        ++cases;
        const std::optional<CropRegion> region = cropRegionFromText(words.at(0));
        ASSERT_EQ(region.has_value(), words.at(1) != u"refused");
        if (!region)
            continue;
        EXPECT_EQ(cropRegionText(*region), words.at(0));
        const QStringList size = words.at(1).split(u'x'), kept = words.at(2).split(u',');
        const PixelRect rect = cropRectIn(*region, size.at(0).toInt(), size.at(1).toInt());
        EXPECT_EQ(QStringList({QString::number(rect.x), QString::number(rect.y), QString::number(rect.width),
                               QString::number(rect.height)}), kept);
    }
    EXPECT_EQ(cases, 20);
    EXPECT_FALSE(cropRegionFromText(""));
}

// Each orientation as the matrix taking a point of the picture (y downwards) to where it is shown.
using Matrix = std::array<int, 4>;  // a b / c d
Matrix times(const Matrix& l, const Matrix& r)
{
    return {l[0] * r[0] + l[1] * r[2], l[0] * r[1] + l[1] * r[3], l[2] * r[0] + l[3] * r[2], l[2] * r[1] + l[3] * r[3]};
}
constexpr Matrix kQuarterTurn{0, -1, 1, 0}, kLeftRight{-1, 0, 0, 1}, kTopBottom{1, 0, 0, -1};
Matrix matrixOf(Orientation o)
{
    Matrix m = o.mirrored ? kLeftRight : Matrix{1, 0, 0, 1};
    for (int i = 0; i < o.quarterTurns; ++i)
        m = times(kQuarterTurn, m);
    return m;
}

TEST(Orientation, TurnsAndFlipsOfWhatIsShown)
{
    for (int turns = 0; turns < 4; ++turns)
        for (bool mirrored : {false, true}) {
            const Orientation o{turns, mirrored};
            EXPECT_EQ(matrixOf(turned(o, 1)), times(kQuarterTurn, matrixOf(o)));
            EXPECT_EQ(turned(turned(o, -1), 5), o);
            EXPECT_EQ(matrixOf(flipped(o, FlipAxis::Horizontal)), times(kLeftRight, matrixOf(o)));
            EXPECT_EQ(matrixOf(flipped(o, FlipAxis::Vertical)), times(kTopBottom, matrixOf(o)));
            EXPECT_EQ(swapsSides(o), turns % 2 == 1);
            EXPECT_EQ(orientationFromTexts(rotateText(o), mirrorText(o)), o);
            EXPECT_EQ(o.isIdentity(), rotateText(o).isEmpty() && mirrorText(o).isEmpty());
        }
    EXPECT_EQ(orientationFromTexts("45", "yes"), Orientation{});
    EXPECT_EQ(quarterTurnsFromText(" 180 "), 2);
}

// The rectangle of pixels of `image` whose red is 255.
PixelRect markedPixels(const RgbaImage& image)
{
    int x0 = image.width, y0 = image.height, x1 = 0, y1 = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.pixel(x, y)[0] == 255)
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x + 1), y1 = std::max(y1, y + 1);
    return {x0, y0, x1 - x0, y1 - y0};
}

TEST(PicturePlacement, CropsDrawnOnTheTurnedFrameAreThePixelsOfThePictureTheyShow)
{
    // Unscaled: a marked rectangle of the picture lands where the turned picture has it.
    RgbaImage picture(7, 4);
    const PixelRect marked{1, 2, 3, 1};
    for (int y = marked.y; y < marked.y + marked.height; ++y)
        for (int x = marked.x; x < marked.x + marked.width; ++x)
            picture.pixel(x, y)[0] = 255;
    for (int turns = 0; turns < 4; ++turns)
        for (bool mirrored : {false, true}) {
            SCOPED_TRACE(turns * 10 + mirrored);
            const RgbaImage shown = reorientedImage(picture, turns, mirrored);
            const PicturePlacement placement(7, 4, {turns, mirrored}, shown.width, shown.height, FitMode::Stretch);
            EXPECT_EQ(placement.onFrame(marked), markedPixels(shown));
            EXPECT_EQ(placement.inPicture(markedPixels(shown)), marked);
        }

    // Scaled by the fit: a 40 x 20 picture and its rectangle 8 x 6 at 4,2.
    struct Case {
        const char* name;
        Orientation orientation;
        int frameWidth, frameHeight;
        FitMode fit;
        PixelRect shown, onFrame, whole;  // the shown area, the rectangle on it, the frame back in the picture
    };
    const Case cases[] = {
        {"turned right, halved", {1, false}, 10, 20, FitMode::Stretch, {0, 0, 10, 20}, {6, 2, 3, 4}, {0, 0, 40, 20}},
        {"inside, with bars above and below", {}, 20, 20, FitMode::Contain, {0, 5, 20, 10}, {2, 6, 4, 3}, {0, 0, 40, 20}},
        {"filling, the sides cut off", {}, 20, 20, FitMode::Cover, {0, 0, 20, 20}, {0, 2, 2, 6}, {10, 0, 20, 20}},
        {"mirrored, doubled", {0, true}, 80, 40, FitMode::Stretch, {0, 0, 80, 40}, {56, 4, 16, 12}, {0, 0, 40, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PicturePlacement placement(40, 20, c.orientation, c.frameWidth, c.frameHeight, c.fit);
        EXPECT_EQ(placement.shownArea(), c.shown);
        EXPECT_EQ(placement.onFrame({4, 2, 8, 6}), c.onFrame);
        EXPECT_EQ(placement.inPicture({0, 0, c.frameWidth, c.frameHeight}), c.whole);
        if (c.fit != FitMode::Cover)  // Cover's frame does not show the left of the rectangle
            EXPECT_EQ(placement.inPicture(c.onFrame), (PixelRect{4, 2, 8, 6}));
    }
    // A rectangle drawn on Contain's bars alone still keeps a pixel of the picture.
    EXPECT_EQ(PicturePlacement(40, 20, {}, 20, 20, FitMode::Contain).inPicture({0, 0, 20, 3}), (PixelRect{0, 0, 40, 1}));
}

}  // namespace
}  // namespace pictoreel
