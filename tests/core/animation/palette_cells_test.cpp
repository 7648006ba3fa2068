// Frames whose colours were reduced one at a time: a background that did not change stays as the
// screen shows it when the frame's own palette would store it as the same colour, so only what
// changed is stored; frames that show something else are stored as before.
#include "core/animation/animation_assembler.h"
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

using namespace pictoreel;

namespace {

constexpr int kWidth = 64, kHeight = 32;
constexpr Rgb kRed{220, 20, 30};

// Grey bands with a red square at `squareX`, `level(x, y)` giving the grey.
// Stored with `palette` (grey levels, then red): each grey goes to its nearest level, as a
// reduction of that frame alone would store it.
IndexedImage frame(const std::vector<int>& levels, int squareX, int (*level)(int x, int y))
{
    IndexedImage image{kWidth, kHeight, {}, {}, -1};
    for (int l : levels)
        image.palette.push_back(Rgb{std::uint8_t(l), std::uint8_t(l), std::uint8_t(l)});
    image.palette.push_back(kRed);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (x >= squareX && x < squareX + 6 && y >= 10 && y < 16) {
                image.indices.push_back(std::uint8_t(levels.size()));
                continue;
            }
            const int grey = level(x, y);
            std::size_t best = 0;
            for (std::size_t e = 1; e < levels.size(); ++e)
                if (std::abs(levels[e] - grey) < std::abs(levels[best] - grey))
                    best = e;
            image.indices.push_back(std::uint8_t(best));
        }
    }
    return image;
}

// Flat bands of greys across the picture, as a drawing has them.
int bands(int x, int) { return 10 + 34 * (x / 8); }
// Other bands, down the picture.
int otherBands(int, int y) { return 250 - 34 * (y / 5); }

struct Made {
    qint64 bytes = 0;
    DecodedGif gif;
};

Made assemble(const std::vector<IndexedImage>& images, bool keepWithinCells)
{
    QTemporaryDir dir;
    std::vector<AnimationFrameSource> frames;
    for (const IndexedImage& image : images) {
        frames.push_back({dir.filePath(QString::number(frames.size()) + QStringLiteral(".gif")), 10});
        EXPECT_TRUE(writeSingleImageGif(frames.back().fileName, image));
    }
    AnimationSettings settings;
    settings.keepWithinPaletteCells = keepWithinCells;
    const QString out = dir.filePath(QStringLiteral("out.gif"));
    EXPECT_TRUE(AnimationAssembler(frames, settings).save(out));
    return {QFileInfo(out).size(), decodeGifFile(out).value()};
}

Rgb shownAt(const DecodedGif& gif, std::size_t k, int x, int y)
{
    const std::uint8_t* p = &gif.frames[k].image.pixels[(std::size_t(y) * kWidth + x) * 4];
    return Rgb{p[0], p[1], p[2]};
}

}  // namespace

TEST(PaletteCells, AStillBackgroundReducedWithAnotherPaletteIsNotStoredAgain)
{
    // The same bands reduced to eight greys chosen a little differently in each frame.
    const std::vector<int> first{0, 36, 72, 108, 144, 180, 216, 252}, second{4, 40, 76, 112, 148, 184, 220, 255};
    const std::vector<IndexedImage> images{frame(first, 8, bands), frame(second, 40, bands)};
    const Made plain = assemble(images, false);
    const Made kept = assemble(images, true);
    ASSERT_EQ(kept.gif.frames.size(), 2u);
    // Without: every band drawn again. With: the rows of the square, from its old place to its
    // new one.
    EXPECT_EQ(plain.gif.frames[1].height, kHeight);
    EXPECT_EQ(kept.gif.frames[1].top, 10);
    EXPECT_EQ(kept.gif.frames[1].height, 6);
    EXPECT_EQ(kept.gif.frames[1].left, 8);
    EXPECT_EQ(kept.gif.frames[1].width, 38);
    EXPECT_LT(kept.bytes, plain.bytes);

    // Every pixel shows the second frame's colour, or one that its palette stores as that colour:
    // the red square moved, and the bands kept the first frame's greys.
    const IndexedImage& truth = images[1];
    int keptGreys = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Rgb want = truth.palette[truth.indices[std::size_t(y) * kWidth + x]];
            const Rgb shown = shownAt(kept.gif, 1, x, y);
            if (shown == want)
                continue;
            ++keptGreys;
            ASSERT_EQ(shown.r, shown.g) << x << "," << y;
            int nearest = second[0];
            for (int l : second)
                if (std::abs(l - shown.r) < std::abs(nearest - shown.r))
                    nearest = l;
            EXPECT_EQ(nearest, want.r) << x << "," << y;
        }
    }
    EXPECT_GT(keptGreys, kWidth * kHeight / 2);
    for (int x = 8; x < 14; ++x)  // the square's old place shows the bands again
        EXPECT_NE(shownAt(kept.gif, 1, x, 12), kRed);
    EXPECT_EQ(shownAt(kept.gif, 1, 42, 12), kRed);
}

TEST(PaletteCells, AFrameShowingSomethingElseIsStoredAsItIs)
{
    const std::vector<int> first{0, 36, 72, 108, 144, 180, 216, 252}, second{4, 40, 76, 112, 148, 184, 220, 255};
    // The second frame's bands run the other way: few of its pixels fall in the first's cells by
    // chance, and none of them is kept.
    const std::vector<IndexedImage> images{frame(first, 8, bands), frame(second, 40, otherBands)};
    const Made plain = assemble(images, false);
    const Made kept = assemble(images, true);
    EXPECT_EQ(kept.bytes, plain.bytes);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(shownAt(kept.gif, 1, x, y), images[1].palette[images[1].indices[std::size_t(y) * kWidth + x]]);
}
