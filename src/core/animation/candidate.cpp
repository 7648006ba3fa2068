#include "core/animation/candidate.h"

#include "core/animation/palette.h"
#include "core/gif/lzw_encoder.h"

namespace pictoreel::animation {

std::size_t estimatedDataBytes(const std::vector<std::uint8_t>& indices, int minCodeSize, std::size_t limitBytes)
{
    const std::size_t bytes = (gifCodedBits(indices.data(), indices.size(), minCodeSize, limitBytes * 8) + 7) / 8;
    return 1 + bytes + bytes / 255 + 2;
}

Candidate makeCandidate(std::vector<std::uint8_t> indices, std::vector<Rgb> palette, int transparentIndex,
                        const Rect& rect, std::size_t limitBytes)
{
    Candidate c;
    c.image.width = rect.width();
    c.image.height = rect.height();
    c.image.palette = std::move(palette);
    c.image.transparentIndex = transparentIndex;
    const int paletteSize = static_cast<int>(c.image.palette.size());
    const std::size_t tableBytes = 3 * std::size_t(tableSizeFor(paletteSize));
    c.estimatedBytes = estimatedDataBytes(indices, minCodeSizeFor(paletteSize),
                                          limitBytes > tableBytes ? limitBytes - tableBytes : 0) + tableBytes;
    c.image.indices = std::move(indices);
    return c;
}

GifFrameDescription describeCopied(const Candidate& copied)
{
    GifFrameDescription frame;
    frame.image.width = copied.copied->width;
    frame.image.height = copied.copied->height;
    frame.image.transparentIndex = copied.copied->transparentIndex;
    if (!copied.useGlobalPalette)
        frame.image.palette = copied.copied->palette;
    frame.compressed = copied.copied->pixels;
    frame.useGlobalPalette = copied.useGlobalPalette;
    return frame;
}

}  // namespace pictoreel::animation
