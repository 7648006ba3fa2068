#include "core/production/budget_make.h"

#include "core/animation/animation_assembler.h"
#include "core/production/animation_cache.h"
#include "core/production/budget_cache.h"
#include "core/production/budget_cost.h"
#include "core/production/budget_frames.h"
#include "core/production/budget_quality.h"
#include "core/production/make_job.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <utility>

namespace pictoreel {

QString budgetSettingsText(const BudgetSettings& settings, int fullWidth, int fullHeight)
{
    QString text = QStringLiteral("lossy %1, %2 colours").arg(settings.lossy).arg(settings.colors);
    if (settings.width != fullWidth || settings.height != fullHeight)
        text += QStringLiteral(", %1×%2").arg(settings.width).arg(settings.height);
    return text;
}

Result<BudgetMade> makeWithinBudget(std::int64_t budget, const BudgetMake& make, bool useKept)
{
    const QString stem = budgetAnimationStem(budget, make);
    QString startFile = make.startFile;  // taken over: removed unless it is chosen
    if (const std::optional<KeptBudgetAnimation> kept = useKept ? findBudgetAnimation(stem) : std::nullopt) {
        if (!startFile.isEmpty())
            QFile::remove(startFile);
        BudgetMade made;
        made.outcome.fits = true;
        made.outcome.chosen = kept->chosen;
        made.outcome.bytes = QFileInfo(kept->path).size();
        made.outcome.attempts = kept->attempts;
        made.ready = {kept->path, true, {}};
        return made;
    }
    BudgetFrames frames(make);
    int attempts = 0;
    // The look is judged on about this many frames, spread over the animation.
    constexpr std::size_t kLookedAtFrames = 24;
    BudgetLook look(make.frames, static_cast<int>(std::max<std::size_t>(1, make.frames.size() / kLookedAtFrames)));
    const auto stopped = [&make] { return make.stopRequested && make.stopRequested(); };
    std::vector<std::pair<BudgetSettings, QString>> fitting;  // the attempts that fit, with their files
    const auto removeAll = [&fitting, &startFile] {
        if (!startFile.isEmpty())
            QFile::remove(startFile);
        for (const auto& [settings, file] : fitting)
            if (!file.isEmpty())
                QFile::remove(file);
    };
    // Once an attempt fits, no attempt is begun that the search's allowance would not hold (see
    // budget_cost.h): the attempts' costs come from their settings, never from a clock.
    BudgetSpending spending(make.start);
    const auto inTime = [&spending] { return spending.roomForAnother(); };
    const BudgetAttempt attempt = [&](const BudgetSettings& settings, bool rated) -> Result<BudgetTry> {
        if (stopped())
            return makeCancelled();
        spending.add({settings, frames.reducesFor(settings), rated});
        if (rated)
            look.prepareAhead();  // beside the assembly, which takes one core
        Result<AnimationFrames> toAssemble = frames.assemblyFramesFor(settings);
        if (!toAssemble)
            return toAssemble.error();
        AnimationSettings animation = make.settings;
        animation.lossy = settings.lossy;
        // Frames reduced together (alike ones share a palette) keep none of the screen's colours
        // in their own palette's cells; the converted frames are assembled as without a budget,
        // so a budget the make fits in gives the very GIF made without one.
        animation.keepWithinPaletteCells = make.settings.keepWithinPaletteCells && frames.convertedFor(settings);
        ++attempts;
        Status saved;
        QString file = !rated ? std::exchange(startFile, QString()) : QString();  // the start, made already
        if (file.isEmpty()) {
            file = frames.attemptFile(attempts);
            if (frames.convertedFor(settings))
                toAssemble.value().setSourceFor(make.sourceFor);
            else
                animation.temporalThreshold = 0;  // frames reduced again have no source
            saved = AnimationAssembler(std::move(toAssemble.value()), animation).save(file, [&](int percent) {
                return percent == 100 || !stopped();
            });
        }
        if (Status reduced = frames.reductionDone(); !reduced)
            return reduced.error();  // rather than the assembly's, which went without the frame
        if (!saved)
            return saved.error().code == ErrorCode::Cancelled ? makeCancelled() : saved.error();
        BudgetTry made{QFileInfo(file).size()};
        if (made.bytes > budget) {
            QFile::remove(file);
        } else {
            fitting.emplace_back(settings, file);
            if (rated) {
                const Result<double> quality = look.rate(file);
                if (!quality)
                    return quality.error();
                made.quality = quality.value();
            }
        }
        if (make.progress)
            make.progress(std::min(95, attempts * 100 / (attempts + 2)));
        return made;
    };
    const auto colourFloor = [&frames]() -> Result<int> {
        const Result<bool> alike = frames.alike();
        if (!alike)
            return alike.error();
        return alike.value() ? kBudgetMinGraphicsColors : kBudgetMinColors;
    };
    const Result<BudgetOutcome> searched = searchSizeBudget(budget, make.start, attempt, colourFloor, make.quality.value_or(100), inTime);
    if (!searched) {
        removeAll();
        return searched.error();
    }
    const BudgetOutcome& outcome = searched.value();
    if (!outcome.fits) {
        removeAll();
        const QLocale c(QLocale::English);
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The GIF does not fit in %1 bytes: the smallest of %2 attempts was %3 bytes (%4).")
                             .arg(c.toString(qlonglong(budget)))
                             .arg(outcome.attempts)
                             .arg(c.toString(qlonglong(outcome.bytes)))
                             .arg(budgetSettingsText(outcome.chosen, make.start.width, make.start.height)));
    }
    BudgetMade made{outcome, {}};
    for (auto& [settings, file] : fitting)
        if (settings == outcome.chosen)
            made.ready.file = std::exchange(file, QString());
    removeAll();
    if (!stem.isEmpty()) {
        made.ready.keepAs = budgetAnimationPath(stem, outcome.chosen, outcome.attempts);
        dropOtherBudgetChoices(stem, made.ready.keepAs);
    }
    return made;
}

}  // namespace pictoreel
