// Making an animation fit in a number of bytes: which settings to try, in which order, and which
// of the tried ones to keep. The search knows nothing of frames or files; it asks a function to
// make an attempt with given settings and to tell how many bytes it came to.
//
// The knobs are turned one after the other, each only as far as the budget needs, from the one
// that costs the least of the look to the one that costs the most: the encoder's lossiness first,
// then the number of colours, then the frame size (both sides scaled alike). Bytes are modelled as
// a straight line over each knob's measure (lossiness, log2 of the colours, the frame's area)
// through the attempts made so far, so a few attempts find the mildest setting that fits.
#pragma once

#include "core/base/error.h"

#include <cstdint>
#include <functional>

namespace pictoreel {

struct BudgetSettings {
    int lossy = 0;     // 0..100
    int colors = 256;  // 2..256
    int width = 0;     // the frame size
    int height = 0;
    bool operator==(const BudgetSettings&) const = default;
};

// Makes an attempt with the settings and tells its size in bytes; an error ends the search.
using BudgetAttempt = std::function<Result<std::int64_t>(const BudgetSettings& settings)>;

struct BudgetOutcome {
    bool fits = false;
    BudgetSettings chosen;  // the mildest settings that fit; when none did, the smallest attempt's
    std::int64_t bytes = 0;  // of the chosen attempt
    int attempts = 0;
};

// How far the knobs may go.
inline constexpr int kBudgetMaxLossy = 100;
inline constexpr int kBudgetMinColors = 16;
inline constexpr int kBudgetMinSide = 16;
// Attempts made at most, however the bytes answer.
inline constexpr int kBudgetMaxAttempts = 12;

// Searches from `start` (the settings the user asked for, which are tried first) for settings
// whose attempt is at most `budget` bytes. Errors are the attempt's own.
Result<BudgetOutcome> searchSizeBudget(std::int64_t budget, const BudgetSettings& start, const BudgetAttempt& attempt);

}  // namespace pictoreel
