// The two pixel kernels on their own: scaling and palette reduction. Properties rather than
// numbers: the size asked for, flat colours kept, no colour bleeding out of transparent pixels,
// every index inside the palette, transparency exactly where it was.
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include "core/imaging/quantizer.h"
#include "core/imaging/resampler.h"

#include <cmath>
#include <map>
#include <set>
#include <thread>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

TEST(Resampler, ExactSizeAndFlatColourForShrinkingAndGrowing)
{
    for (const RgbaImage& source : {solidPicture(37, 23, Rgb{17, 200, 99}, 255), solidPicture(37, 23, Rgb{250, 3, 128}, 77)})
        for (auto [w, h] : {std::pair{10, 5}, {37, 100}, {500, 7}, {1, 1}, {36, 23}}) {
            const RgbaImage out = resampleImage(source, w, h).value();
            ASSERT_EQ(std::pair(out.width, out.height), std::pair(w, h));
            for (std::size_t i = 0; i < out.pixels.size(); i += 4)
                ASSERT_TRUE(std::equal(&out.pixels[i], &out.pixels[i + 4], source.pixel(0, 0))) << w << "x" << h << " pixel " << i / 4;
        }
    EXPECT_EQ(resampleImage(RgbaImage(), 5, 5).error().code, ErrorCode::EmptyImage);
    EXPECT_EQ(resampleImage(solidPicture(2, 2, Rgb{}), 0, 5).error().code, ErrorCode::InvalidArgument);
    EXPECT_EQ(resampleImage(solidPicture(2, 2, Rgb{}), 5, -5).error().code, ErrorCode::InvalidArgument);
    EXPECT_EQ(quantizeImage(RgbaImage()).error().code, ErrorCode::EmptyImage);
}

TEST(Resampler, ShrinkingFiltersInsteadOfPickingPixels)
{
    // A one-pixel checkerboard shrunk by 3.3 is grey everywhere; picking pixels gives black and white.
    const RgbaImage board = makePicture(330, 330, [](int x, int y) { return (x + y) % 2 ? Rgb{255, 255, 255} : Rgb{}; });
    const RgbaImage out = resampleImage(board, 100, 100).value();
    for (int y = 5; y < 95; ++y)
        for (int x = 5; x < 95; ++x)
            ASSERT_NEAR(out.pixel(x, y)[0], 127, 47) << x << "," << y;
    // Halving stripes two pixels wide keeps them: the filter is no wider than the scale needs.
    const RgbaImage stripes = makePicture(64, 8, [](int x, int) { return (x / 4) % 2 ? Rgb{255, 255, 255} : Rgb{}; });
    const RgbaImage half = resampleImage(stripes, 32, 4).value();
    EXPECT_LT(half.pixel(0, 2)[0], 40);
    EXPECT_GT(half.pixel(2, 2)[0], 215);
}

TEST(Resampler, TransparentPixelsDoNotBleedTheirColour)
{
    // Left half opaque red, right half fully transparent green.
    RgbaImage img = solidPicture(40, 10, Rgb{255, 0, 0});
    fillRect(img, 20, 0, 20, 10, Rgb{0, 255, 0}, 0);
    for (auto [w, h] : {std::pair{13, 4}, {97, 21}}) {
        const RgbaImage out = resampleImage(img, w, h).value();
        int partial = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (const std::uint8_t* p = out.pixel(x, y); p[3] > 0) {
                    partial += p[3] < 255;
                    ASSERT_EQ(colourAt(out, x, y), (Rgb{255, 0, 0})) << x << "," << y;
                }
        EXPECT_GT(partial, 0);  // the edge is filtered, in alpha only
        EXPECT_EQ(out.pixel(w - 1, h / 2)[3], 0);
    }
}

// Checks the reduced picture: indices inside the palette, the reserved entry last and used exactly
// where the source is transparent; returns it decoded (transparent pixels as the source's colour).
RgbaImage expectWellFormed(const IndexedImage& q, const RgbaImage& source, bool keyed)
{
    EXPECT_EQ(std::pair(q.width, q.height), std::pair(source.width, source.height));
    EXPECT_EQ(q.indices.size(), std::size_t(source.width) * source.height);
    EXPECT_TRUE(!q.palette.empty() && q.palette.size() <= 256u);
    EXPECT_EQ(q.transparentIndex, keyed ? int(q.palette.size()) - 1 : -1);
    RgbaImage decoded(source.width, source.height);
    for (int y = 0; y < q.height; ++y)
        for (int x = 0; x < q.width; ++x) {
            const int index = q.indices[std::size_t(y) * q.width + x];
            if (index >= int(q.palette.size()) || (index == q.transparentIndex) != (keyed && source.pixel(x, y)[3] == 0)) {
                ADD_FAILURE() << "index " << index << " at " << x << "," << y;
                return decoded;
            }
            setPixel(decoded, x, y, index == q.transparentIndex ? colourAt(source, x, y) : q.palette[std::size_t(index)]);
        }
    return decoded;
}

TEST(Quantizer, ExactWhenTheColoursFit)
{
    // 200 colours, column 3 transparent: without a reserved entry alpha is ignored.
    RgbaImage img = makePicture(20, 10, [](int x, int y) { return Rgb{std::uint8_t(x * 12), std::uint8_t(y * 25), 7}; });
    for (int y = 0; y < 10; ++y)
        img.pixel(3, y)[3] = 0;
    const IndexedImage plain = quantizeImage(img).value();
    EXPECT_EQ(plain.palette.size(), 200u);
    EXPECT_EQ(comparePictures(expectWellFormed(plain, img, false), makePicture(20, 10, [&](int x, int y) { return colourAt(img, x, y); })), "");
    const IndexedImage keyed = quantizeImage(img, QuantizeOptions{true, Rgb{1, 2, 3}}).value();
    EXPECT_EQ(keyed.palette.back(), (Rgb{1, 2, 3}));
    EXPECT_EQ(psnr(expectWellFormed(keyed, img, true), img), INFINITY);
    // Nothing visible at all: just the reserved entry.
    const IndexedImage invisible = quantizeImage(solidPicture(4, 4, Rgb{9, 9, 9}, 0), QuantizeOptions{true, Rgb{}}).value();
    EXPECT_EQ(std::pair(invisible.palette.size(), invisible.transparentIndex), std::pair(std::size_t(1), 0));
}

TEST(Quantizer, ReducesManyColoursAndKeepsTheTransparentSlotApart)
{
    RgbaImage img(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            setPixel(img, x, y, Rgb{std::uint8_t(x * 2), std::uint8_t(y * 2), std::uint8_t((x + y) % 256)},
                     std::uint8_t((x / 8 + y / 8) % 5 == 0 ? 0 : 255));
    for (Dithering dithering : {Dithering::Diffusion, Dithering::Ordered, Dithering::None})
        EXPECT_GT(psnr(expectWellFormed(quantizeImage(img, QuantizeOptions{true, Rgb{}, {256, dithering}}).value(), img, true), img), 30.0)
            << int(dithering);
    // Without transparency all 256 entries may hold colours.
    EXPECT_GT(quantizeImage(img).value().palette.size(), 200u);
}

// Flat graphics: a background and discs of flat colours whose edges are smoothed, which
// gives a few hundred in-between shades. `dotX` moves one small disc.
RgbaImage flatGraphics(int dotX)
{
    struct Disc {
        double cx, cy, radius;
        Rgb colour;
    };
    // Centres off the pixel grid, so the edges are not symmetric and their shades many.
    const Disc discs[] = {{40.37, 40.71, 30.2, Rgb{200, 30, 40}}, {110.13, 45.59, 28.7, Rgb{20, 90, 200}},
                          {70.83, 95.29, 32.4, Rgb{30, 160, 60}}, {150.61, 100.17, 25.3, Rgb{250, 200, 0}},
                          {dotX + 0.31, 20.43, 6.2, Rgb{90, 0, 120}}};
    return makePicture(180, 130, [&](int x, int y) {
        double r = 240, g = 236, b = 220;
        for (const Disc& d : discs) {
            const double distance = std::hypot(x + 0.5 - d.cx, y + 0.5 - d.cy);
            int inside = distance < d.radius - 1 ? 1024 : 0;
            for (int s = 0; std::abs(distance - d.radius) <= 1 && s < 1024; ++s)  // on the edge: 32 x 32 samples
                inside += std::hypot(x + (s % 32 + 0.5) / 32 - d.cx, y + (s / 32 + 0.5) / 32 - d.cy) <= d.radius;
            const double a = inside / 1024.0;
            r = r * (1 - a) + d.colour.r * a, g = g * (1 - a) + d.colour.g * a, b = b * (1 - a) + d.colour.b * a;
        }
        return Rgb{std::uint8_t(std::lround(r)), std::uint8_t(std::lround(g)), std::uint8_t(std::lround(b))};
    });
}

std::size_t distinctColours(const RgbaImage& img)
{
    std::set<std::uint32_t> colours;
    for (std::size_t i = 0; i < img.pixels.size(); i += 4)
        colours.insert(img.pixels[i] | (img.pixels[i + 1] << 8) | (img.pixels[i + 2] << 16));
    return colours.size();
}

// More shades than a palette holds: close to the source, no error diffusion (one colour always
// becomes one entry), flat colours exact, the transparent background its own entry; and where two
// pictures agree so do their reductions, except near the moving dot.
TEST(Quantizer, FlatGraphicsAreReducedWithoutNoiseAndStayStableWhereTheyDoNotChange)
{
    const RgbaImage first = flatGraphics(20);
    ASSERT_GT(distinctColours(first), 300u);
    RgbaImage keyedFirst = first;
    for (std::size_t i = 0; i < keyedFirst.pixels.size(); i += 4)
        keyedFirst.pixels[i + 3] = colourAt(first, 0, 0) == Rgb{first.pixels[i], first.pixels[i + 1], first.pixels[i + 2]} ? 0 : 255;
    RgbaImage reduced[2];
    for (bool keyed : {false, true}) {
        SCOPED_TRACE(keyed);
        const RgbaImage& source = keyed ? keyedFirst : first;
        const IndexedImage q = quantizeImage(source, keyed ? QuantizeOptions{true, colourAt(first, 0, 0)} : QuantizeOptions{}).value();
        reduced[keyed] = expectWellFormed(q, source, keyed);
        EXPECT_GT(psnr(reduced[keyed], first), 50.0);
        std::map<std::uint32_t, std::set<std::uint8_t>> entriesOfColour;
        for (std::size_t i = 0; i < q.indices.size(); ++i)
            entriesOfColour[first.pixels[i * 4] | (first.pixels[i * 4 + 1] << 8) | (first.pixels[i * 4 + 2] << 16)].insert(q.indices[i]);
        for (const auto& [colour, entries] : entriesOfColour)
            ASSERT_EQ(entries.size(), 1u) << "colour " << colour;
        for (auto [x, y] : {std::pair{2, 2}, {40, 40}, {110, 45}, {70, 95}, {150, 100}})
            EXPECT_EQ(colourAt(reduced[keyed], x, y), colourAt(first, x, y)) << x << "," << y;
    }

    // The same picture with a moved dot, with a few new shades (blends of the blue disc and the
    // background) on the background, or with flat areas of new colours: where it agrees with
    // the first, so do their reductions, but for a few pixels near the colours a new flat
    // colour blends with.
    RgbaImage shaded = first, patched = first;
    for (int k = 0; k < 6; ++k) {
        const double a = 0.07 + 0.16 * k;
        setPixel(shaded, 100 + 3 * k, 5, Rgb{std::uint8_t(std::lround(240 - 220 * a)), std::uint8_t(std::lround(236 - 146 * a)),
                                              std::uint8_t(std::lround(220 - 20 * a))});
    }
    for (int y = 100; y < 130; ++y)
        for (int x = 0; x < 30; ++x)
            setPixel(patched, x, y, Rgb{std::uint8_t(x < 10 ? 0 : 255), std::uint8_t(x < 20 ? 255 : 0), 255});
    const RgbaImage second = flatGraphics(150);
    const int area = first.width * first.height;
    for (const auto& [other, allowed] : {std::pair{&second, area / 1000}, {&shaded, 0}, {&patched, area / 300}}) {
        const RgbaImage otherReduced = expectWellFormed(quantizeImage(*other).value(), *other, false);
        int differing = 0;
        for (int y = 0; y < first.height; ++y)
            for (int x = 0; x < first.width; ++x)
                differing += colourAt(first, x, y) == colourAt(*other, x, y) && !(colourAt(reduced[0], x, y) == colourAt(otherReduced, x, y));
        EXPECT_LE(differing, allowed) << (other == &second ? "moved" : other == &shaded ? "shaded" : "patched");
    }

    // What a thread remembers of the pictures it reduced before never changes a reduction: the
    // moved dot comes out the same after the first picture (the same flat colours), after the
    // patched one (others), and on a thread that reduced nothing before.
    IndexedImage fresh;
    std::thread([&] { fresh = quantizeImage(second).value(); }).join();
    for (const RgbaImage* before : {&first, static_cast<const RgbaImage*>(&patched)}) {
        ASSERT_TRUE(quantizeImage(*before).ok());
        const IndexedImage again = quantizeImage(second).value();
        EXPECT_EQ(again.palette, fresh.palette);
        EXPECT_EQ(again.indices, fresh.indices);
    }
}

}  // namespace
