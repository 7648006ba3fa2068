// A screen recording reduced frame by frame comes out on one table cut from all its frames.
#include "core/animation/animation_assembler.h"
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"
#include "core/imaging/quantizer.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

double meanSquaredError(const RgbaImage& a, const RgbaImage& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        if (i % 4 != 3)
            sum += (double(a.pixels[i]) - b.pixels[i]) * (double(a.pixels[i]) - b.pixels[i]);
    return sum / (3.0 * a.width * a.height);
}

}  // namespace

// Flat areas and a long ramp of antialiased shades (about 600 colours), with a dot that moves and
// a patch whose shades shift: each frame's own table is cut a little differently.
TEST(RecordingTable, FewColourFramesShareOneTableWithinTheirOwnError)
{
    constexpr int kW = 128, kH = 96, kFrames = 6;
    QTemporaryDir dir;
    std::vector<MadeFrame> files;
    std::vector<RgbaImage> sources;
    std::vector<double> ownError;
    for (int k = 0; k < kFrames; ++k) {
        RgbaImage p = makePicture(kW, kH, [&](int x, int y) {
            if (y >= 40 && y < 60) {
                const int t = (x + kW * (y - 40)) % 600;
                return Rgb{std::uint8_t(20 + t * 200 / 599), std::uint8_t(200 - t * t % 150), std::uint8_t(90 + t / 10)};
            }
            if (y >= 80 && x < 40)
                return Rgb{std::uint8_t(100 + (x + 3 * k) % 20), std::uint8_t(60 + (y - 80) / 4), 200};
            return x < kW / 2 ? Rgb{240, 240, 235} : Rgb{30, 60, 120};
        });
        fillRect(p, 10 + 9 * k, 10, 5, 5, Rgb{220, 40, 40});
        const IndexedImage own = quantizeImage(p).value();
        ownError.push_back(meanSquaredError(
            p, makePicture(kW, kH, [&](int x, int y) { return own.palette[own.indices[std::size_t(y) * kW + x]]; })));
        files.push_back({dir.filePath(QString::number(k) + QStringLiteral(".gif")), nullptr,
                         std::make_shared<const RgbaImage>(p)});
        ASSERT_TRUE(writeSingleImageGif(files.back().file, own));
        sources.push_back(std::move(p));
    }
    AnimationSettings settings;
    settings.loopCount = 0;
    const QString out = dir.filePath(QStringLiteral("out.gif"));
    AnimationFrames frames(std::vector<int>(kFrames, 10), [&files](std::size_t k) { return files[k]; });
    ASSERT_TRUE(AnimationAssembler(std::move(frames), settings).save(out));

    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // Every frame shows only colours of the global table: none needs a table of its own.
    const std::optional<GifStoredImage> first = findFirstStoredImage(file.readAll());
    ASSERT_TRUE(first && !first->localPalette);
    const DecodedGif gif = decodeGifFile(out).value();
    ASSERT_EQ(gif.frames.size(), std::size_t(kFrames));
    std::size_t foreign = 0;
    for (const GifFrame& frame : gif.frames)
        for (std::size_t i = 0; i < frame.image.pixels.size(); i += 4) {
            const Rgb c{frame.image.pixels[i], frame.image.pixels[i + 1], frame.image.pixels[i + 2]};
            foreign += std::find(first->palette.begin(), first->palette.end(), c) == first->palette.end();
        }
    EXPECT_EQ(foreign, 0u);
    for (int k = 0; k < kFrames; ++k) {
        EXPECT_GT(ownError[k], 0.0) << "frame " << k << " was not reduced";
        EXPECT_LE(meanSquaredError(sources[k], gif.frames[k].image), std::max(2 * ownError[k], 1.0 / 16)) << "frame " << k;
    }
}

// A recording that looks like sharing a table over its first frames and then redraws the screen
// frame after frame is written again on the first picture's table: every frame as reduced.
TEST(RecordingTable, ARecordingThatTurnsOutToRedrawIsWrittenAgainFrameByFrame)
{
    constexpr int kW = 128, kH = 96, kFrames = 8;
    QTemporaryDir dir;
    std::vector<MadeFrame> files;
    std::vector<RgbaImage> shown;
    for (int k = 0; k < kFrames; ++k) {
        const int shift = k < 2 ? 0 : 7 * k;
        RgbaImage p = makePicture(kW, kH, [&](int x, int y) {
            const int t = (x + shift + kW * y) % 600;
            return Rgb{std::uint8_t(20 + t * 200 / 599), std::uint8_t(200 - t * t % 150), std::uint8_t(90 + t / 10)};
        });
        fillRect(p, 4 + 3 * k, 4, 4, 4, Rgb{220, 40, 40});
        const IndexedImage own = quantizeImage(p).value();
        shown.push_back(makePicture(kW, kH, [&](int x, int y) { return own.palette[own.indices[std::size_t(y) * kW + x]]; }));
        files.push_back({dir.filePath(QString::number(k) + QStringLiteral(".gif")), nullptr,
                         std::make_shared<const RgbaImage>(std::move(p))});
        ASSERT_TRUE(writeSingleImageGif(files.back().file, own));
    }
    const QString out = dir.filePath(QStringLiteral("out.gif"));
    AnimationFrames frames(std::vector<int>(kFrames, 10), [&files](std::size_t k) { return files[k]; });
    ASSERT_TRUE(AnimationAssembler(std::move(frames), AnimationSettings{0}).save(out));
    const DecodedGif gif = decodeGifFile(out).value();
    ASSERT_EQ(gif.frames.size(), std::size_t(kFrames));
    for (int k = 0; k < kFrames; ++k)
        EXPECT_EQ(comparePictures(gif.frames[k].image, shown[std::size_t(k)]), "") << "frame " << k;
}
