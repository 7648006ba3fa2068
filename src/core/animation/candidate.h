// Ways of storing one frame's rectangle, and what each is expected to cost in the file.
#pragma once

#include "core/animation/picture.h"
#include "core/gif/gif_writer.h"

#include <limits>
#include <memory>
#include <optional>

namespace pictoreel::animation {

inline constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max() / 16;

struct Candidate {
    IndexedImage image;
    bool useGlobalPalette = false;
    std::shared_ptr<const GifStoredImage> copied;  // set: the stored image is copied as it is
    std::size_t estimatedBytes = 0;
};

// Bytes the image data of `indices` takes: the coded bits, with the sub-blocks' length bytes.
std::size_t estimatedDataBytes(const std::vector<std::uint8_t>& indices, int minCodeSize, std::size_t limitBytes = kNoLimit);

// `indices` of a `rect`-sized image with its own `palette`. `limitBytes`: the best candidate so
// far; counting stops once this one is larger.
Candidate makeCandidate(std::vector<std::uint8_t> indices, std::vector<Rgb> palette, int transparentIndex,
                        const Rect& rect, std::size_t limitBytes = kNoLimit);

// The image block of a candidate that copies a stored image over the whole screen.
GifFrameDescription describeCopied(const Candidate& copied);

}  // namespace pictoreel::animation
