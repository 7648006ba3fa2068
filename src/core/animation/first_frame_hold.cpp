#include "core/animation/first_frame_hold.h"

#include "core/animation/background_disposal.h"

namespace pictoreel::animation {

Status FirstFrameHold::add(GifFrameDescription frame)
{
    const bool first = first_;
    first_ = false;
    if (first && mayShowTransparency_ && frame.image.transparentIndex < 0 && writtenTableSize(frame, globalPalette_) < 256) {
        held_.push_back(std::move(frame));
        return {};
    }
    if (held_.empty())
        return writer_.addFrame(frame);
    if (frame.disposal == GifDisposal::RestoreBackground)
        nameTransparentIndex(held_.front(), globalPalette_, IndexCost::ALongerTable);
    heldBytes_ += frame.compressed ? static_cast<std::size_t>(frame.compressed->subBlocks.size()) : frame.image.indices.size();
    const bool named = held_.front().image.transparentIndex >= 0;
    held_.push_back(std::move(frame));
    return named || heldBytes_ > kMostHeldBytes ? writeHeld() : Status{};
}

Status FirstFrameHold::finish() { return writeHeld(); }

Status FirstFrameHold::writeHeld()
{
    for (const GifFrameDescription& frame : held_)
        if (Status s = writer_.addFrame(frame); !s)
            return s;
    held_.clear();
    heldBytes_ = 0;
    return {};
}

}  // namespace pictoreel::animation
