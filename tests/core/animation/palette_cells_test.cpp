// Frames whose colours were reduced one at a time: a background that did not change stays as the
// screen shows it when the frame's own colours would store it as the same colour, so only what
// changed is stored; frames that show something else (other bands, a flat frame, a square gone)
// are shown as they are.
#include "core/animation/animation_assembler.h"
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <optional>

using namespace pictoreel;

namespace {

constexpr int kWidth = 64, kHeight = 32;
constexpr Rgb kRed{220, 20, 30};
const std::vector<int> kFirstGreys{0, 36, 72, 108, 144, 180, 216, 252};
// The same greys as a reduction of another frame might choose them: a few steps off.
const std::vector<int> kSecondGreys{4, 40, 76, 112, 148, 184, 220, 255};

// Flat bands of grey across the picture, as a drawing has them.
int bands(int x, int) { return 10 + 34 * (x / 8); }
// Other bands, down the picture.
int otherBands(int, int y) { return 250 - 34 * (y / 5); }
int black(int, int) { return 0; }

// The picture `level` gives, with a red square at `squareX` when there is one, stored with
// `greys` and red: each grey goes to its nearest level, as a reduction of that frame alone would.
IndexedImage frame(const std::vector<int>& greys, std::optional<int> squareX, int (*level)(int x, int y))
{
    IndexedImage image{kWidth, kHeight, {}, {}, -1};
    for (int l : greys)
        image.palette.push_back(Rgb{std::uint8_t(l), std::uint8_t(l), std::uint8_t(l)});
    image.palette.push_back(kRed);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (squareX && x >= *squareX && x < *squareX + 6 && y >= 10 && y < 16) {
                image.indices.push_back(std::uint8_t(greys.size()));
                continue;
            }
            std::size_t best = 0;
            for (std::size_t e = 1; e < greys.size(); ++e)
                if (std::abs(greys[e] - level(x, y)) < std::abs(greys[best] - level(x, y)))
                    best = e;
            image.indices.push_back(std::uint8_t(best));
        }
    }
    return image;
}

struct Made {
    qint64 bytes = 0;
    DecodedGif gif;
};

Made assemble(const std::vector<IndexedImage>& images, bool keepWithinCells, int lossy = 0)
{
    QTemporaryDir dir;
    std::vector<AnimationFrameSource> frames;
    for (const IndexedImage& image : images) {
        frames.push_back({dir.filePath(QString::number(frames.size()) + QStringLiteral(".gif")), 10});
        EXPECT_TRUE(writeSingleImageGif(frames.back().fileName, image));
    }
    AnimationSettings settings;
    settings.keepWithinPaletteCells = keepWithinCells;
    settings.lossy = lossy;
    const QString out = dir.filePath(QStringLiteral("out.gif"));
    EXPECT_TRUE(AnimationAssembler(frames, settings).save(out));
    return {QFileInfo(out).size(), decodeGifFile(out).value()};
}

// How many pixels `shown` shows in another colour than `frame` has; fails at one more than 16
// steps (in RGB) from it.
int pixelsOff(const RgbaImage& shown, const IndexedImage& frame)
{
    int off = 0;
    for (std::size_t i = 0; i < frame.indices.size(); ++i) {
        const Rgb want = frame.palette[frame.indices[i]];
        const std::uint8_t* p = &shown.pixels[i * 4];
        const int dr = p[0] - want.r, dg = p[1] - want.g, db = p[2] - want.b;
        if (dr * dr + dg * dg + db * db > 16 * 16) {
            ADD_FAILURE() << "pixel " << i << " is far from its frame's colour";
            return off;
        }
        off += dr != 0 || dg != 0 || db != 0;
    }
    return off;
}

}  // namespace

TEST(PaletteCells, OnlyWhatChangedIsStoredAndEveryPixelShowsItsFrame)
{
    struct Case {
        const char* what;
        IndexedImage second;
        // The stored rows of the second frame when only they change; nullopt: stored as without
        // the rule, to the byte.
        std::optional<std::pair<int, int>> rows;
    };
    const Case cases[] = {
        {"the square moves over still bands", frame(kSecondGreys, 40, bands), std::pair(10, 16)},
        {"other bands", frame(kSecondGreys, 40, otherBands), std::nullopt},
        {"a flat black frame", frame({0}, std::nullopt, black), std::nullopt},
        {"the square is gone", frame(kSecondGreys, std::nullopt, bands), std::pair(10, 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<IndexedImage> images{frame(kFirstGreys, 8, bands), c.second};
        const Made plain = assemble(images, false);
        const Made kept = assemble(images, true);
        ASSERT_EQ(kept.gif.frames.size(), 2u);
        if (c.rows) {
            EXPECT_EQ(kept.gif.frames[1].top, c.rows->first);
            EXPECT_EQ(kept.gif.frames[1].top + kept.gif.frames[1].height, c.rows->second);
            EXPECT_LT(kept.bytes, plain.bytes);
        } else {
            EXPECT_EQ(kept.bytes, plain.bytes);
        }
        // What a viewer sees is the second frame's colour, or one a few steps from it: never the
        // first frame's square, never a band where the frame is black.
        EXPECT_EQ(pixelsOff(kept.gif.frames[1].image, c.second) > 0, c.rows.has_value());
        // Lossiness allows more, never less: what stays is still kept, and the file is no larger.
        for (const int lossy : {1, 50, 100}) {
            const Made lossier = assemble(images, true, lossy);
            EXPECT_LE(lossier.bytes, kept.bytes) << lossy;
            if (c.rows) {
                EXPECT_GE(lossier.gif.frames[1].top, c.rows->first) << lossy;
            }
        }
    }
}

// A screen that keeps colours of many frames' palettes shows thousands of colours; each frame
// still looks at every one it meets, and the animation shows each frame within a few steps.
TEST(PaletteCells, AScreenOfThousandsOfColours)
{
    constexpr int kRegions = 26, kSide = 16, kNew = 200;
    const auto centre = [](int j) {
        return Rgb{std::uint8_t(20 + 8 * j), std::uint8_t(j % 2 ? 188 : 68), std::uint8_t(250 - 8 * j)};
    };
    std::vector<IndexedImage> images;
    for (int k = 0; k < kRegions; ++k) {
        // Every region in its centre colour but region k, in 200 colours a few steps around it.
        IndexedImage image{kRegions * kSide, kSide, {}, {}, -1};
        for (int j = 0; j < kRegions; ++j)
            image.palette.push_back(centre(j));
        for (int n = 0; n < kNew; ++n) {
            const Rgb c = centre(k);
            image.palette.push_back(Rgb{std::uint8_t(c.r + n % 7 - 3), std::uint8_t(c.g + n / 7 % 7 - 3),
                                        std::uint8_t(c.b + n / 49 - 3)});
        }
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kRegions * kSide; ++x)
                image.indices.push_back(std::uint8_t(x / kSide == k ? kRegions + (y * kSide + x % kSide) % kNew : x / kSide));
        images.push_back(std::move(image));
    }
    const Made made = assemble(images, true);
    ASSERT_EQ(made.gif.frames.size(), images.size());
    pixelsOff(made.gif.frames.back().image, images.back());
}

// A frame of a full table of colours, half of them a few steps from the ones the screen shows,
// where every fourth pixel changed: the screen's colours kept in their cells and the changed
// pixels' would be more than one image holds, so the frame is stored as converted.
TEST(PaletteCells, AFullTableTooManyWithTheScreensColoursIsStoredAsConverted)
{
    constexpr int kSide = 32;  // 1,024 pixels, four of each colour
    const auto colour = [](int k, int shift) {
        return Rgb{std::uint8_t(k % 7 * 40 + shift), std::uint8_t(k / 7 % 7 * 40), std::uint8_t(k / 49 * 40)};
    };
    std::vector<IndexedImage> images;
    for (const int shift : {0, 3}) {
        IndexedImage image{kSide, kSide, {}, {}, -1};
        for (int k = 0; k < 256; ++k)
            image.palette.push_back(colour(k, k % 2 * shift));
        for (int i = 0; i < kSide * kSide; ++i)
            image.indices.push_back(std::uint8_t(shift && i % 4 == 3 ? (i / 4 + 1) % 256 : i / 4));
        images.push_back(std::move(image));
    }
    const Made made = assemble(images, true);
    ASSERT_EQ(made.gif.frames.size(), 2u);
    EXPECT_EQ(pixelsOff(made.gif.frames[1].image, images[1]), 0);
}
