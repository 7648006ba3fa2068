// Changes a viewer would not see keep what the screen shows; changes the eye sees are drawn; a
// picture's own colours stay exact.
#include "core/animation/animation_assembler.h"
#include "core/animation/perceptual.h"
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"
#include "core/imaging/quantizer.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <random>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

constexpr int kW = 64, kH = 48, kFrames = 8;

// A camera's frames: a smooth gradient and a patch of texture under a grain of a level or two
// that differs every frame, and a red square moving right 3 pixels a frame.
std::vector<RgbaImage> filmedFrames()
{
    std::vector<RgbaImage> frames;
    for (int k = 0; k < kFrames; ++k) {
        std::mt19937 grain(77 + k);
        RgbaImage p = makePicture(kW, kH, [&](int x, int y) {
            const int texture = x >= 40 ? int((x * 37 + y * 91) % 23) : 0;
            const int g = int(grain() % 3);
            return Rgb{std::uint8_t(60 + 2 * x + texture + g), std::uint8_t(90 + 2 * y + g), std::uint8_t(140 + texture - g)};
        });
        fillRect(p, 2 + 3 * k, 30, 6, 6, Rgb{230, 30, 30});
        frames.push_back(p);
    }
    return frames;
}

struct Assembled {
    qint64 bytes = 0;
    std::vector<IndexedImage> stored;  // each frame's file as the assembler read it
    DecodedGif gif;
};

// Each picture reduced to its own palette (noted as its own colours when `exact`), assembled
// with `threshold`; `withSources` hands the assembly the pictures too, as a make does.
Assembled assemble(const std::vector<RgbaImage>& pictures, int threshold, bool exact = false, bool withSources = false)
{
    QTemporaryDir dir;
    Assembled made;
    std::vector<MadeFrame> files;
    for (const RgbaImage& p : pictures) {
        files.push_back({dir.filePath(QString::number(files.size()) + QStringLiteral(".gif")), nullptr,
                         withSources ? std::make_shared<const RgbaImage>(p) : nullptr});
        made.stored.push_back(quantizeImage(p).value());
        EXPECT_TRUE(writeSingleImageGif(files.back().file, made.stored.back(),
                                        exact ? QByteArrayList{kColoursExactComment} : QByteArrayList{}));
    }
    AnimationSettings settings;
    settings.loopCount = 0;
    settings.temporalThreshold = threshold;
    const QString out = dir.filePath(QStringLiteral("out.gif"));
    AnimationFrames frames(std::vector<int>(files.size(), 10), [&files](std::size_t k) { return files[k]; });
    EXPECT_TRUE(AnimationAssembler(std::move(frames), settings).save(out));
    made.bytes = QFileInfo(out).size();
    made.gif = decodeGifFile(out).value();
    EXPECT_EQ(made.gif.frames.size(), pictures.size());
    return made;
}

Rgb shownAt(const DecodedGif& gif, std::size_t k, int x, int y)
{
    const std::uint8_t* p = gif.frames[k].image.pixel(x, y);
    return Rgb{p[0], p[1], p[2]};
}

Rgb storedAt(const IndexedImage& image, int x, int y) { return image.palette[image.indices[std::size_t(y) * image.width + x]]; }

bool same(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

}  // namespace

TEST(UnseenChange, AStillNoisyAreaStaysStillWhileWhatMovesIsDrawn)
{
    const std::vector<RgbaImage> pictures = filmedFrames();
    const Assembled plain = assemble(pictures, 0);
    animation::LabCache lab;
    const auto labOf = [&](Rgb c) { return lab(animation::opaquePixel(c)); };
    {
        const Assembled kept = assemble(pictures, 20, false, true);
        EXPECT_LT(kept.bytes * 10, plain.bytes * 9);
        std::size_t stillChanged = 0, plainStillChanged = 0, movedAway = 0, background = 0;
        for (std::size_t k = 1; k < kFrames; ++k) {
            for (int y = 0; y < kH; ++y) {
                for (int x = 0; x < kW; ++x) {
                    // Away from the square's path, the background stays as first drawn.
                    if (y < 27 || y > 38) {
                        const Rgb now = shownAt(kept.gif, k, x, y), before = shownAt(kept.gif, k - 1, x, y);
                        const animation::Lab truth = labOf(Rgb{pictures[k].pixel(x, y)[0], pictures[k].pixel(x, y)[1], pictures[k].pixel(x, y)[2]});
                        ++background;
                        stillChanged += !same(now, before);
                        movedAway += !same(now, before) && animation::labDistance(labOf(now), truth) >=
                                                               animation::labDistance(labOf(before), truth);
                        plainStillChanged += !same(shownAt(plain.gif, k, x, y), shownAt(plain.gif, k - 1, x, y));
                    }
                    // Where the picture changes plainly (the square arriving and leaving), the new
                    // picture is shown, not the old one.
                    const auto source = [&](std::size_t f) { return labOf(storedAt(plain.stored[f], x, y)); };
                    const float change = animation::labDistance(source(k), source(k - 1));
                    if (change > 0.2f) {
                        EXPECT_LT(animation::labDistance(labOf(shownAt(kept.gif, k, x, y)), source(k)), change / 4)
                            << "frame " << k << " at " << x << "," << y;
                    }
                }
            }
        }
        // Only the odd pixel drawn far from its colour is drawn again, nearer to it (no crawl).
        EXPECT_LE(stillChanged * 200, background);
        EXPECT_EQ(movedAway, 0u);
        EXPECT_GT(plainStillChanged, std::size_t{kW} * 20);  // the frames do change there
    }
}

TEST(UnseenChange, APicturesOwnColoursStayExact)
{
    // A diagram whose pixels change by one level here and there: a reduction would keep the
    // screen's colour, a picture's own colours never do.
    std::vector<RgbaImage> pictures;
    for (int k = 0; k < 4; ++k) {
        RgbaImage p = makePicture(kW, kH, [](int x, int y) { return x < 32 ? Rgb{40, 80, 120} : Rgb{std::uint8_t(100 + y), 100, 100}; });
        for (int x = k; x < kW; x += 7)
            setPixel(p, x, 10, Rgb{41, 80, 120});
        pictures.push_back(p);
    }
    for (const bool exact : {true, false}) {
        const Assembled made = assemble(pictures, 50, exact, true);
        std::size_t wrong = 0;
        for (std::size_t k = 0; k < pictures.size(); ++k)
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    wrong += !same(shownAt(made.gif, k, x, y), storedAt(made.stored[k], x, y));
        if (exact)
            EXPECT_EQ(wrong, 0u);
        else
            EXPECT_GT(wrong, 0u);  // the same frames as reduced ones: the one-level changes stay unseen
    }
}
