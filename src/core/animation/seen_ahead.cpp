#include "core/animation/seen_ahead.h"

namespace pictoreel::animation {

SeenAhead::~SeenAhead() { drop(); }

void SeenAhead::drop()
{
    if (seen_.valid())
        seen_.wait();
    seen_ = {};
    source_.reset();
}

void SeenAhead::start(std::shared_ptr<const RgbaImage> source)
{
    drop();
    if (!source)
        return;
    source_ = std::move(source);
    if (!lab_)
        lab_ = std::make_unique<LabCache>();
    seen_ = std::async(std::launch::async, [source = source_, lab = lab_.get()] { return seenSource(*source, *lab); });
}

SeenSource SeenAhead::take(const std::shared_ptr<const RgbaImage>& source, LabCache& lab)
{
    if (source && source == source_ && seen_.valid()) {
        SeenSource seen = seen_.get();
        source_.reset();
        return seen;
    }
    drop();
    return seenSource(*source, lab);
}

}  // namespace pictoreel::animation
