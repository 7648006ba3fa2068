// Lossy assembly: smaller files, yet every pixel a viewer sees within the error allowed where it
// is, flat areas and gradients exact, and a still background left still.
#include "core/animation/animation_assembler.h"
#include "core/animation/perceptual.h"
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"
#include "core/imaging/quantizer.h"

#include "support/files.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <random>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

// Grey noise of `spread` levels around `level`, tinted so neighbours differ in colour too.
RgbaImage noise(int w, int h, int level, int spread, std::uint32_t seed)
{
    std::mt19937 random(seed);
    return makePicture(w, h, [&](int, int) {
        const int v = level + int(random() % unsigned(spread));
        return Rgb{std::uint8_t(v), std::uint8_t(v + v % 3), std::uint8_t(v - v % 5)};
    });
}

// Assembles `pictures` at `lossy`, checks every shown pixel against its picture's tolerance and
// returns the file's size and what was decoded.
std::pair<qint64, DecodedGif> assemble(const std::vector<RgbaImage>& pictures, int lossy)
{
    QTemporaryDir dir;
    std::vector<AnimationFrameSource> frames;
    for (const RgbaImage& p : pictures) {
        frames.push_back({dir.filePath(QString::number(frames.size()) + QStringLiteral(".gif")), 10});
        EXPECT_TRUE(writeSingleImageGif(frames.back().fileName, quantizeImage(p, {}).value()));
    }
    const QString out = dir.filePath(QStringLiteral("out.gif"));
    AnimationSettings settings;
    settings.loopCount = 0;
    settings.lossy = lossy;
    EXPECT_TRUE(AnimationAssembler(frames, settings).save(out));
    DecodedGif gif = decodeGifFile(out).value();
    EXPECT_EQ(gif.frames.size(), pictures.size());
    animation::LabCache lab;
    for (std::size_t k = 0; k < std::min(gif.frames.size(), pictures.size()); ++k) {
        animation::Picture truth(pictures[k].width, pictures[k].height);
        for (std::size_t i = 0; i < truth.pixels.size(); ++i)
            truth.pixels[i] = animation::packPixel(&pictures[k].pixels[i * 4]);
        const std::vector<float> allowed = animation::toleranceMap(truth, std::max(lossy, 1), lab);
        for (std::size_t i = 0, wrong = 0; i < truth.pixels.size() && wrong < 3; ++i) {
            const animation::Pixel shown = animation::packPixel(&gif.frames[k].image.pixels[i * 4]);
            const float error = animation::labDistance(lab(shown), lab(truth.pixels[i]));
            if (lossy == 0 ? shown != truth.pixels[i] : error > allowed[i] + 1e-5f)
                ADD_FAILURE() << "frame " << k << " pixel " << i << " off by " << error << " of " << allowed[i] << ++wrong;
        }
    }
    return {QFileInfo(out).size(), std::move(gif)};
}

}  // namespace

TEST(LossyAssembly, NoiseShrinksWithinItsToleranceAndFlatGradientsStayExact)
{
    // Noise over the top half; below it a flat area meeting a gradient whose steps the eye sees.
    RgbaImage picture = noise(64, 48, 90, 60, 3);
    for (int y = 24; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            setPixel(picture, x, y, x < 24 ? Rgb{200, 120, 60} : Rgb{std::uint8_t(5 * x), 120, 60});
    const std::vector<RgbaImage> pictures{picture, noise(64, 48, 80, 70, 4)};
    qint64 previous = assemble(pictures, 0).first;
    for (int lossy : {30, 100}) {
        SCOPED_TRACE(lossy);
        const auto [bytes, gif] = assemble(pictures, lossy);
        EXPECT_LT(bytes, previous);
        previous = bytes;
        const std::size_t below = 64 * 24 * 4;
        EXPECT_TRUE(std::equal(picture.pixels.begin() + below, picture.pixels.end(), gif.frames[0].image.pixels.begin() + below));
    }
}

TEST(LossyAssembly, AStillNoisyBackgroundStaysStillWhileItDrifts)
{
    // Sensor noise changes a few levels every frame and the light drifts a level per frame: the
    // background is stored again only when the drift has grown past what the eye allows.
    std::vector<RgbaImage> pictures;
    for (int k = 0; k < 12; ++k) {
        RgbaImage p = noise(48, 32, 100 + k, 40, 9);
        const RgbaImage grain = noise(48, 32, 0, 3, 100 + k);
        for (std::size_t i = 0; i < p.pixels.size(); i += 4)
            p.pixels[i] = std::uint8_t(p.pixels[i] + grain.pixels[i]);
        fillRect(p, 2 + 3 * k, 10, 4, 4, Rgb{250, 20, 20});
        pictures.push_back(p);
    }
    const DecodedGif gif = assemble(pictures, 60).second;
    // Pixels of the background that change from one shown frame to the next: without lossiness,
    // most of them every frame.
    std::size_t changed = 0, background = 0;
    for (std::size_t k = 1; k < gif.frames.size(); ++k)
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 48; ++x, background += y < 10 || y >= 14)
                changed += (y < 10 || y >= 14) && !std::equal(gif.frames[k].image.pixel(x, y), gif.frames[k].image.pixel(x, y) + 4,
                                                              gif.frames[k - 1].image.pixel(x, y));
    EXPECT_LT(changed * 4, background);
}

TEST(LossyAssembly, APartOfThePictureGivesItsPixelsTheWholePicturesTolerance)
{
    // The assembler works out tolerances only around what a frame changes: a part reaching
    // kToleranceReach beyond its pixels must give them exactly the whole picture's values, at
    // the picture's edges too, with flat, noisy and transparent pixels about.
    RgbaImage picture = noise(40, 30, 60, 120, 7);
    fillRect(picture, 5, 5, 12, 9, Rgb{30, 200, 90});
    for (int y = 20; y < 26; ++y)
        for (int x = 25; x < 33; ++x)
            picture.pixels[(std::size_t(y) * 40 + x) * 4 + 3] = 0;
    animation::Picture whole(40, 30);
    for (std::size_t i = 0; i < whole.pixels.size(); ++i)
        whole.pixels[i] = animation::packPixel(&picture.pixels[i * 4]);
    animation::LabCache lab;
    const std::vector<float> all = animation::toleranceMap(whole, 100, lab);
    const int reach = animation::kToleranceReach;
    for (const animation::Rect r : {animation::Rect{8, 3, 30, 24}, animation::Rect{0, 0, 1, 1}, animation::Rect{20, 18, 40, 30}}) {
        const animation::Rect part{std::max(0, r.left - reach), std::max(0, r.top - reach), std::min(40, r.right + reach),
                                   std::min(30, r.bottom + reach)};
        animation::Picture cut(part.width(), part.height());
        for (int y = part.top; y < part.bottom; ++y)
            std::copy(whole.row(y) + part.left, whole.row(y) + part.right, cut.row(y - part.top));
        const std::vector<float> some = animation::toleranceMap(cut, 100, lab);
        int differing = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                differing += some[std::size_t(y - part.top) * cut.width + (x - part.left)] != all[std::size_t(y) * 40 + x];
        EXPECT_EQ(differing, 0) << r.left << "," << r.top;
    }
    EXPECT_GT(std::count_if(all.begin(), all.end(), [](float t) { return t > 0; }), 100);
}
