// Making an animation fit in a number of bytes: which settings to try, in which order, and which
// of the tried ones to keep. The search knows nothing of frames or files; it asks a function to
// make an attempt with given settings and to tell how many bytes it came to and, when it fits,
// how close it looks to what the user asked for.
//
// Along the quality curve first (quality_curve.h): from the start's quality down, bracketing then
// bisecting on bytes, the best quality whose point fits. Then, near the budget, the most colours
// that fit at the start's lossiness, and lines of other lossiness, each with as many colours as then fit (more lossiness lets more colours back in):
// lossiness 100, the middle, and further halvings towards the better-looking side. The
// best-looking attempt that fits is kept. Only when the fewest colours do not fit is the frame
// made smaller (both sides scaled alike), at the fewest colours and the most lossiness. Bytes are
// modelled as straight lines over each knob's measure (lossiness, log2 of the colours, the
// frame's area) through the attempts made so far, so a few attempts find where the budget lies.
#pragma once

#include "core/base/error.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pictoreel {

struct BudgetSettings {
    int lossy = 0;     // 0..100
    int colors = 256;  // 2..256
    int width = 0;     // the frame size
    int height = 0;
    bool operator==(const BudgetSettings&) const = default;
};

// What an attempt came to.
struct BudgetTry {
    std::int64_t bytes = 0;
    // How close the attempt looks to the start's pictures, higher being closer (see
    // budget_quality.h); only
    // compared between attempts that fit, so others may leave it.
    double quality = 0;
};

// One attempt made, with what it came to.
struct BudgetTried {
    BudgetSettings settings;
    BudgetTry result;
};

// The best-looking of `tried` within `budget` (the fewer bytes between equal looks, the earlier
// between equal bytes); nullopt when none fits.
std::optional<std::size_t> chooseBudgetAttempt(const std::vector<BudgetTried>& tried, std::int64_t budget);

// Makes an attempt with the settings and tells what it came to; an error ends the search.
// `rated` is false for the first attempt, the start's: when it fits, the search ends with it and
// compares it with nothing, so its quality need not be measured.
using BudgetAttempt = std::function<Result<BudgetTry>(const BudgetSettings& settings, bool rated)>;

struct BudgetOutcome {
    bool fits = false;
    BudgetSettings chosen;  // the best-looking settings that fit; when none did, the smallest attempt's
    std::int64_t bytes = 0;  // of the chosen attempt
    double quality = 0;
    int attempts = 0;
};

// How far the knobs may go. Pictures of a few flat colours (graphics) may go down to fewer
// colours than photos.
inline constexpr int kBudgetMaxLossy = 100;
inline constexpr int kBudgetMinColors = 16;
inline constexpr int kBudgetMinGraphicsColors = 4;
inline constexpr int kBudgetMinSide = 16;
// Attempts made at most, however the bytes answer.
inline constexpr int kBudgetMaxAttempts = 12;
// Of them, along the quality curve.
inline constexpr int kBudgetCurveAttempts = 4;

// The fewest colours the search may go down to; asked for only when the start does not fit (it
// may have to look at every frame). An error ends the search.
using BudgetColourFloor = std::function<Result<int>()>;

// Searches from `start` (the settings the user asked for, which are tried first) for settings
// whose attempt is at most `budget` bytes, with no fewer colours than `minColors` gives (unless
// the start has fewer; kBudgetMinColors when it is not set). `startQuality` is the start's place
// on the quality curve: the curve's points below it are tried first, none with more colours or
// less lossiness than the start. Once an attempt fits, no further one is made when `inTime` says
// false (the attempts' allowance is spent: see budget_cost.h). Errors are the attempt's own.
Result<BudgetOutcome> searchSizeBudget(std::int64_t budget, const BudgetSettings& start, const BudgetAttempt& attempt,
                                       const BudgetColourFloor& minColors = {}, int startQuality = 100,
                                       const std::function<bool()>& inTime = {});

}  // namespace pictoreel
