#include "core/production/make_gif.h"

#include "core/animation/animation_assembler.h"
#include "core/production/animation_cache.h"
#include "core/production/budget_make.h"
#include "core/production/conversion_pool.h"
#include "core/production/early_assembly.h"
#include "core/production/frame_cache_names.h"
#include "core/production/make_other_formats.h"
#include "core/base/file_identity.h"
#include "core/project/numbers.h"
#include "core/project/paths.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace pictoreel {

namespace {

// The assembled frames ready to be placed: the same animation made before when the temp folder
// still has it (and `useKept`), else made now through the assembler, to be kept for the next time.
// The frames are the pool's, every one cached or missing: it makes their sources only now.
Result<ReadyAnimation> assembleAnimation(const std::vector<AnimationFrameSource>& frames, const AnimationSettings& settings,
                                         const MakeOptions& options, const std::function<void(int)>& saveProgress,
                                         bool useKept, ConversionPool& pool, AnimationFrames::SourceFor sourceFor)
{
    const auto stopped = [&options] { return options.stopRequested && options.stopRequested(); };
    const QString cached = cachedAnimationPath(options.tempFolder, frames, settings);
    if (stopped())
        return makeCancelled();
    if (useKept && !cached.isEmpty() && QFileInfo(cached).isFile())
        return ReadyAnimation{cached, true, {}};
    pool.remakeCachedSources();
    const QString file = uniqueTempAnimationPath(options.tempFolder);
    AnimationFrames toAssemble(frames);
    toAssemble.setSourceFor(std::move(sourceFor));
    const Status saved = AnimationAssembler(std::move(toAssemble), settings).save(file, [&](int percent) {
        if (percent < 100 && stopped())
            return false;
        if (saveProgress && percent < 100)  // the 100 is the placement's
            saveProgress(percent);
        return true;
    });
    if (!saved) {
        QFile::remove(file);
        return saved.error().code == ErrorCode::Cancelled ? makeCancelled() : saved.error();
    }
    return ReadyAnimation{file, false, cached};
}

Result<ProducedAnimation> produceGif(const MakePlan& plan, const MakeOptions& options, const MakeEvents& events,
                                     bool useKept)
{
    const std::vector<FrameValues>& values = plan.frames;
    const int rows = static_cast<int>(values.size());
    const FrameStyle& style = plan.style;
    const std::vector<FrameConversion> conversions = frameConversionsFor(plan, options.tempFolder);
    const int jobs = options.jobsToUse();
    const std::optional<std::int64_t> budget = plan.gifBudget();
    // The assembly runs beside the conversions and takes each frame's indices, and the picture it
    // was reduced from when it keeps unseen changes. A frame taken from the cache has that picture
    // made again, so that what a make keeps unseen does not depend on which frames happened to be
    // cached. Within a budget, that assembly is the search's first attempt.
    ConversionPool pool(conversions, jobs, PoolKeeping{true, plan.temporalThreshold > 0});

    AnimationSettings settings;
    settings.loopCount = plan.loopCount;
    settings.lossy = plan.lossy;
    settings.temporalThreshold = plan.temporalThreshold;
    settings.reduction = reductionFor(style);
    // Each frame's colours are reduced on its own: what stays still keeps the screen's colours.
    settings.keepWithinPaletteCells = true;
    settings.mayShowTransparency =
        (style.fit == FitMode::Contain && !style.fitBackground) ||
        std::any_of(conversions.begin(), conversions.end(), [](const FrameConversion& c) { return c.transparent; });
    // The pool makes the sources beside the conversions; the others (a later row of the same
    // cache file, a make within a budget) are made when the assembly asks.
    AnimationFrames::SourceFor sourceFor;
    if (plan.temporalThreshold > 0)
        sourceFor = [&pool, &conversions](std::size_t k) {
            return pool.makesSource(k) ? pool.takeWritten(k).source : frameSource(conversions.at(k));
        };
    std::vector<AnimationFrameSource> animation;
    animation.reserve(static_cast<std::size_t>(rows));
    std::optional<EarlyAssembly> early;  // after the pool: it uses the pool until it is done
    // It starts at once: what the pool keeps of the frames waits for it to take them.
    if (pool.convertsAny()) {
        std::vector<int> delays;
        for (const FrameValues& v : values)
            delays.push_back(animationDelay(v.interval));
        early.emplace(pool, std::move(delays), settings, options, sourceFor);
    }

    ProducedAnimation produced;
    MakeReport& report = produced.report;
    report.frames = rows;
    for (int row = 1; row <= rows; ++row) {
        const ConversionPool::FrameResult result = pool.waitFor(static_cast<std::size_t>(row - 1));
        switch (result.outcome) {
        case ConversionPool::Outcome::Missing:
            report.missing.push_back({row, conversions[static_cast<std::size_t>(row - 1)].picture});
            break;
        case ConversionPool::Outcome::Cached: ++report.cached; break;
        case ConversionPool::Outcome::Converted: ++report.converted; break;
        case ConversionPool::Outcome::Failed:
            // A frame that cannot be written to the temp folder (a full disk) is no fault of its
            // picture: the make stops, and an earlier GIF stays as it was.
            if (result.error.code == ErrorCode::FileWriteFailed) {
                pool.cancel();
                return result.error;
            }
            ++report.failed;
            if (events.frameFailed)
                events.frameFailed(row, conversions[static_cast<std::size_t>(row - 1)].picture, result.error);
            break;
        }
        animation.push_back({result.gif, animationDelay(values[static_cast<std::size_t>(row - 1)].interval)});
        if (options.stopRequested && options.stopRequested()) {
            pool.cancel();
            return makeCancelled();
        }
        if (events.frameAdded)
            events.frameAdded(frameProgressValue(row, rows));
    }
    report.settings = {plan.lossy, style.colors, plan.size.width, plan.size.height};
    if (early && !budget) {
        const QString cached = cachedAnimationPath(options.tempFolder, animation, settings);
        Result<ReadyAnimation> ready = early->finish(cached, events.saveProgress);
        if (!ready)
            return ready.error();
        produced.ready = std::move(ready.value());
        return produced;
    }
    if (budget) {
        // The attempts after the first have no pool to take sources from.
        AnimationFrames::SourceFor attemptSources;
        if (plan.temporalThreshold > 0)
            attemptSources = [&conversions](std::size_t k) { return frameSource(conversions.at(k)); };
        BudgetMake make{std::move(animation), settings, report.settings, plan.quality, options.tempFolder, jobs,
                        options.stopRequested, events.saveProgress, attemptSources};
        if (early) {
            Result<ReadyAnimation> start = early->finish({}, {});
            if (!start)
                return start.error();
            make.startFile = start.value().file;
        }
        Result<BudgetMade> made = makeWithinBudget(*budget, make, useKept);
        if (!made)
            return made.error();
        report.settings = made.value().outcome.chosen;
        report.attempts = made.value().outcome.attempts;
        report.budgeted = true;
        produced.ready = std::move(made.value().ready);
        return produced;
    }
    Result<ReadyAnimation> ready =
        assembleAnimation(animation, settings, options, events.saveProgress, useKept, pool, sourceFor);
    if (!ready)
        return ready.error();
    produced.ready = std::move(ready.value());
    return produced;
}

// The animation the plan asks for, put at its output: the one step that writes there. A kept
// copy that turns out gone or damaged is made anew.
Result<MakeReport> makeOnce(const MakePlan& plan, const MakeOptions& options, const MakeEvents& events)
{
    for (const bool useKept : {true, false}) {
        Result<ProducedAnimation> produced = plan.isGif() ? produceGif(plan, options, events, useKept)
                                                          : produceOtherAnimation(plan, options, events, useKept);
        if (!produced)
            return produced.error();
        const ReadyAnimation& ready = produced.value().ready;
        const Status placed = placeOutput(ready, plan.output, options.stopRequested, events.saveProgress);
        if (!placed && ready.kept && placed.error().code == ErrorCode::FileReadFailed)
            continue;
        if (!placed)
            return placed.error();
        MakeReport& report = produced.value().report;
        report.bytes = QFileInfo(plan.output).size();
        countMadeFrames(plan, report);
        return report;
    }
    return makeError(ErrorCode::FileReadFailed, QStringLiteral("No whole cached animation"));  // not reached
}

// A frame's cached GIF that was lost while the make ran (the window, closing, deletes the temp
// files), or whose record is whole but whose image was damaged afterwards (a disk error, a hand
// edit): the one file of the temp folder the failed assembly names.
bool isLostFrameCache(const Error& error, const QString& tempFolder)
{
    if (error.file.isEmpty() ||
        (error.code != ErrorCode::CorruptData && error.code != ErrorCode::EmptyImage && error.code != ErrorCode::FileNotFound))
        return false;
    const QFileInfo file(error.file);
    return file.fileName().startsWith(QLatin1String(kTempGifPrefix)) &&
           QFileInfo(file.absolutePath()) == QFileInfo(QDir(tempFolder).absolutePath());
}

// Such files are removed as they are found and their pictures converted again, each time with a
// whole new make; a few times at most, so that a folder that loses every file ends it.
constexpr int kMostLostFrameCaches = 4;

}  // namespace

Result<MakeReport> makeFromPlan(const MakePlan& plan, const MakeOptions& options, const MakeEvents& events)
{
    Result<MakeReport> made = makeOnce(plan, options, events);
    for (int again = 0; again < kMostLostFrameCaches && !made && isLostFrameCache(made.error(), options.tempFolder); ++again) {
        const QString& lost = made.error().file;
        if (!QFile::remove(lost) && QFileInfo::exists(lost))
            break;
        made = makeOnce(plan, options, events);
    }
    return made;
}

Result<MakeReport> makeAnimatedGif(const FrameList& frames, const ProjectProperties& properties, const QString& output,
                                   const MakeOptions& options, const MakeEvents& events)
{
    const Result<MakePlan> plan = planMake(frames, properties, output, options);
    if (!plan)
        return plan.error();
    return makeFromPlan(plan.value(), options, events);
}

}  // namespace pictoreel
