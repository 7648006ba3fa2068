#include "gui/main_window/merge_repeated_command.h"

#include "core/project/sequence_edits.h"
#include "core/production/repeated_frames.h"

#include <QProgressBar>

#include <memory>
#include <optional>

namespace pictoreel {

MergeRepeatedCommand::MergeRepeatedCommand(Host host, QObject* parent) : QObject(parent), host_(std::move(host)) {}

void MergeRepeatedCommand::start(std::vector<FrameConversion> conversions, int jobs)
{
    const auto total = static_cast<int>(conversions.size());
    auto repeats = std::make_shared<std::optional<std::vector<bool>>>();
    auto work = [job = &job_, repeats, conversions = std::move(conversions), jobs, total]() mutable {
        RepeatSearch search;
        search.jobs = jobs;
        search.stopRequested = [job] { return job->stopRequested(); };
        search.frameCompared = [job, total](std::size_t compared) { job->report(int(compared * 100 / std::size_t(total))); };
        *repeats = findRepeatedFrames(std::move(conversions), search);
    };
    host_.setRunning(true);
    const bool started = job_.start(
        std::move(work), [this](int value) { host_.pbPer->setValue(value); },
        [this, repeats] {
            host_.pbPer->setValue(0);
            host_.setRunning(false);
            if (*repeats && !job_.stopRequested()) {
                const std::vector<bool>& same = **repeats;
                if (mergeRepeatedFrames(*host_.frames, [&same](int, int row) { return same.at(std::size_t(row - 1)); }) > 0 &&
                    host_.merged)
                    host_.merged();
            }
            Q_EMIT finished();
        });
    if (!started)
        host_.setRunning(false);
}

void MergeRepeatedCommand::cancelAndWait()
{
    job_.cancel();
    job_.finishNow();
}

}  // namespace pictoreel
