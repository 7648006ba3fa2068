#include "core/production/early_assembly.h"

#include "core/animation/animation_assembler.h"
#include "core/production/animation_cache.h"
#include "core/production/frame_cache_names.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <utility>

namespace pictoreel {

EarlyAssembly::EarlyAssembly(ConversionPool& pool, std::vector<int> delays, const AnimationSettings& settings,
                             const MakeOptions& options,
                             AnimationFrames::SourceFor sourceFor)
    : file_(uniqueTempAnimationPath(options.tempFolder)),
      stopped_([&options] { return options.stopRequested && options.stopRequested(); })
{
    removeFilesOfEndedRuns(options.tempFolder);  // what makes killed part way left
    AnimationFrames frames(std::move(delays), [&pool](std::size_t k) {
        QString file = pool.waitFor(k).gif;
        ConversionPool::Written written = pool.takeWritten(k);
        return MadeFrame{std::move(file), std::move(written.indices), std::move(written.source)};
    });
    frames.setSourceFor(std::move(sourceFor));
    done_ = std::async(std::launch::async, [this, &pool, frames = std::move(frames), settings]() mutable {
        Status saved = AnimationAssembler(std::move(frames), settings).save(file_, [this](int percent) {
            percent_ = percent;
            return percent == 100 || !stopped_();
        });
        pool.stopKeepingWritten();  // however it ended, nothing takes the frames' indices any more
        return saved;
    });
}

EarlyAssembly::~EarlyAssembly()
{
    if (done_.valid())
        done_.wait();
    if (!file_.isEmpty())
        QFile::remove(file_);
}

Result<ReadyAnimation> EarlyAssembly::finish(const QString& cached, const std::function<void(int)>& saveProgress)
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
        return saved.error().code == ErrorCode::Cancelled ? makeCancelled() : saved.error();
    tell(saveProgress, told);
    ReadyAnimation ready{std::exchange(file_, QString()), false, cached};
    return ready;
}

// Up to 99: the 100 is the output's, once it is complete.
void EarlyAssembly::tell(const std::function<void(int)>& saveProgress, int& told) const
{
    const int percent = std::min(percent_.load(), 99);
    if (saveProgress && percent > told)
        saveProgress(told = percent);
}

}  // namespace pictoreel
