// Writing an animation that must fit in a number of bytes. The frames come converted already
// (the make's cache files); every attempt of the size budget search (size_budget.h) is assembled
// into a file of its own in the temp folder from the frames budget_frames.h makes for it, and an
// attempt that fits is compared with the converted frames (budget_quality.h) so the search keeps
// the best-looking one. The chosen attempt is handed on to be placed at the output (see
// output_placement.h), and kept there (budget_cache.h), so the same make again is a copy.
#pragma once

#include "core/base/error.h"
#include "core/production/budget_job.h"
#include "core/production/output_placement.h"
#include "core/production/size_budget.h"

#include <QString>

#include <cstdint>

namespace pictoreel {

// An animation within the budget, ready to be placed, and how it was found.
struct BudgetMade {
    BudgetOutcome outcome;
    ReadyAnimation ready;
};

// Makes the animation within `budget` bytes. When no attempt fits, fails (LimitExceeded) with a
// message naming the smallest file made and its settings; a stop fails with Cancelled. The
// attempts' files are removed in every case but the chosen one's, which `ready` names. The same
// make kept before is handed on as that copy unless `useKept` is false.
Result<BudgetMade> makeWithinBudget(std::int64_t budget, const BudgetMake& make, bool useKept = true);

// "lossy 40, 128 colours", with ", 320×240" when the size is not `fullWidth` × `fullHeight`.
QString budgetSettingsText(const BudgetSettings& settings, int fullWidth, int fullHeight);

}  // namespace pictoreel
