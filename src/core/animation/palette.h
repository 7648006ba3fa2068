// Colour tables of stored images: their sizes, colour look-up and the colours of one rectangle.
#pragma once

#include "core/animation/picture.h"

#include <array>
#include <cstdint>
#include <vector>

namespace pictoreel::animation {

// The size of a colour table holding `count` colours: a power of two, at least 2.
int tableSizeFor(int count);
// The size of the table copied image data of `count` colours is written with: padded to its
// codes' width too (two colours coded in 2 bits take a table of four).
int copiedTableSize(int count, int minCodeSize);
// How far apart two colours are: the squared distance in RGB.
inline int squaredDistance(Rgb a, Rgb b)
{
    const int r = a.r - b.r, g = a.g - b.g, bl = a.b - b.b;
    return r * r + g * g + bl * bl;
}
// The LZW minimum code size for a palette of `paletteSize` colours (2..8).
int minCodeSizeFor(int paletteSize);

// Colour -> palette index for up to 256 opaque colours: open addressing in a table four times
// that size, so a look-up is a multiply and (almost always) one probe.
class ColourIndex {
public:
    static constexpr int kNone = -1;

    int find(Pixel colour) const
    {
        for (std::uint32_t slot = hash(colour);; slot = (slot + 1) & kMask) {
            if (keys_[slot] == colour)
                return values_[slot];
            if (keys_[slot] == kTransparent)
                return kNone;
        }
    }
    // Adds `colour` (opaque, not yet present) with `index`.
    void insert(Pixel colour, std::uint8_t index)
    {
        std::uint32_t slot = hash(colour);
        while (keys_[slot] != kTransparent)
            slot = (slot + 1) & kMask;
        keys_[slot] = colour;
        values_[slot] = index;
    }

private:
    static constexpr int kBits = 10;
    static constexpr std::uint32_t kMask = (1u << kBits) - 1;
    static std::uint32_t hash(Pixel colour) { return (colour * 2654435761u) >> (32 - kBits); }
    std::array<Pixel, 1u << kBits> keys_{};  // kTransparent marks a free slot
    std::array<std::uint8_t, 1u << kBits> values_{};
};

// Colours of one stored rectangle and their palette indices.
class PaletteBuilder {
public:
    // False once more than `limit` colours were seen.
    bool add(Pixel colour, std::size_t limit)
    {
        if (colour == last_)
            return true;
        if (index_.find(colour) == ColourIndex::kNone) {
            if (colours_.size() >= limit)
                return false;
            index_.insert(colour, static_cast<std::uint8_t>(colours_.size()));
            colours_.push_back(colour);
        }
        last_ = colour;
        return true;
    }
    std::size_t size() const { return colours_.size(); }
    // The colour's index, or ColourIndex::kNone.
    int find(Pixel colour) const { return index_.find(colour); }
    std::uint8_t indexOf(Pixel colour)
    {
        if (colour != lastLookup_) {
            lastLookup_ = colour;
            lastIndex_ = static_cast<std::uint8_t>(index_.find(colour));
        }
        return lastIndex_;
    }
    std::vector<Rgb> palette() const;

private:
    ColourIndex index_;
    std::vector<Pixel> colours_;
    Pixel last_ = kTransparent;  // transparent is never added, so it is a safe "none"
    Pixel lastLookup_ = kTransparent;
    std::uint8_t lastIndex_ = 0;
};

}  // namespace pictoreel::animation
