#include "core/capture/raw_frame.h"

#include <algorithm>
#include <cstring>

namespace pictoreel {

namespace {

// Where red, green and blue sit in a 4-byte pixel of `layout`.
struct Offsets {
    int r, g, b;
};

Offsets offsetsOf(RawLayout layout)
{
    switch (layout) {
    case RawLayout::BGRx:
    case RawLayout::BGRA: return {2, 1, 0};
    case RawLayout::RGBx:
    case RawLayout::RGBA: return {0, 1, 2};
    case RawLayout::xRGB:
    case RawLayout::ARGB: return {1, 2, 3};
    case RawLayout::xBGR:
    case RawLayout::ABGR: return {3, 2, 1};
    }
    return {2, 1, 0};
}

}  // namespace

void copyRawFrame(const RawFrame& frame, RgbaImage& into)
{
    std::fill(into.pixels.begin(), into.pixels.end(), std::uint8_t(0));
    for (std::size_t i = 3; i < into.pixels.size(); i += 4)
        into.pixels[i] = 255;
    if (!frame.data || frame.width <= 0 || frame.height <= 0 || frame.stride < frame.width * 4)
        return;
    const int width = std::min(frame.width, into.width);
    const std::size_t stride = std::size_t(frame.stride);
    const int rows = int(std::min<std::size_t>(std::size_t(std::min(frame.height, into.height)),
                                               frame.size >= std::size_t(width) * 4 ? (frame.size - std::size_t(width) * 4) / stride + 1 : 0));
    const Offsets at = offsetsOf(frame.layout);
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* from = frame.data + std::size_t(y) * stride;
        std::uint8_t* to = into.pixel(0, y);
        if (frame.layout == RawLayout::RGBx || frame.layout == RawLayout::RGBA) {
            std::memcpy(to, from, std::size_t(width) * 4);
            for (int x = 0; x < width; ++x)
                to[x * 4 + 3] = 255;
            continue;
        }
        for (int x = 0; x < width; ++x, from += 4, to += 4) {
            to[0] = from[at.r];
            to[1] = from[at.g];
            to[2] = from[at.b];
        }
    }
}

}  // namespace pictoreel
