#include "core/production/make_gif.h"

#include "core/animation/animation_assembler.h"
#include "core/production/animation_cache.h"
#include "core/production/budget_make.h"
#include "core/production/conversion_pool.h"
#include "core/production/frame_cache_names.h"
#include "core/production/make_other_formats.h"
#include "core/base/file_identity.h"
#include "core/project/numbers.h"
#include "core/project/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <future>
#include <optional>
#include <thread>

namespace pictoreel {

namespace {

// A make never writes over one of its own inputs.
Status checkOutputIsNoInput(const std::vector<FrameValues>& frames, const QString& output, const QString& projectFile)
{
    if (sameFile(output, projectFile))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The output file %1 is the project file. Choose another output file.").arg(output));
    for (std::size_t k = 0; k < frames.size(); ++k) {
        if (sameFile(output, frames[k].picture))
            return makeError(ErrorCode::InvalidArgument,
                             QStringLiteral("The output file %1 is the picture of frame %2. Choose another output file.")
                                 .arg(output)
                                 .arg(k + 1));
    }
    return {};
}

}  // namespace

std::optional<std::int64_t> sizeBudgetFor(const ProjectProperties& properties)
{
    return properties.maxSize.trimmed().isEmpty() ? std::nullopt : byteSizeFromText(properties.maxSize);
}


namespace {

Error makeCancelled() { return makeError(ErrorCode::Cancelled, QStringLiteral("The make was cancelled.")); }

// The assembly of a make that had to convert frames, run beside the conversions: it takes each
// frame as the pool finishes it, into a file of the temp folder. No animation made before can
// match frames converted now, so there is no cached copy to look for; the file becomes the
// cached copy once it has been copied to the output. Its progress is told once every frame is
// converted, and a stop asked for until the copy still leaves the output alone.
class EarlyAssembly {
public:
    EarlyAssembly(ConversionPool& pool, std::vector<int> delays, const AnimationSettings& settings,
                  const MakeOptions& options)
        : file_(uniqueTempAnimationPath(options.tempFolder)),
          stopped_([&options] { return options.stopRequested && options.stopRequested(); })
    {
        AnimationFrames frames(std::move(delays), [&pool](std::size_t k) { return pool.waitFor(k).gif; });
        done_ = std::async(std::launch::async, [this, frames = std::move(frames), settings]() mutable {
            return AnimationAssembler(std::move(frames), settings).save(file_, [this](int percent) {
                percent_ = percent;
                return percent == 100 || !stopped_();
            });
        });
    }

    ~EarlyAssembly()
    {
        if (done_.valid())
            done_.wait();
        QFile::remove(file_);
    }

    // Waits for the animation, telling `saveProgress` how far it got, and puts it at `output`,
    // keeping it as `cached` (when not empty).
    Status finish(const QString& output, const QString& cached, const std::function<void(int)>& saveProgress)
    {
        int told = -1;
        for (;;) {
            if (stopped_())  // the assembly stops too, at its next frame
                return makeCancelled();
            if (done_.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready)
                break;
            tell(saveProgress, told);
        }
        const Status saved = done_.get();
        if (!saved)
            return saved.error().code == ErrorCode::Cancelled ? Status(makeCancelled()) : saved;
        tell(saveProgress, told);
        if (stopped_())
            return makeCancelled();
        if (!copyCachedAnimation(file_, output, saveProgress))
            return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1").arg(output));
        if (!cached.isEmpty())
            adoptAnimation(file_, cached);
        return {};
    }

private:
    // Up to 99: the 100 is the output's, once it is complete.
    void tell(const std::function<void(int)>& saveProgress, int& told) const
    {
        const int percent = std::min(percent_.load(), 99);
        if (saveProgress && percent > told)
            saveProgress(told = percent);
    }

    QString file_;
    std::function<bool()> stopped_;
    std::atomic<int> percent_{-1};
    std::future<Status> done_;
};

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

}  // namespace

Result<MakeReport> makeAnimatedGif(const FrameList& frames, const ProjectProperties& properties, const QString& output,
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
    const int jobs = options.jobs > 0 ? options.jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    ConversionPool pool(conversions, jobs);

    AnimationSettings settings;
    settings.loopCount = loopCountFor(properties);
    settings.lossy = options.lossy;
    std::vector<AnimationFrameSource> animation;
    animation.reserve(static_cast<std::size_t>(rows));
    const std::optional<std::int64_t> budget = sizeBudgetFor(properties);
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

}  // namespace pictoreel
