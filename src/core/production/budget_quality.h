// How close an attempt of the size budget looks to the converted frames it was made from.
#pragma once

#include "core/animation/animation_frames.h"
#include "core/base/error.h"

#include <QString>

#include <future>

#include <vector>

namespace pictoreel {

// How close the animation in `file` looks to `frames`, the converted frames: minus 100 times the
// mean OKLab colour difference, 0 when equal, so higher is closer. Both pictures are first averaged
// over 2×2 blocks, as the eye at a normal distance blends them: dithering that keeps a colour on
// average costs little, while a colour lost (a blue turned grey), banding and lossy streaks cost
// their full difference. Transparent pixels (alpha below half) count as black. Every `every`-th
// frame with a picture is compared; a smaller animation is scaled up to the pictures' size first.
// The animation is decoded as it plays, one screen at a time.
Result<double> budgetAttemptQuality(const QString& file, const std::vector<AnimationFrameSource>& frames, int every = 1);

// The same for every attempt of one search: the converted frames' block colours are worked out at
// the first rating and kept for the next ones (unless they would take much memory).
class BudgetLook {
public:
    BudgetLook(std::vector<AnimationFrameSource> frames, int every);
    ~BudgetLook();
    BudgetLook(const BudgetLook&) = delete;
    BudgetLook& operator=(const BudgetLook&) = delete;

    Result<double> rate(const QString& file);
    // Begins working out the converted frames' block colours on a thread of its own, so the first
    // rating finds them ready: an attempt is assembled meanwhile. Once at most, before any rating.
    void prepareAhead();

private:
    void prepare();

    struct Reference;
    std::vector<AnimationFrameSource> frames_;
    int every_;
    std::vector<Reference> kept_;  // of every rated frame, in order, when the first rating kept them
    bool rated_ = false;
    std::future<void> preparing_;  // last: it is waited for before the rest goes
};

}  // namespace pictoreel
