#include "core/animation/held_beside.h"

namespace pictoreel::animation {

HeldBeside::~HeldBeside()
{
    if (held_.valid())
        held_.wait();
}

void HeldBeside::start(std::shared_ptr<const RgbaImage> source, const std::vector<Rgb>& palette, const Picture& shown,
                       float reach, const ColourReduction& reduction)
{
    if (held_.valid())  // one not taken nor dropped
        held_.wait();
    held_ = {};
    job_ = Job{std::move(source), palette, &shown, reach, reduction};
    if (!likely_)
        return;
    if (!lab_)
        lab_ = std::make_unique<LabCache>();
    held_ = std::async(std::launch::async, [job = &job_, lab = lab_.get()] {
        return heldConversion(*job->source, job->palette, *job->shown, job->reach, job->reduction, *lab);
    });
}

std::optional<Picture> HeldBeside::take(LabCache& lab)
{
    likely_ = true;
    if (held_.valid())
        return held_.get();
    return heldConversion(*job_.source, job_.palette, *job_.shown, job_.reach, job_.reduction, lab);
}

void HeldBeside::drop()
{
    if (held_.valid()) {
        held_.wait();
        held_ = {};
    }
    likely_ = false;
}

}  // namespace pictoreel::animation
