// What the attempts of a size budget search cost, told from their settings alone and never from
// a clock: the same project is then searched alike, and gives the same GIF, on a busy machine
// and on a quiet one. The unit is one assembly of the converted frames at the start's size,
// which is the last step of a make without a budget.
#pragma once

#include "core/production/size_budget.h"

namespace pictoreel {

// How one attempt is made.
struct BudgetAttemptWork {
    BudgetSettings settings;
    bool reduced = false;  // the converted frames are reduced again for it (other colours or size)
    bool rated = false;    // its look is compared with the converted frames
};

// The attempt's cost in assemblies of the converted frames, for attempts of a search from `start`.
double budgetAttemptCost(const BudgetAttemptWork& work, const BudgetSettings& start);

// The cost the attempts of one search may come to together: a search takes at most
// kBudgetTimeFactor times a make without a budget (the conversion and one assembly), and the
// conversion is made once for both.
inline constexpr double kBudgetTimeFactor = 3;
double budgetAttemptsAllowance();

// Adds up the attempts made and tells whether another may begin once one fits: it is taken to
// cost as much as the dearest so far.
class BudgetSpending {
public:
    explicit BudgetSpending(const BudgetSettings& start) : start_(start) {}
    void add(const BudgetAttemptWork& work);
    bool roomForAnother() const;

private:
    BudgetSettings start_;
    double spent_ = 0;
    double dearest_ = 0;
};

}  // namespace pictoreel
