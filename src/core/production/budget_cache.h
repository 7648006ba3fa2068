// Animations made within a size budget, kept in the temp folder as a plain make's are (see
// animation_cache.h), so making an unchanged project with the same budget again costs one copy
// instead of the whole search. The file is named after everything the search started from, the
// budget and the search's version; what the search chose ends the name, so the make's report
// comes back with the file.
#pragma once

#include "core/production/budget_job.h"
#include "core/production/size_budget.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace pictoreel {

struct KeptBudgetAnimation {
    QString path;
    BudgetSettings chosen;
    int attempts = 0;
};

// Where the animations of this make within `budget` are kept, without the chosen settings: empty
// when a frame file cannot be looked at.
QString budgetAnimationStem(std::int64_t budget, const BudgetMake& make);

// The kept animation of `stem`, if there is one.
std::optional<KeptBudgetAnimation> findBudgetAnimation(const QString& stem);

// Removes the files kept under `stem` other than `kept`: a stem names one choice.
void dropOtherBudgetChoices(const QString& stem, const QString& kept);

// The file name under which the animation the search chose is kept.
QString budgetAnimationPath(const QString& stem, const BudgetSettings& chosen, int attempts);

}  // namespace pictoreel
