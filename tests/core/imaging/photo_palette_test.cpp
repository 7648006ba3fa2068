// The photo palette on its own: palette sizes, nearest-colour mapping, quality and repeatability.
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include "core/imaging/photo_palette.h"

#include <random>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

// Smooth gradients with a little grain and a few sharp-edged shapes: the kind of picture the
// photo palette is for.
RgbaImage photoLike(int w, int h, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> grain(-3, 3);
    RgbaImage img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double r = 40 + 180.0 * x / w, g = 200 - 150.0 * y / h, b = 90 + 60 * std::sin(x * 0.05 + y * 0.03);
            if ((x - w / 3) * (x - w / 3) + (y - h / 2) * (y - h / 2) < h * h / 16)
                r = 230, g = 120 + 40.0 * y / h, b = 30;
            auto channel = [&](double v) { return std::uint8_t(std::clamp(int(std::lround(v)) + grain(random), 0, 255)); };
            setPixel(img, x, y, Rgb{channel(r), channel(g), channel(b)});
        }
    return img;
}

RgbaImage mapped(const RgbaImage& source, const std::vector<Rgb>& palette, const std::vector<std::uint8_t>& indices)
{
    return makePicture(source.width, source.height, [&](int x, int y) { return palette[indices[std::size_t(y) * source.width + x]]; });
}

int squaredDistance(Rgb a, const std::uint8_t* p)
{
    return (a.r - p[0]) * (a.r - p[0]) + (a.g - p[1]) * (a.g - p[1]) + (a.b - p[2]) * (a.b - p[2]);
}

}  // namespace

TEST(PhotoPalette, KeepsToTheSizeLimitAndMapsToANearEntry)
{
    const RgbaImage img = photoLike(160, 120, 1);
    double previousPsnr = 0.0;
    for (int limit : {1, 2, 16, 64, 255, 256}) {
        const std::vector<Rgb> palette = choosePhotoPalette(img, limit, false);
        ASSERT_FALSE(palette.empty());
        EXPECT_LE(palette.size(), std::size_t(limit));
        const std::vector<std::uint8_t> indices = mapToPalette(img, palette, Dithering::None, false, 0);
        ASSERT_EQ(indices.size(), std::size_t(160 * 120));
        for (std::size_t i = 0; i < indices.size(); i += 7) {
            ASSERT_LT(indices[i], palette.size());
            // Looked up for the pixel's 4 x 4 x 4 colour cell, so never more than the cell's diagonal
            // (twice, there and back) farther than the true nearest entry.
            const std::uint8_t* p = &img.pixels[i * 4];
            int best = squaredDistance(palette[0], p);
            for (const Rgb& c : palette)
                best = std::min(best, squaredDistance(c, p));
            ASSERT_LE(std::sqrt(double(squaredDistance(palette[indices[i]], p))), std::sqrt(double(best)) + 7.0)
                << "limit " << limit << " pixel " << i;
        }
        // More colours never make the picture worse.
        const double quality = psnr(mapped(img, palette, indices), img);
        EXPECT_GE(quality, previousPsnr - 0.01) << limit;
        previousPsnr = quality;
    }
    EXPECT_GT(previousPsnr, 35.0);  // the grain alone keeps it below 40

    // Dithered mapping keeps the quality, and every result repeats.
    const std::vector<Rgb> palette = choosePhotoPalette(img, 256, false);
    EXPECT_EQ(palette, choosePhotoPalette(img, 256, false));
    const std::vector<std::uint8_t> dithered = mapToPalette(img, palette, Dithering::Diffusion, false, 0);
    EXPECT_EQ(dithered, mapToPalette(img, palette, Dithering::Diffusion, false, 0));
    EXPECT_NE(dithered, mapToPalette(img, palette, Dithering::None, false, 0));
    EXPECT_GT(psnr(mapped(img, palette, dithered), img), 34.0);
}

// Bright magenta that only transparent pixels carry takes no entry; they map to the skip index.
TEST(PhotoPalette, TransparentPixelsAreLeftOutWhenAsked)
{
    RgbaImage img = photoLike(120, 90, 3);
    fillRect(img, 0, 0, 40, 90, Rgb{255, 0, 255}, 0);
    const std::vector<Rgb> palette = choosePhotoPalette(img, 255, true);
    ASSERT_FALSE(palette.empty());
    EXPECT_TRUE(std::none_of(palette.begin(), palette.end(), [](Rgb c) { return c.r > 200 && c.g < 60 && c.b > 200; }));
    const std::vector<std::uint8_t> indices = mapToPalette(img, palette, Dithering::Ordered, true, 255);
    for (std::size_t i = 0; i < indices.size(); ++i)
        ASSERT_EQ(indices[i] == 255, int(i % 120) < 40) << i;
    EXPECT_TRUE(choosePhotoPalette(RgbaImage(8, 8), 255, true).empty());
}

// Flat graphics scaled down: a few flat colours, some within one of Wu's boxes, with a thousand
// shades of edges between them. Each flat colour holding an entry's share of the pixels gets its
// own entry exactly, so its area comes out without error or noise.
TEST(PhotoPalette, FlatColoursOfFewColourPicturesKeepTheirOwnEntries)
{
    const Rgb flats[] = {{40, 44, 52}, {42, 46, 50}, {200, 200, 190}, {90, 160, 220}};
    const RgbaImage img = makePicture(200, 100, [&](int x, int y) {
        if (y % 10 == 9)  // edge shades: over a thousand colours, a few pixels each
            return Rgb{std::uint8_t(x), std::uint8_t(60 + y), std::uint8_t(255 - x)};
        return flats[(x / 50 + y / 50) % 4];
    });
    const std::vector<Rgb> palette = choosePhotoPalette(img, 64, false);
    for (const Rgb& flat : flats)
        EXPECT_NE(std::find(palette.begin(), palette.end(), flat), palette.end()) << int(flat.r);
}

// Text scaled down: a white page and black strokes whose antialiased edges hold every grey in
// between, a few pixels each. Cut along its own colours, every shade lies within a level or so
// of an entry (Wu's 32 levels a channel would leave steps of 8 on every edge), and mapped without
// dithering each colour takes its own nearest entry, so the page keeps its exact white.
TEST(PhotoPalette, PicturesOfFewColoursKeepTheShadesOfTheirEdges)
{
    const RgbaImage img = makePicture(256, 64, [](int x, int y) {
        const auto grey = std::uint8_t(y < 8 ? x : y < 36 ? 255 : 0);
        return Rgb{grey, grey, grey};
    });
    const std::vector<Rgb> palette = choosePhotoPalette(img, 128, false);
    const std::vector<std::uint8_t> indices = mapToPalette(img, palette, Dithering::None, false, 0);
    for (int x = 0; x < 256; ++x) {
        const std::uint8_t* p = img.pixel(x, 0);
        EXPECT_LE(squaredDistance(palette[indices[std::size_t(x)]], p), 3 * 2 * 2) << x;
    }
    EXPECT_EQ(palette[indices[std::size_t(20) * 256]], (Rgb{255, 255, 255}));

    // Entries closer than a colour cell: a flat colour still takes its own.
    const std::vector<Rgb> dense{{96, 96, 96}, {97, 97, 97}, {98, 98, 98}, {99, 99, 99},
                                 {100, 100, 100}, {101, 101, 101}, {102, 102, 102}, {103, 103, 103}};
    const RgbaImage flat = makePicture(16, 4, [](int x, int) { return x < 8 ? Rgb{96, 96, 96} : Rgb{103, 103, 103}; });
    const std::vector<std::uint8_t> flatIndices = mapToPalette(flat, dense, Dithering::None, false, 0);
    for (std::size_t i = 0; i < flatIndices.size(); ++i)
        ASSERT_EQ(flatIndices[i], i % 16 < 8 ? 0 : 7) << i;
}
