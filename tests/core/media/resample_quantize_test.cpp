// The two pixel kernels on their own: scaling and palette reduction.
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include "core/media/quantizer.h"
#include "core/media/resampler.h"

#include <cmath>
#include <map>
#include <set>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

TEST(Resampler, ExactSizeAndFlatColourForShrinkingAndGrowing)
{
    const RgbaImage flat = solidPicture(37, 23, Rgb{17, 200, 99}, 255);
    const RgbaImage halfAlpha = solidPicture(37, 23, Rgb{250, 3, 128}, 77);
    for (auto [w, h] : {std::pair{10, 5}, {37, 100}, {500, 7}, {1, 1}, {36, 23}}) {
        for (const RgbaImage* source : {&flat, &halfAlpha}) {
            Result<RgbaImage> out = resampleImage(*source, w, h);
            ASSERT_TRUE(out.ok());
            ASSERT_EQ(out.value().width, w);
            ASSERT_EQ(out.value().height, h);
            const std::uint8_t* expected = source->pixel(0, 0);
            for (std::size_t i = 0; i < out.value().pixels.size(); i += 4)
                ASSERT_TRUE(std::equal(expected, expected + 4, &out.value().pixels[i]))
                    << w << "x" << h << " pixel " << i / 4;
        }
    }
}

TEST(Resampler, ShrinkingFiltersInsteadOfPickingPixels)
{
    // A one-pixel checkerboard shrunk by 3.3 averages to mid grey everywhere; picking source
    // pixels would give black and white.
    const RgbaImage board = makePicture(330, 330, [](int x, int y) { return (x + y) % 2 ? Rgb{255, 255, 255} : Rgb{}; });
    Result<RgbaImage> out = resampleImage(board, 100, 100);
    ASSERT_TRUE(out.ok());
    double sum = 0;
    for (int y = 5; y < 95; ++y)
        for (int x = 5; x < 95; ++x) {
            const int v = out.value().pixel(x, y)[0];
            ASSERT_GT(v, 80) << x << "," << y;
            ASSERT_LT(v, 175) << x << "," << y;
            sum += v;
        }
    EXPECT_NEAR(sum / (90 * 90), 127.5, 2.0);

    // Halving a two-pixel-wide stripe pattern keeps stripes (no blur into one grey).
    const RgbaImage stripes = makePicture(64, 8, [](int x, int) { return (x / 4) % 2 ? Rgb{255, 255, 255} : Rgb{}; });
    Result<RgbaImage> half = resampleImage(stripes, 32, 4);
    ASSERT_TRUE(half.ok());
    EXPECT_LT(half.value().pixel(0, 2)[0], 40);
    EXPECT_GT(half.value().pixel(2, 2)[0], 215);
}

TEST(Resampler, TransparentPixelsDoNotBleedTheirColour)
{
    // Left half opaque red, right half fully transparent green.
    RgbaImage img(40, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 40; ++x)
            setPixel(img, x, y, x < 20 ? Rgb{255, 0, 0} : Rgb{0, 255, 0}, x < 20 ? 255 : 0);
    for (auto [w, h] : {std::pair{13, 4}, {97, 21}}) {
        Result<RgbaImage> out = resampleImage(img, w, h);
        ASSERT_TRUE(out.ok());
        int visible = 0, partial = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* p = out.value().pixel(x, y);
                if (p[3] > 0) {
                    ++visible;
                    partial += p[3] < 255;
                    ASSERT_EQ(p[0], 255) << x << "," << y;
                    ASSERT_EQ(p[1], 0) << x << "," << y;
                }
            }
        EXPECT_GT(visible, 0);
        EXPECT_GT(partial, 0);  // the edge is filtered, in alpha only
        // Far from the edge the transparent area keeps its own colour.
        const std::uint8_t* far = out.value().pixel(w - 1, h / 2);
        EXPECT_EQ(far[3], 0);
        EXPECT_EQ(far[1], 255);
    }
}

TEST(ResamplerAndQuantizer, RefuseEmptyInputAndSizes)
{
    EXPECT_EQ(resampleImage(RgbaImage(), 5, 5).error().code, ErrorCode::EmptyImage);
    EXPECT_EQ(resampleImage(solidPicture(2, 2, Rgb{}), 0, 5).error().code, ErrorCode::InvalidArgument);
    EXPECT_EQ(resampleImage(solidPicture(2, 2, Rgb{}), 5, -5).error().code, ErrorCode::InvalidArgument);
    EXPECT_EQ(quantizeImage(RgbaImage()).error().code, ErrorCode::EmptyImage);
}

void expectWellFormed(const IndexedImage& indexed, int width, int height)
{
    ASSERT_EQ(indexed.width, width);
    ASSERT_EQ(indexed.height, height);
    ASSERT_EQ(indexed.indices.size(), std::size_t(width) * height);
    ASSERT_GE(indexed.palette.size(), 1u);
    ASSERT_LE(indexed.palette.size(), 256u);
    for (std::uint8_t i : indexed.indices)
        ASSERT_LT(i, indexed.palette.size());
}

TEST(Quantizer, ExactWhenTheColoursFit)
{
    RgbaImage img(20, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            setPixel(img, x, y, Rgb{std::uint8_t(x * 12), std::uint8_t(y * 25), 7}, std::uint8_t(x == 3 ? 0 : 255));
    // Without a reserved entry alpha is ignored: 200 colours, all exact.
    Result<IndexedImage> plain = quantizeImage(img);
    ASSERT_TRUE(plain.ok());
    expectWellFormed(plain.value(), 20, 10);
    EXPECT_EQ(plain.value().palette.size(), 200u);
    EXPECT_EQ(plain.value().transparentIndex, -1);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(plain.value().palette[plain.value().indices[std::size_t(y) * 20 + x]], colourAt(img, x, y));

    // With it, column 3 maps to the reserved last entry, which carries the given colour.
    QuantizeOptions options;
    options.reserveTransparent = true;
    options.transparentColour = Rgb{1, 2, 3};
    Result<IndexedImage> keyed = quantizeImage(img, options);
    ASSERT_TRUE(keyed.ok());
    expectWellFormed(keyed.value(), 20, 10);
    const auto& k = keyed.value();
    ASSERT_EQ(k.transparentIndex, int(k.palette.size()) - 1);
    EXPECT_EQ(k.palette.back(), (Rgb{1, 2, 3}));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const int index = k.indices[std::size_t(y) * 20 + x];
            ASSERT_EQ(index == k.transparentIndex, x == 3);
            if (x != 3) {
                ASSERT_EQ(k.palette[std::size_t(index)], colourAt(img, x, y));
            }
        }

    // Nothing visible at all: just the reserved entry.
    Result<IndexedImage> invisible = quantizeImage(solidPicture(4, 4, Rgb{9, 9, 9}, 0), options);
    ASSERT_TRUE(invisible.ok());
    EXPECT_EQ(invisible.value().palette.size(), 1u);
    EXPECT_EQ(invisible.value().transparentIndex, 0);
}

TEST(Quantizer, ReducesManyColoursAndKeepsTheTransparentSlotApart)
{
    RgbaImage img(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            setPixel(img, x, y, Rgb{std::uint8_t(x * 2), std::uint8_t(y * 2), std::uint8_t((x + y) % 256)},
                     std::uint8_t((x / 8 + y / 8) % 5 == 0 ? 0 : 255));
    for (bool dither : {true, false}) {
        QuantizeOptions options;
        options.reserveTransparent = true;
        options.transparentColour = Rgb{0, 0, 0};
        options.dither = dither;
        Result<IndexedImage> out = quantizeImage(img, options);
        ASSERT_TRUE(out.ok());
        const IndexedImage& q = out.value();
        expectWellFormed(q, 128, 128);
        ASSERT_EQ(q.transparentIndex, int(q.palette.size()) - 1);
        RgbaImage decoded(128, 128);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const int index = q.indices[std::size_t(y) * 128 + x];
                ASSERT_EQ(index == q.transparentIndex, img.pixel(x, y)[3] == 0) << x << "," << y;
                setPixel(decoded, x, y, index == q.transparentIndex ? colourAt(img, x, y) : q.palette[std::size_t(index)]);
            }
        EXPECT_GT(psnr(decoded, img), 30.0) << dither;
    }
    // Without transparency all 256 entries may hold colours.
    Result<IndexedImage> opaque = quantizeImage(img);
    ASSERT_TRUE(opaque.ok());
    expectWellFormed(opaque.value(), 128, 128);
    EXPECT_EQ(opaque.value().transparentIndex, -1);
    EXPECT_GT(opaque.value().palette.size(), 200u);
}

// Flat graphics: a background and discs of flat colours whose edges are smoothed, which
// gives a few hundred in-between shades. `dotX` moves one small disc.
RgbaImage flatGraphics(int dotX)
{
    struct Disc {
        double cx, cy, radius;
        Rgb colour;
    };
    const Rgb background{240, 236, 220};
    // Centres off the pixel grid, so the edges are not symmetric and their shades many.
    const Disc discs[] = {{40.37, 40.71, 30.2, Rgb{200, 30, 40}}, {110.13, 45.59, 28.7, Rgb{20, 90, 200}},
                          {70.83, 95.29, 32.4, Rgb{30, 160, 60}}, {150.61, 100.17, 25.3, Rgb{250, 200, 0}},
                          {dotX + 0.31, 20.43, 6.2, Rgb{90, 0, 120}}};
    RgbaImage img(180, 130);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            double r = background.r, g = background.g, b = background.b;
            for (const Disc& d : discs) {
                const double distance = std::hypot(x + 0.5 - d.cx, y + 0.5 - d.cy);
                double a = distance < d.radius - 1 ? 1.0 : 0.0;
                if (std::abs(distance - d.radius) <= 1) {  // on the edge: 32 x 32 samples
                    int inside = 0;
                    for (int sy = 0; sy < 32; ++sy)
                        for (int sx = 0; sx < 32; ++sx) {
                            const double px = x + (sx + 0.5) / 32 - d.cx, py = y + (sy + 0.5) / 32 - d.cy;
                            inside += px * px + py * py <= d.radius * d.radius;
                        }
                    a = inside / 1024.0;
                }
                r = r * (1 - a) + d.colour.r * a;
                g = g * (1 - a) + d.colour.g * a;
                b = b * (1 - a) + d.colour.b * a;
            }
            setPixel(img, x, y, Rgb{std::uint8_t(std::lround(r)), std::uint8_t(std::lround(g)), std::uint8_t(std::lround(b))});
        }
    return img;
}

RgbaImage decodeIndexed(const IndexedImage& q)
{
    return makePicture(q.width, q.height, [&](int x, int y) { return q.palette[q.indices[std::size_t(y) * q.width + x]]; });
}

std::size_t distinctColours(const RgbaImage& img)
{
    std::set<std::uint32_t> colours;
    for (std::size_t i = 0; i < img.pixels.size(); i += 4)
        colours.insert(img.pixels[i] | (img.pixels[i + 1] << 8) | (img.pixels[i + 2] << 16));
    return colours.size();
}

TEST(Quantizer, FlatGraphicsAreReducedWithoutNoiseAndStayStableWhereTheyDoNotChange)
{
    const RgbaImage first = flatGraphics(20);
    const RgbaImage second = flatGraphics(150);
    ASSERT_GT(distinctColours(first), 300u);  // more than a palette holds
    ASSERT_GT(distinctColours(second), 300u);

    Result<IndexedImage> a = quantizeImage(first);
    Result<IndexedImage> b = quantizeImage(second);
    ASSERT_TRUE(a.ok());
    ASSERT_TRUE(b.ok());
    expectWellFormed(a.value(), first.width, first.height);
    expectWellFormed(b.value(), second.width, second.height);
    const RgbaImage da = decodeIndexed(a.value()), db = decodeIndexed(b.value());
    EXPECT_GT(psnr(da, first), 50.0);
    EXPECT_GT(psnr(db, second), 50.0);

    // No error diffusion: one colour always becomes one palette colour, and the flat colours
    // (background, disc interiors) are kept exactly.
    std::map<std::uint32_t, std::set<std::uint8_t>> entriesOfColour;
    for (std::size_t i = 0; i < a.value().indices.size(); ++i) {
        const std::uint8_t* p = &first.pixels[i * 4];
        entriesOfColour[p[0] | (p[1] << 8) | (p[2] << 16)].insert(a.value().indices[i]);
    }
    for (const auto& [colour, entries] : entriesOfColour)
        ASSERT_EQ(entries.size(), 1u) << "colour " << colour;
    for (auto [x, y] : {std::pair{2, 2}, {40, 40}, {110, 45}, {70, 95}, {150, 100}})
        EXPECT_EQ(colourAt(da, x, y), colourAt(first, x, y)) << x << "," << y;

    // Where two pictures are the same, so are the reduced pictures: only near the moving dot
    // may they differ, and not at all when the other picture just adds flat areas of new colours.
    RgbaImage patched = first;
    for (int y = 100; y < 130; ++y)
        for (int x = 0; x < 30; ++x)
            setPixel(patched, x, y, Rgb{std::uint8_t(x < 10 ? 0 : 255), std::uint8_t(x < 20 ? 255 : 0), 255});
    const std::pair<const RgbaImage*, int> others[] = {{&second, first.width * first.height / 1000}, {&patched, 0}};
    for (const auto& [other, allowed] : others) {
        Result<IndexedImage> o = quantizeImage(*other);
        ASSERT_TRUE(o.ok());
        const RgbaImage reduced = decodeIndexed(o.value());
        int differing = 0;
        for (int y = 0; y < first.height; ++y)
            for (int x = 0; x < first.width; ++x)
                differing += colourAt(first, x, y) == colourAt(*other, x, y) && !(colourAt(da, x, y) == colourAt(reduced, x, y));
        EXPECT_LE(differing, allowed);
    }

    // The result depends on the colours and how often they occur, not on where the pixels are:
    // the mirror image gets the same colour for every pixel.
    RgbaImage mirrored(first.width, first.height);
    for (int y = 0; y < first.height; ++y)
        for (int x = 0; x < first.width; ++x)
            setPixel(mirrored, first.width - 1 - x, y, colourAt(first, x, y));
    Result<IndexedImage> m = quantizeImage(mirrored);
    ASSERT_TRUE(m.ok());
    const RgbaImage dm = decodeIndexed(m.value());
    for (int y = 0; y < first.height; ++y)
        for (int x = 0; x < first.width; ++x)
            ASSERT_EQ(colourAt(dm, first.width - 1 - x, y), colourAt(da, x, y)) << x << "," << y;
}

TEST(Quantizer, FlatGraphicsKeepTheTransparentColourExact)
{
    // The background is the transparent colour: it and only it becomes the reserved entry,
    // and the other colours share the remaining 255.
    RgbaImage img = flatGraphics(90);
    ASSERT_GT(distinctColours(img), 300u);
    const Rgb key = colourAt(img, 0, 0);
    for (std::size_t i = 0; i < img.pixels.size(); i += 4)
        if (Rgb{img.pixels[i], img.pixels[i + 1], img.pixels[i + 2]} == key)
            img.pixels[i + 3] = 0;
    QuantizeOptions options;
    options.reserveTransparent = true;
    options.transparentColour = key;
    Result<IndexedImage> out = quantizeImage(img, options);
    ASSERT_TRUE(out.ok());
    const IndexedImage& q = out.value();
    expectWellFormed(q, img.width, img.height);
    ASSERT_EQ(q.transparentIndex, int(q.palette.size()) - 1);
    EXPECT_EQ(q.palette.back(), key);
    RgbaImage decoded(img.width, img.height);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const int index = q.indices[std::size_t(y) * img.width + x];
            ASSERT_EQ(index == q.transparentIndex, img.pixel(x, y)[3] == 0) << x << "," << y;
            setPixel(decoded, x, y, q.palette[std::size_t(index)]);
        }
    EXPECT_GT(psnr(decoded, flatGraphics(90)), 50.0);
}

}  // namespace
