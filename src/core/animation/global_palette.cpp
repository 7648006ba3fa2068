#include "core/animation/global_palette.h"

#include "core/gif/lzw_encoder.h"

#include <algorithm>

namespace pictoreel::animation {

GlobalPalette::GlobalPalette(std::vector<Rgb> palette) : palette_(std::move(palette))
{
    tableSize_ = tableSizeFor(static_cast<int>(palette_.size()));
    // The table as written: padded with black. The first of equal colours is the one used.
    for (int i = 0; i < tableSize_; ++i) {
        const Pixel p = opaquePixel(i < static_cast<int>(palette_.size()) ? palette_[std::size_t(i)] : Rgb{});
        if (index_.find(p) == ColourIndex::kNone)
            index_.insert(p, static_cast<std::uint8_t>(i));
    }
}

std::optional<Candidate> GlobalPalette::remap(const Candidate& local, std::size_t limitBytes) const
{
    const IndexedImage& image = local.image;
    std::array<std::uint8_t, 256> toGlobal{};
    std::array<bool, 256> taken{};
    for (std::size_t i = 0; i < image.palette.size(); ++i) {
        if (static_cast<int>(i) == image.transparentIndex)
            continue;
        const int g = index_.find(opaquePixel(image.palette[i]));
        if (g == ColourIndex::kNone)
            return std::nullopt;
        toGlobal[i] = static_cast<std::uint8_t>(g);
        taken[std::size_t(g)] = true;
    }
    Candidate c;
    c.useGlobalPalette = true;
    c.image.width = image.width;
    c.image.height = image.height;
    c.image.transparentIndex = -1;
    if (image.transparentIndex >= 0) {
        // At most 255 colours besides the transparent one, so some entry is free for it.
        int free = 0;
        while (free < tableSize_ && taken[std::size_t(free)])
            ++free;
        if (free == tableSize_)
            return std::nullopt;
        toGlobal[std::size_t(image.transparentIndex)] = static_cast<std::uint8_t>(free);
        c.image.transparentIndex = free;
    }
    c.image.indices.resize(image.indices.size());
    std::transform(image.indices.begin(), image.indices.end(), c.image.indices.begin(),
                   [&](std::uint8_t i) { return toGlobal[i]; });
    c.estimatedBytes = estimatedDataBytes(c.image.indices,
                                          std::min(minCodeSizeFor(tableSize_),
                                                   smallestMinCodeSize(c.image.indices.data(), c.image.indices.size())),
                                          limitBytes);
    return c;
}

Candidate copiedCandidate(const std::shared_ptr<const GifStoredImage>& stored, const GlobalPalette* global)
{
    const int colours = static_cast<int>(stored->palette.size());
    const int tableSize = copiedTableSize(colours, stored->pixels.minCodeSize);
    Candidate c;
    c.copied = stored;
    c.useGlobalPalette = global && stored->palette == global->palette() && tableSizeFor(colours) == tableSize;
    c.estimatedBytes = 1 + static_cast<std::size_t>(stored->pixels.subBlocks.size()) +
                       (c.useGlobalPalette ? 0 : 3 * static_cast<std::size_t>(tableSize));
    return c;
}

}  // namespace pictoreel::animation
