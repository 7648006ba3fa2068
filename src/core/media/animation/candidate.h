// Ways of storing one frame's rectangle, and what each is expected to cost in the file.
#pragma once

#include "core/media/animation/picture.h"
#include "core/media/gif_writer.h"

#include <limits>
#include <memory>
#include <optional>

namespace pictoreel::animation {

class GlobalPalette;

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

// An image stored whole, copied as it is (with the global table when it is that very table).
Candidate copiedCandidate(const std::shared_ptr<const GifStoredImage>& stored, const GlobalPalette* global);

// The image block of a candidate that copies a stored image over the whole screen.
GifFrameDescription describeCopied(const Candidate& copied);

// The smallest stored image that turns `shown` into `target` inside `rect`, or nullopt when no
// single image can (more colours than a palette holds).
//
// Pixels that change must be drawn in their colour. Pixels that stay may be drawn in their colour
// or left transparent; three ways of choosing are tried and the one that codes smallest is kept:
// all left transparent, kept in colour where that continues a run of the same index, and all
// drawn in colour.
// Candidates estimated above `limitBytes` (a cost another encoding already has) are dropped.
// With a global table, each way is also tried with the global table where its colours are there.
std::optional<Candidate> encodeRect(const Picture& shown, const Picture& target, const Rect& rect,
                                    const GlobalPalette* global, std::size_t limitBytes = kNoLimit);

}  // namespace pictoreel::animation
