#include "core/animation/background_disposal.h"

#include "core/animation/palette.h"
#include "core/gif/lzw_decoder.h"

#include <array>
#include <cstdint>
#include <utility>

namespace pictoreel::animation {

namespace {

// The index of the least used colour, whose pixels then take the nearest other used colour, and
// that colour's index (-1 when there is no other).
std::pair<int, int> freeLeastUsed(std::vector<std::uint8_t>& indices, const std::array<std::size_t, 256>& uses, const std::vector<Rgb>& palette)
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
    return {rare, nearest};
}

}  // namespace

int writtenTableSize(const GifFrameDescription& frame, const std::vector<Rgb>& globalPalette)
{
    const int count = static_cast<int>((frame.useGlobalPalette ? globalPalette : frame.image.palette).size());
    return frame.compressed && !frame.useGlobalPalette ? copiedTableSize(count, frame.compressed->minCodeSize) : tableSizeFor(count);
}

std::optional<GivenUpColour> nameTransparentIndex(GifFrameDescription& frame, const std::vector<Rgb>& globalPalette,
                                                  IndexCost cost)
{
    IndexedImage& image = frame.image;
    if (image.transparentIndex >= 0)
        return std::nullopt;
    const std::size_t count = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    std::vector<std::uint8_t> copiedIndices;
    if (frame.compressed) {
        copiedIndices.resize(count);
        if (!decodeGifPixels(*frame.compressed, copiedIndices.data(), count))
            return std::nullopt;
    }
    std::vector<std::uint8_t>& indices = frame.compressed ? copiedIndices : image.indices;
    std::array<std::size_t, 256> uses{};
    for (const std::uint8_t index : indices)
        ++uses[index];
    // The padding entries of the table are indices too.
    const std::vector<Rgb>& palette = frame.useGlobalPalette ? globalPalette : image.palette;
    const int tableSize = writtenTableSize(frame, globalPalette);
    for (int i = 0; i < tableSize; ++i) {
        if (uses[std::size_t(i)] == 0) {
            if (!frame.useGlobalPalette && i >= static_cast<int>(image.palette.size()))
                image.palette.resize(std::size_t(i) + 1);
            image.transparentIndex = i;
            return std::nullopt;
        }
    }
    const bool longer = tableSize < 256;
    if (cost == IndexCost::Nothing || (cost == IndexCost::ALongerTable && !longer) ||
        (cost == IndexCost::ALeastUsedColour && longer))
        return std::nullopt;
    std::optional<GivenUpColour> givenUp;
    if (longer) {
        // A table of its own one entry longer (copied bytes are coded again for it).
        std::vector<Rgb> own(palette.begin(), palette.end());
        own.resize(std::size_t(tableSize));
        own.push_back(Rgb{});
        image.palette = std::move(own);
        image.transparentIndex = tableSize;
        frame.useGlobalPalette = false;
    } else {
        // Every entry of the table is used: the rarest colour gives its index up.
        const auto [rare, nearest] = freeLeastUsed(indices, uses, palette);
        image.transparentIndex = rare;
        if (nearest >= 0)
            givenUp = GivenUpColour{palette[std::size_t(rare)], palette[std::size_t(nearest)]};
    }
    if (frame.compressed) {
        image.indices = std::move(copiedIndices);
        frame.compressed.reset();
    }
    return givenUp;
}

}  // namespace pictoreel::animation
