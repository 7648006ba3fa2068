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

// A make never writes over one of its own inputs.
Status checkOutputIsNoInput(const std::vector<FrameValues>& frames, const QString& output, const QString& projectFile)
{
    const FileMatcher outputFile(output);
    if (outputFile.matches(projectFile))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The output file %1 is the project file. Choose another output file.").arg(output));
    for (std::size_t k = 0; k < frames.size(); ++k) {
        if (outputFile.matches(frames[k].picture))
            return makeError(ErrorCode::InvalidArgument,
                             QStringLiteral("The output file %1 is the picture of frame %2. Choose another output file.")
                                 .arg(output)
                                 .arg(k + 1));
    }
    // "make" typed for "project": an animation never replaces a project.
    if (holdsProject(output))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The output file %1 is a project. Choose another output file.").arg(output));
    return {};
}

}  // namespace

std::optional<std::int64_t> sizeBudgetFor(const ProjectProperties& properties)
{
    return properties.maxSize.trimmed().isEmpty() ? std::nullopt : byteSizeFromText(properties.maxSize);
}


namespace {

// Writes the assembled frames to `output`: a copy of the same animation made before when the temp
// folder still has it, else through the assembler, keeping a copy for the next time.
Status writeAnimation(const std::vector<AnimationFrameSource>& frames, const AnimationSettings& settings,
                      const QString& output, const MakeOptions& options, const std::function<void(int)>& saveProgress)
{
    const auto stopped = [&options] { return options.stopRequested && options.stopRequested(); };
    const QString cached = cachedAnimationPath(options.tempFolder, frames, settings);
    if (stopped())
        return makeCancelled();
    if (!cached.isEmpty() && copyCachedAnimation(cached, output, saveProgress))
        return {};
    const Status saved = AnimationAssembler(frames, settings).save(output, [&](int percent) {
        if (percent < 100 && stopped())
            return false;
        if (saveProgress)
            saveProgress(percent);
        return true;
    });
    if (!saved)
        return saved.error().code == ErrorCode::Cancelled ? makeCancelled() : saved.error();
    if (!cached.isEmpty())
        keepAnimation(output, cached);
    return {};
}

Result<MakeReport> makeGifOnce(const FrameList& frames, const ProjectProperties& properties, const QString& output,
                               const MakeOptions& options, const MakeEvents& events)
{
    const int rows = frames.rowCount();
    if (rows < 2)
        return makeError(ErrorCode::InvalidArgument, QLatin1String(kTooFewFramesToMake));
    if (output.trimmed().isEmpty())
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("No output file is set."));
    const Result<FrameSize> size = frameSizeFromTexts(properties.width, properties.height);
    if (!size)
        return size.error();
    std::vector<FrameValues> values;
    values.reserve(static_cast<std::size_t>(rows));
    for (int row = 1; row <= rows; ++row)
        values.push_back(frameValuesAt(frames, row));
    if (Status s = checkOutputIsNoInput(values, output, options.projectFile); !s)
        return s.error();
    if (isOtherAnimationOutput(output))
        return makeOtherAnimation(frames, properties, output, options, events);

    FrameStyle style = frameStyleFor(properties);
    style.colors = options.colors;
    style.dither = options.dither;
    std::vector<FrameConversion> conversions;
    conversions.reserve(values.size());
    for (const FrameValues& frame : values)
        conversions.push_back(frameConversionFor(frame, size.value(), options.tempFolder, style));
    const int jobs = options.jobsToUse();
    const std::optional<std::int64_t> budget = sizeBudgetFor(properties);
    if (!budget && !properties.maxSize.trimmed().isEmpty())
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The project's Max size \"%1\" is not a size in bytes such as 3000000, 500K or 2.5M.")
                             .arg(properties.maxSize.trimmed()));
    // Without a budget, the assembly runs beside the conversions and takes each frame's indices.
    ConversionPool pool(conversions, jobs, !budget);

    AnimationSettings settings;
    settings.loopCount = loopCountFor(properties);
    settings.lossy = options.lossy;
    // Each frame's colours are reduced on its own: what stays still keeps the screen's colours.
    settings.keepWithinPaletteCells = true;
    settings.mayShowTransparency =
        (style.fit == FitMode::Contain && !style.fitBackground) ||
        std::any_of(conversions.begin(), conversions.end(), [](const FrameConversion& c) { return c.transparent; });
    std::vector<AnimationFrameSource> animation;
    animation.reserve(static_cast<std::size_t>(rows));
    std::optional<EarlyAssembly> early;  // after the pool: it uses the pool until it is done

    MakeReport report;
    report.frames = rows;
    for (int row = 1; row <= rows; ++row) {
        const ConversionPool::FrameResult result = pool.waitFor(static_cast<std::size_t>(row - 1));
        switch (result.outcome) {
        case ConversionPool::Outcome::Missing:
            report.missing.push_back({row, conversions[static_cast<std::size_t>(row - 1)].picture});
            break;
        case ConversionPool::Outcome::Cached: ++report.cached; break;
        case ConversionPool::Outcome::Converted:
            ++report.converted;
            if (!early && !budget) {
                std::vector<int> delays;
                for (const FrameValues& v : values)
                    delays.push_back(animationDelay(v.interval));
                early.emplace(pool, std::move(delays), settings, options);
            }
            break;
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
    report.settings = {options.lossy, options.colors, size.value().width, size.value().height};
    if (early) {
        const QString cached = cachedAnimationPath(options.tempFolder, animation, settings);
        if (Status written = early->finish(output, cached, events.saveProgress); !written)
            return written.error();
        report.bytes = QFileInfo(output).size();
        return report;
    }
    if (budget) {
        const BudgetMake make{std::move(animation), settings, report.settings, options.tempFolder, jobs,
                              options.stopRequested, events.saveProgress};
        const Result<BudgetOutcome> made = makeWithinBudget(*budget, make, output);
        if (!made)
            return made.error();
        report.settings = made.value().chosen;
        report.attempts = made.value().attempts;
        report.bytes = made.value().bytes;
        report.budgeted = true;
        return report;
    }
    if (Status written = writeAnimation(animation, settings, output, options, events.saveProgress); !written)
        return written.error();
    report.bytes = QFileInfo(output).size();
    return report;
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

Result<MakeReport> makeAnimatedGif(const FrameList& frames, const ProjectProperties& properties, const QString& output,
                                   const MakeOptions& options, const MakeEvents& events)
{
    Result<MakeReport> made = makeGifOnce(frames, properties, output, options, events);
    for (int again = 0; again < kMostLostFrameCaches && !made && isLostFrameCache(made.error(), options.tempFolder); ++again) {
        const QString& lost = made.error().file;
        if (!QFile::remove(lost) && QFileInfo::exists(lost))
            break;
        made = makeGifOnce(frames, properties, output, options, events);
    }
    return made;
}

}  // namespace pictoreel
