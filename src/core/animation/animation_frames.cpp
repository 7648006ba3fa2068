#include "core/animation/animation_frames.h"

namespace pictoreel {

AnimationFrames::AnimationFrames(std::vector<AnimationFrameSource> frames)
{
    delays_.reserve(frames.size());
    files_.reserve(frames.size());
    for (AnimationFrameSource& f : frames) {
        delays_.push_back(f.delayCentiseconds);
        files_.emplace_back(MadeFrame{std::move(f.fileName), nullptr, nullptr});
    }
}

AnimationFrames::AnimationFrames(std::vector<int> delays, FileOnceReady fileOnceReady)
    : delays_(std::move(delays)), fileOnceReady_(std::move(fileOnceReady)), files_(delays_.size())
{
}

const MadeFrame& AnimationFrames::made(std::size_t k) const
{
    std::optional<MadeFrame>& frame = files_.at(k);
    if (!frame)
        frame = fileOnceReady_(k);
    return *frame;
}

const QString& AnimationFrames::file(std::size_t k) const { return made(k).file; }

const std::shared_ptr<const std::vector<std::uint8_t>>& AnimationFrames::indices(std::size_t k) const
{
    return made(k).indices;
}

std::shared_ptr<const RgbaImage> AnimationFrames::source(std::size_t k) const
{
    const MadeFrame& frame = made(k);
    if (frame.source || !sourceFor_ || frame.file.isEmpty())
        return frame.source;
    return sourceFor_(k);
}

void AnimationFrames::keepSource(std::size_t k, std::shared_ptr<const RgbaImage> source) const
{
    const_cast<MadeFrame&>(made(k)).source = std::move(source);
}

void AnimationFrames::forget(std::size_t k) const
{
    if (std::optional<MadeFrame>& frame = files_.at(k)) {
        frame->indices.reset();
        frame->source.reset();
    }
}

}  // namespace pictoreel
