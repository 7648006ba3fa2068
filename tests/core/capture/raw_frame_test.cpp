// Pictures as a screen-sharing stream hands them over, made into the recording's pictures.
#include "core/capture/raw_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace pictoreel {
namespace {

// A picture of `width` x `height` in `layout`, rows `stride` bytes apart (the gap filled with
// 0xEE), pixel (x, y) of red x*40+1, green y*40+2, blue 3, alpha (or the unused byte) 0x77.
std::vector<std::uint8_t> rawPicture(RawLayout layout, int width, int height, int stride)
{
    const char* order = "";
    switch (layout) {
    case RawLayout::BGRx: case RawLayout::BGRA: order = "bgra"; break;
    case RawLayout::RGBx: case RawLayout::RGBA: order = "rgba"; break;
    case RawLayout::xRGB: case RawLayout::ARGB: order = "argb"; break;
    case RawLayout::xBGR: case RawLayout::ABGR: order = "abgr"; break;
    }
    std::vector<std::uint8_t> bytes(std::size_t(stride) * height, 0xEE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 4; ++c) {
                const char channel = order[c];
                bytes[std::size_t(y) * stride + x * 4 + c] =
                    std::uint8_t(channel == 'r' ? x * 40 + 1 : channel == 'g' ? y * 40 + 2 : channel == 'b' ? 3 : 0x77);
            }
    return bytes;
}

RgbaImage converted(const std::vector<std::uint8_t>& bytes, RawLayout layout, int width, int height, int stride, int intoW, int intoH)
{
    RgbaImage into(intoW, intoH);
    copyRawFrame({bytes.data(), bytes.size(), width, height, stride, layout}, into);
    return into;
}

TEST(RawFrame, EveryLayoutAndStrideGivesTheSameOpaquePicture)
{
    for (RawLayout layout : {RawLayout::BGRx, RawLayout::BGRA, RawLayout::RGBx, RawLayout::RGBA, RawLayout::xRGB, RawLayout::ARGB,
                             RawLayout::xBGR, RawLayout::ABGR}) {
        for (int stride : {12, 20}) {
            SCOPED_TRACE(testing::Message() << "layout " << int(layout) << ", stride " << stride);
            const RgbaImage image = converted(rawPicture(layout, 3, 2, stride), layout, 3, 2, stride, 3, 2);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x) {
                    const std::uint8_t* p = image.pixel(x, y);
                    EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{x * 40 + 1, y * 40 + 2, 3, 255}));
                }
        }
    }
}

TEST(RawFrame, AResizedOrShortBufferIsCutOrFilledWithBlack)
{
    const auto bytes = rawPicture(RawLayout::BGRx, 3, 3, 16);
    const RgbaImage larger = converted(bytes, RawLayout::BGRx, 3, 3, 16, 2, 2);  // the source grew: cut
    EXPECT_EQ(larger.pixel(1, 1)[0], 41);
    EXPECT_EQ(larger.pixel(1, 1)[1], 42);

    const RgbaImage smaller = converted(bytes, RawLayout::BGRx, 3, 3, 16, 4, 4);  // it shrank: black beside and below
    EXPECT_EQ(smaller.pixel(2, 2)[0], 81);
    for (const auto [x, y] : {std::pair{3, 0}, std::pair{0, 3}, std::pair{3, 3}})
        EXPECT_EQ(std::vector<int>(smaller.pixel(x, y), smaller.pixel(x, y) + 4), (std::vector<int>{0, 0, 0, 255}));

    // Only one row and a half in the buffer: the second row is left black, nothing read beyond.
    const std::vector<std::uint8_t> shortBytes(bytes.begin(), bytes.begin() + 16 + 6);
    const RgbaImage cut = converted(shortBytes, RawLayout::BGRx, 3, 3, 16, 3, 3);
    EXPECT_EQ(cut.pixel(2, 0)[0], 81);
    EXPECT_EQ(cut.pixel(0, 1)[0], 0);
}

}  // namespace
}  // namespace pictoreel
