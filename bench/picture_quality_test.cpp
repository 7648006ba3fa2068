// The benchmark's quality measures: PSNR and SSIM against values worked out by hand, and the
// gif_quality program end to end on files whose expected figures are known.
#include "picture_quality.h"

#include "core/base/replacing_file.h"
#include "core/imaging/bmp_writer.h"
#include "core/gif/gif_writer.h"
#include "core/media/imaging_component.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace pictoreel::bench {
namespace {

RgbaImage solid(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255)
{
    RgbaImage image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* px = image.pixel(x, y);
            px[0] = r;
            px[1] = g;
            px[2] = b;
            px[3] = a;
        }
    return image;
}

RgbaImage randomPicture(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(0, 255);
    RgbaImage image(w, h);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = (i % 4 == 3) ? 255 : static_cast<std::uint8_t>(value(rng));
    return image;
}

// `image` with every colour sample of the listed channels moved up or down by exactly `step`
// (the sign at random); the samples must stay inside 0..255.
RgbaImage withSignNoise(const RgbaImage& image, int step, int channels, unsigned seed)
{
    std::mt19937 rng(seed);
    std::bernoulli_distribution up(0.5);
    RgbaImage out = image;
    for (std::size_t i = 0; i < out.pixels.size(); i += 4)
        for (int c = 0; c < channels; ++c) {
            const int v = out.pixels[i + c] + (up(rng) ? step : -step);
            EXPECT_TRUE(v >= 0 && v <= 255);
            out.pixels[i + c] = static_cast<std::uint8_t>(v);
        }
    return out;
}

double expectedPsnr(double mse) { return 10.0 * std::log10(255.0 * 255.0 / mse); }

TEST(PictureQuality, IdenticalPicturesScoreTheCapAndOne)
{
    const RgbaImage a = randomPicture(64, 48, 1);
    EXPECT_EQ(psnr(a, a), kPsnrCap);
    EXPECT_NEAR(ssim(a, a), 1.0, 1e-12);
}

TEST(PictureQuality, KnownNoiseGivesItsPsnr)
{
    const RgbaImage base = solid(40, 30, 120, 60, 200);
    // Every sample off by 4: MSE 16.
    EXPECT_NEAR(psnr(base, withSignNoise(base, 4, 3, 7)), expectedPsnr(16.0), 1e-9);
    // Only red off by 6: MSE 36 / 3 = 12, the mean is over all three channels.
    EXPECT_NEAR(psnr(base, withSignNoise(base, 6, 1, 8)), expectedPsnr(12.0), 1e-9);
    // Symmetric.
    const RgbaImage noisy = withSignNoise(base, 5, 3, 9);
    EXPECT_DOUBLE_EQ(psnr(base, noisy), psnr(noisy, base));
}

TEST(PictureQuality, TransparentPixelsAreSeenOverWhite)
{
    const RgbaImage white = solid(16, 16, 255, 255, 255);
    const RgbaImage clear = solid(16, 16, 10, 200, 30, 0);
    EXPECT_EQ(psnr(white, clear), kPsnrCap);
    // Half-transparent black over white is grey 127.5: off by 127.5 in every channel.
    const RgbaImage halfBlack = solid(16, 16, 0, 0, 0, 127);
    const double grey = 255.0 * (1.0 - 127.0 / 255.0);
    EXPECT_NEAR(psnr(white, halfBlack), expectedPsnr((255.0 - grey) * (255.0 - grey)), 1e-9);
}

TEST(PictureQuality, SsimOfFlatPicturesIsTheLuminanceTerm)
{
    // No variance anywhere: SSIM reduces to (2 mx my + C1) / (mx^2 + my^2 + C1).
    const double c1 = 2.55 * 2.55;
    const RgbaImage a = solid(30, 20, 100, 100, 100);
    const RgbaImage b = solid(30, 20, 140, 140, 140);
    EXPECT_NEAR(ssim(a, b), (2 * 100.0 * 140.0 + c1) / (100.0 * 100.0 + 140.0 * 140.0 + c1), 1e-9);
    // Luma weighs green most: a green change moves SSIM further than the same blue change.
    const RgbaImage green = solid(30, 20, 100, 140, 100);
    const RgbaImage blue = solid(30, 20, 100, 100, 140);
    EXPECT_LT(ssim(a, green), ssim(a, blue));
}

TEST(PictureQuality, SsimOfNoiseOnFlatGreyFollowsC2)
{
    // Against a flat picture, a window's SSIM is C2 / (local variance + C2). With Gaussian noise
    // of sigma 8 the Gaussian-weighted local variance averages sigma^2 (1 - sum w^2).
    const RgbaImage flat = solid(200, 150, 128, 128, 128);
    RgbaImage noisy = flat;
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0.0, 8.0);
    for (std::size_t i = 0; i < noisy.pixels.size(); i += 4) {
        const auto v = static_cast<std::uint8_t>(std::lround(128.0 + noise(rng)));
        noisy.pixels[i] = noisy.pixels[i + 1] = noisy.pixels[i + 2] = v;
    }
    double w2 = 0, total = 0;
    for (int i = -5; i <= 5; ++i) {
        const double w = std::exp(-i * i / (2 * 1.5 * 1.5));
        w2 += w * w;
        total += w;
    }
    const double sumSquaredWeights = (w2 / (total * total)) * (w2 / (total * total));
    const double c2 = 7.65 * 7.65;
    const double variance = (64.0 + 1.0 / 12) * (1.0 - sumSquaredWeights);
    EXPECT_NEAR(ssim(flat, noisy), c2 / (variance + c2), 0.02);
}

TEST(PictureQuality, SsimFallsWithStructureLoss)
{
    const RgbaImage a = randomPicture(64, 64, 11);
    const RgbaImage mild = withSignNoise(solid(64, 64, 128, 128, 128), 2, 3, 12);
    RgbaImage shifted(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            std::copy_n(a.pixel((x + 1) % 64, y), 4, shifted.pixel(x, y));
    EXPECT_LT(ssim(a, shifted), 0.2);  // independent random pixels: almost no correlation
    EXPECT_GT(ssim(a, shifted), -0.2);
    EXPECT_LT(ssim(solid(64, 64, 128, 128, 128), mild), 1.0);
}

TEST(PictureQuality, PicturesSmallerThanTheWindowAreOneWindow)
{
    const RgbaImage a = randomPicture(8, 5, 4);
    EXPECT_NEAR(ssim(a, a), 1.0, 1e-12);
    const RgbaImage b = solid(8, 5, 90, 90, 90);
    const RgbaImage c = solid(8, 5, 60, 60, 60);
    const double c1 = 2.55 * 2.55;
    EXPECT_NEAR(ssim(b, c), (2 * 90.0 * 60.0 + c1) / (90.0 * 90.0 + 60.0 * 60.0 + c1), 1e-9);
}

TEST(PictureQuality, CompareFramesAveragesAndKeepsTheWorst)
{
    const RgbaImage a = solid(32, 24, 100, 150, 200);
    const RgbaImage noisy = withSignNoise(a, 3, 3, 5);
    const auto summary = compareFrames({a, noisy}, {a, a});
    ASSERT_TRUE(summary.ok());
    EXPECT_EQ(summary.value().frames, 2);
    EXPECT_NEAR(summary.value().meanPsnr, (kPsnrCap + expectedPsnr(9.0)) / 2, 1e-9);
    EXPECT_NEAR(summary.value().minPsnr, expectedPsnr(9.0), 1e-9);
    EXPECT_NEAR(summary.value().meanSsim, (1.0 + ssim(a, noisy)) / 2, 1e-12);
    EXPECT_NEAR(summary.value().minSsim, ssim(a, noisy), 1e-12);
}

TEST(PictureQuality, CompareFramesRefusesMismatches)
{
    const RgbaImage a = solid(32, 24, 1, 2, 3);
    EXPECT_FALSE(compareFrames({a, a}, {a}).ok());
    EXPECT_FALSE(compareFrames({a}, {solid(24, 32, 1, 2, 3)}).ok());
    EXPECT_FALSE(compareFrames({}, {}).ok());
}

// A grey picture with few levels, so a GIF holds it exactly.
RgbaImage greyPattern(int w, int h, int shade)
{
    RgbaImage image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto v = static_cast<std::uint8_t>(((x / 7 + y / 5) % 2) ? shade : shade + 60);
            std::uint8_t* px = image.pixel(x, y);
            px[0] = px[1] = px[2] = v;
            px[3] = 255;
        }
    return image;
}

IndexedImage toIndexed(const RgbaImage& image)
{
    IndexedImage out;
    out.width = image.width;
    out.height = image.height;
    out.indices.resize(static_cast<std::size_t>(image.width) * image.height);
    for (std::size_t i = 0; i < out.indices.size(); ++i) {
        const Rgb c{image.pixels[i * 4], image.pixels[i * 4 + 1], image.pixels[i * 4 + 2]};
        std::size_t k = 0;
        while (k < out.palette.size() && !(out.palette[k] == c))
            ++k;
        if (k == out.palette.size())
            out.palette.push_back(c);
        out.indices[i] = static_cast<std::uint8_t>(k);
    }
    return out;
}

std::string runGifQuality(const QStringList& arguments)
{
    std::string command = PICTOREEL_GIF_QUALITY;
    for (const QString& a : arguments)
        command += " '" + a.toStdString() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    return pclose(pipe) == 0 ? out : "failed: " + out;
}

double field(const std::string& json, const std::string& name)
{
    const auto at = json.find("\"" + name + "\":");
    return at == std::string::npos ? std::nan("") : std::stod(json.substr(at + name.size() + 3));
}

TEST(GifQualityProgram, MeasuresAGifAgainstItsSourcesAndAFileAgainstItself)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const RgbaImage first = greyPattern(48, 36, 60);
    const RgbaImage second = greyPattern(48, 36, 120);
    // The GIF holds the first frame exactly and the second off by 5 in every sample.
    const RgbaImage secondNoisy = withSignNoise(second, 5, 1, 21);
    RgbaImage secondGrey = secondNoisy;
    for (std::size_t i = 0; i < secondGrey.pixels.size(); i += 4)
        secondGrey.pixels[i + 1] = secondGrey.pixels[i + 2] = secondGrey.pixels[i];

    const QString gif = dir.filePath(QStringLiteral("made.gif"));
    GifStreamWriter writer;
    ASSERT_TRUE(writer.open(gif, GifScreen{48, 36, 0, {}}).ok());
    for (const RgbaImage* frame : {&first, static_cast<const RgbaImage*>(&secondGrey)}) {
        GifFrameDescription d;
        d.image = toIndexed(*frame);
        d.delayCentiseconds = 10;
        ASSERT_TRUE(writer.addFrame(d).ok());
    }
    ASSERT_TRUE(writer.finish().ok());

    QStringList sources;
    for (const RgbaImage* source : std::initializer_list<const RgbaImage*>{&first, &second}) {
        const QString path = dir.filePath(QStringLiteral("src%1.bmp").arg(sources.size()));
        const auto bmp = encodeBmp24(*source);
        ASSERT_TRUE(bmp.ok());
        ASSERT_TRUE(writeFileAtomically(path, bmp.value()).ok());
        sources << path;
    }

    const std::string both = runGifQuality(QStringList{gif} + sources);
    EXPECT_EQ(field(both, "frames"), 2) << both;
    EXPECT_NEAR(field(both, "psnr"), (kPsnrCap + expectedPsnr(25.0)) / 2, 1e-3) << both;
    EXPECT_NEAR(field(both, "psnr_min"), expectedPsnr(25.0), 1e-3) << both;
    EXPECT_LT(field(both, "ssim_min"), 1.0) << both;

    const std::string self = runGifQuality({sources[1], sources[1]});
    EXPECT_EQ(field(self, "frames"), 1) << self;
    EXPECT_EQ(field(self, "psnr"), kPsnrCap) << self;
    EXPECT_EQ(field(self, "ssim"), 1.0) << self;

    // A GIF with two frames against one source is refused, not scored.
    EXPECT_EQ(runGifQuality({gif, sources[0]}).rfind("failed", 0), 0u);

    // For the perceptual meters: every 2nd frame of both, as PPM, scored as before.
    const QString frames = dir.filePath(QStringLiteral("frames"));
    ASSERT_TRUE(QDir().mkpath(frames));
    const std::string written = runGifQuality(QStringList{"--frames-to", frames, "--every", "2", gif} + sources);
    EXPECT_EQ(field(written, "psnr"), field(both, "psnr")) << written;
    QByteArray expected = "P6\n48 36\n255\n";
    for (std::size_t i = 0; i < first.pixels.size(); i += 4)
        expected.append(reinterpret_cast<const char*>(&first.pixels[i]), 3);
    for (const char* name : {"made-000.ppm", "source-000.ppm"}) {
        QFile ppm(frames + "/" + name);
        ASSERT_TRUE(ppm.open(QIODevice::ReadOnly)) << name;
        EXPECT_EQ(ppm.readAll(), expected) << name;
    }
    EXPECT_EQ(QDir(frames).entryList(QDir::Files).size(), 2);  // frame 1 is not written
}

}  // namespace
}  // namespace pictoreel::bench
