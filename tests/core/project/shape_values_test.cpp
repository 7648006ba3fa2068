// The crop and the turn of a make's pictures: their texts, the pixels a crop keeps, and the
// eight orientations as turns and flips of what is shown.
#include "core/project/crop_region.h"
#include "core/project/orientation.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

namespace pictoreel {
namespace {

TEST(CropRegion, TextsAndPixels)
{
    using Unit = CropRegion::Unit;
    const CropRegion pixels{Unit::Pixels, 100, 50, 600, 400};
    EXPECT_EQ(cropRegionFromText(" 600x400+100+50 "), pixels);
    EXPECT_EQ(cropRegionFromText("50%x25%+12.5%+0%"), (CropRegion{Unit::Fraction, 0.125, 0, 0.5, 0.25}));
    for (const char* text : {"600x400+100+50", "50%x25%+12.5%+0%", "1x1+0+0", "100%x100%+0%+0%"})
        EXPECT_EQ(cropRegionText(*cropRegionFromText(text)), text);
    for (const char* text : {"", "600x400", "600x400+1", "0x400+0+0", "600x0+0+0", "-5x4+0+0", "600x400-1+0",
                             "50%x400+0+0", "50%x50%+0+0", "1.5x4+0+0", "101%x50%+0%+0%", "axb+c+d", "600 x 400+0+0"})
        EXPECT_FALSE(cropRegionFromText(text)) << text;

    // Clamped to the picture, at least a pixel, the whole picture when wholly outside it.
    const struct {
        const char* crop;
        int width, height;
        PixelRect expected;
    } cases[] = {
        {"600x400+100+50", 1920, 1080, {100, 50, 600, 400}},
        {"600x400+1800+1000", 1920, 1080, {1800, 1000, 120, 80}},
        {"600x400+1920+0", 1920, 1080, {0, 0, 1920, 1080}},
        {"50%x50%+25%+50%", 200, 101, {50, 51, 100, 50}},
        {"0.1%x0.1%+0%+0%", 10, 10, {0, 0, 1, 1}},
        {"100%x100%+0%+0%", 7, 3, {0, 0, 7, 3}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cropRectIn(*cropRegionFromText(c.crop), c.width, c.height), c.expected) << c.crop;
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
    std::set<Matrix> seen;
    for (int turns = 0; turns < 4; ++turns)
        for (bool mirrored : {false, true}) {
            const Orientation o{turns, mirrored};
            seen.insert(matrixOf(o));
            EXPECT_EQ(matrixOf(turned(o, 1)), times(kQuarterTurn, matrixOf(o)));
            EXPECT_EQ(turned(turned(o, -1), 5), o);
            EXPECT_EQ(matrixOf(flipped(o, FlipAxis::Horizontal)), times(kLeftRight, matrixOf(o)));
            EXPECT_EQ(matrixOf(flipped(o, FlipAxis::Vertical)), times(kTopBottom, matrixOf(o)));
            EXPECT_EQ(swapsSides(o), turns % 2 == 1);
            EXPECT_EQ(orientationFromTexts(rotateText(o), mirrorText(o)), o);
            EXPECT_EQ(o.isIdentity(), rotateText(o).isEmpty() && mirrorText(o).isEmpty());
        }
    EXPECT_EQ(seen.size(), 8u);
    EXPECT_EQ(orientationFromTexts("45", "yes"), Orientation{});
    EXPECT_EQ(quarterTurnsFromText("45"), std::nullopt);
    EXPECT_EQ(quarterTurnsFromText(" 180 "), 2);
}

}  // namespace
}  // namespace pictoreel
