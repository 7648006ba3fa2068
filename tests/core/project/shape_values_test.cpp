// The crop and the turn of a make's pictures: their texts, the pixels a crop keeps, and the
// eight orientations as turns and flips of what is shown.
#include "core/project/crop_region.h"
#include "core/project/orientation.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <array>

namespace pictoreel {
namespace {

// The cases of tests/data/shape/crops.txt.
TEST(CropRegion, TextsAndPixels)
{
    QFile list(QStringLiteral(PICTOREEL_TEST_DATA "/shape/crops.txt"));
    ASSERT_TRUE(list.open(QIODevice::ReadOnly));
    int cases = 0;
    for (const QString& line : QString::fromUtf8(list.readAll()).split(u'\n')) {
        const QStringList words = QProcess::splitCommand(line);
        if (words.isEmpty() || line.startsWith(u'#'))
            continue;
        SCOPED_TRACE(line.toStdString());
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

}  // namespace
}  // namespace pictoreel
