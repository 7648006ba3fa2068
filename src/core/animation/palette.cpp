#include "core/animation/palette.h"

#include <algorithm>

namespace pictoreel::animation {

int tableSizeFor(int count)
{
    int size = 2;
    while (size < count)
        size *= 2;
    return size;
}

int copiedTableSize(int count, int minCodeSize) { return std::max(tableSizeFor(count), 1 << minCodeSize); }

int minCodeSizeFor(int paletteSize)
{
    int bits = 2;
    while ((1 << bits) < paletteSize)
        ++bits;
    return bits;
}

std::vector<Rgb> PaletteBuilder::palette() const
{
    std::vector<Rgb> result;
    result.reserve(colours_.size() + 1);
    for (Pixel p : colours_)
        result.push_back(unpackPixel(p));
    return result;
}

}  // namespace pictoreel::animation
