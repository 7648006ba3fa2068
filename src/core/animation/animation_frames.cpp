#include "core/animation/animation_frames.h"

namespace pictoreel {

AnimationFrames::AnimationFrames(std::vector<AnimationFrameSource> frames)
{
    delays_.reserve(frames.size());
    files_.reserve(frames.size());
    for (AnimationFrameSource& f : frames) {
        delays_.push_back(f.delayCentiseconds);
        files_.emplace_back(std::move(f.fileName));
    }
}

AnimationFrames::AnimationFrames(std::vector<int> delays, FileOnceReady fileOnceReady)
    : delays_(std::move(delays)), fileOnceReady_(std::move(fileOnceReady)), files_(delays_.size())
{
}

const QString& AnimationFrames::file(std::size_t k) const
{
    std::optional<QString>& file = files_.at(k);
    if (!file)
        file = fileOnceReady_(k);
    return *file;
}

}  // namespace pictoreel
