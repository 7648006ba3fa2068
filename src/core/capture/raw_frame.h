// A picture as a screen-sharing stream hands it over: rows of 4-byte pixels in one of the
// layouts the compositor chose, each row `stride` bytes apart, made into an opaque RgbaImage.
#pragma once

#include "core/base/image.h"

#include <cstddef>
#include <cstdint>

namespace pictoreel {

// Byte order in memory, first byte first ("x": a byte that is not used).
enum class RawLayout { BGRx, BGRA, RGBx, RGBA, xRGB, ARGB, xBGR, ABGR };

struct RawFrame {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;  // bytes readable from data
    int width = 0, height = 0;
    int stride = 0;  // bytes from one row to the next, at least width * 4
    RawLayout layout = RawLayout::BGRx;
};

// Copies `frame` into `into` (which keeps its size): the picture at the top left, what it does
// not cover black, every pixel opaque. Rows the buffer does not hold whole are left black.
void copyRawFrame(const RawFrame& frame, RgbaImage& into);

}  // namespace pictoreel
