#include "core/animation/background_disposal.h"

#include "core/animation/palette.h"
#include "core/gif/lzw_decoder.h"

#include <array>
#include <cstdint>

namespace pictoreel::animation {

namespace {

// The index of the least used colour, whose pixels then take the nearest other used colour.
int freeLeastUsed(std::vector<std::uint8_t>& indices, const std::array<std::size_t, 256>& uses, const std::vector<Rgb>& palette)
{
    int rare = -1;
    for (int i = 0; i < static_cast<int>(palette.size()); ++i)
        if (uses[std::size_t(i)] > 0 && (rare < 0 || uses[std::size_t(i)] < uses[std::size_t(rare)]))
            rare = i;
    int nearest = -1;
    for (int i = 0; i < static_cast<int>(palette.size()); ++i)
        if (i != rare && uses[std::size_t(i)] > 0 &&
            (nearest < 0 || squaredDistance(palette[std::size_t(i)], palette[std::size_t(rare)]) <
                                squaredDistance(palette[std::size_t(nearest)], palette[std::size_t(rare)])))
            nearest = i;
    if (nearest >= 0)
        for (std::uint8_t& index : indices)
            if (index == rare)
                index = static_cast<std::uint8_t>(nearest);
    return rare;
}

}  // namespace

void nameTransparentIndex(GifFrameDescription& frame, const std::vector<Rgb>& globalPalette)
{
    IndexedImage& image = frame.image;
    if (image.transparentIndex >= 0)
        return;
    const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    std::vector<std::uint8_t> copiedIndices;
    if (frame.compressed) {
        copiedIndices.resize(count);
        if (!decodeGifPixels(*frame.compressed, copiedIndices.data(), count))
            return;
    }
    std::vector<std::uint8_t>& indices = frame.compressed ? copiedIndices : image.indices;
    std::array<std::size_t, 256> uses{};
    for (const std::uint8_t index : indices)
        ++uses[index];
    // A table is written padded to a power of two: the padding entries are indices too.
    const std::vector<Rgb>& palette = frame.useGlobalPalette ? globalPalette : image.palette;
    const int tableSize = tableSizeFor(static_cast<int>(palette.size()));
    for (int i = 0; i < tableSize; ++i) {
        if (uses[std::size_t(i)] == 0) {
            if (!frame.useGlobalPalette && i >= static_cast<int>(image.palette.size()))
                image.palette.resize(std::size_t(i) + 1);
            image.transparentIndex = i;
            return;
        }
    }
    if (tableSize < 256) {
        // A table of its own one entry longer (copied bytes are coded again for it).
        std::vector<Rgb> own(palette.begin(), palette.end());
        own.resize(std::size_t(tableSize));
        own.push_back(Rgb{});
        image.palette = std::move(own);
        image.transparentIndex = tableSize;
        frame.useGlobalPalette = false;
    } else {
        // Every entry of a full table is used: the rarest colour gives its index up.
        image.transparentIndex = freeLeastUsed(indices, uses, palette);
    }
    if (frame.compressed) {
        image.indices = std::move(copiedIndices);
        frame.compressed.reset();
    }
}

}  // namespace pictoreel::animation
