#include "core/imaging/reorienting.h"

#include <cstring>

namespace pictoreel {

RgbaImage croppedImage(const RgbaImage& image, int x, int y, int width, int height)
{
    RgbaImage out(width, height);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    for (int row = 0; row < height; ++row)
        std::memcpy(out.pixel(0, row), image.pixel(x, y + row), rowBytes);
    return out;
}

RgbaImage reorientedImage(const RgbaImage& image, int quarterTurns, bool mirrored)
{
    const int turns = ((quarterTurns % 4) + 4) % 4;
    if (turns == 0 && !mirrored)
        return image;
    const int w = image.width, h = image.height;
    const bool swap = turns % 2 == 1;
    RgbaImage out(swap ? h : w, swap ? w : h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int sx = mirrored ? w - 1 - x : x;  // where the pixel is after the flip
            int tx = sx, ty = y;
            switch (turns) {
            case 1: tx = h - 1 - y, ty = sx; break;
            case 2: tx = w - 1 - sx, ty = h - 1 - y; break;
            case 3: tx = y, ty = w - 1 - sx; break;
            default: break;
            }
            std::memcpy(out.pixel(tx, ty), image.pixel(x, y), 4);
        }
    return out;
}

}  // namespace pictoreel
