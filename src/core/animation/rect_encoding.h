// Storing the pixels that change in one rectangle of the screen.
#pragma once

#include "core/animation/candidate.h"
#include "core/animation/picture.h"

#include <optional>
#include <vector>

namespace pictoreel::animation {

class GlobalPalette;

// The smallest stored image that turns `shown` into `target` inside `rect`, or nullopt when no
// single image can (more colours than a palette holds).
//
// Pixels that change must be drawn in their colour. Pixels that stay may be drawn in their colour
// or left transparent; three ways of choosing are tried and the one that codes smallest is kept:
// all left transparent, kept in colour where that continues a run of the same index, and all
// drawn in colour.
// Candidates estimated above `limitBytes` (a cost another encoding already has) are dropped.
// With a global table, each way is also tried with the global table where its colours are there.
// `tolerance` (the screen's, row by row), when set, lets each drawn pixel take another colour of
// the palette up to that far from its own where that codes smaller.
std::optional<Candidate> encodeRect(const Picture& shown, const Picture& target, const Rect& rect,
                                    const GlobalPalette* global, std::size_t limitBytes = kNoLimit,
                                    const std::vector<float>* tolerance = nullptr);

}  // namespace pictoreel::animation
