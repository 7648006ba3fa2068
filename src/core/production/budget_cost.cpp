#include "core/production/budget_cost.h"

#include <algorithm>

namespace pictoreel {

namespace {

// Costs in assemblies of the converted frames at the start's size, measured (processor time) on
// photos, a camera pan, gradients, a dark concert, a 3D render, a TV studio, flat graphics and
// screen recordings at three sizes. They vary with the content (a screen recording converts
// cheaply and loosens dearly), so each is a middle value of what was measured:
// - converting the pictures: 0.8 to 1.5 assemblies;
// - reducing the frames again (read back, fewer colours, written): 0.4 to 1.1, most of it at the
//   frames' full size whatever the attempt's size;
// - assembling reduced frames with lossiness: 0.3 to 2.1 (fewer colours code faster, loosening
//   costs), taken as one assembly like any other, at the attempt's size;
// - rating the look: 0.03 to 0.3.
constexpr double kConversion = 1.0;
constexpr double kReduction = 0.7;
constexpr double kRating = 0.2;

}  // namespace

double budgetAttemptCost(const BudgetAttemptWork& work, const BudgetSettings& start)
{
    const double area = double(work.settings.width) * work.settings.height;
    const double startArea = std::max(1.0, double(start.width) * start.height);
    const double share = std::min(1.0, area / startArea);
    double cost = share;
    if (work.reduced)
        cost += kReduction;
    if (work.rated)
        cost += kRating;
    return cost;
}

double budgetAttemptsAllowance() { return kBudgetTimeFactor * (kConversion + 1.0) - kConversion; }

void BudgetSpending::add(const BudgetAttemptWork& work)
{
    const double cost = budgetAttemptCost(work, start_);
    spent_ += cost;
    dearest_ = std::max(dearest_, cost);
}

bool BudgetSpending::roomForAnother() const { return spent_ + dearest_ <= budgetAttemptsAllowance(); }

}  // namespace pictoreel
