// A photo frame whose picture barely changes is drawn with the colours the screen already shows.
#include "core/animation/coherent_palette.h"

#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <random>

using namespace pictoreel;
using namespace pictoreel::animation;
using namespace pictoreel::testing;

namespace {

Picture shownAs(const IndexedImage& image)
{
    Picture picture(image.width, image.height);
    for (std::size_t i = 0; i < image.indices.size(); ++i)
        picture.pixels[i] = opaquePixel(image.palette[image.indices[i]]);
    return picture;
}

std::size_t sameAsShown(const Picture& made, const Picture& shown)
{
    std::size_t same = 0;
    for (std::size_t i = 0; i < made.pixels.size(); ++i)
        same += made.pixels[i] == shown.pixels[i];
    return same;
}

}  // namespace

// A noisy gradient (a still camera's background) whose next frame differs by sensor noise of a
// level: its own table, cut again, draws most pixels with colours a hair away from the screen's;
// held to the screen's colours, the most of them come out exactly as shown — while a picture
// that really changed keeps its own table.
TEST(HeldColours, ABarelyChangingPhotoKeepsTheScreensColours)
{
    constexpr int kW = 160, kH = 120;
    std::mt19937 noise(7);
    std::uniform_int_distribution<int> grain(-3, 3), level(-1, 1);
    std::vector<int> grainAt(kW * kH * 3);
    for (int& g : grainAt)
        g = grain(noise);
    const auto frame = [&](int jitter) {
        return makePicture(kW, kH, [&](int x, int y) {
            const int* g = &grainAt[std::size_t(y * kW + x) * 3];
            const auto at = [&](int v, int k) { return std::uint8_t(std::clamp(v + g[k] + (jitter ? level(noise) : 0), 0, 255)); };
            return Rgb{at(40 + x, 0), at(60 + y, 1), at(200 - x / 2 - y / 3, 2)};
        });
    };
    const RgbaImage first = frame(0), second = frame(1);
    const Picture shown = shownAs(quantizeImage(first).value());
    const IndexedImage own = quantizeImage(second).value();
    LabCache lab;
    const ColourReduction reduction;
    const std::optional<Picture> held = heldConversion(second, own.palette, shown, 0.005f, reduction, lab);
    ASSERT_TRUE(held);
    const std::size_t before = sameAsShown(shownAs(own), shown), after = sameAsShown(*held, shown);
    EXPECT_GT(after, 2 * before) << before << " -> " << after;
    EXPECT_GT(after * 2, held->pixels.size());

    const RgbaImage moved = makePicture(kW, kH, [&](int x, int y) {
        return Rgb{std::uint8_t(255 - x), std::uint8_t(y * 2), std::uint8_t((x * y) % 256)};
    });
    EXPECT_FALSE(heldConversion(moved, quantizeImage(moved).value().palette, shown, 0.005f, reduction, lab));
}
