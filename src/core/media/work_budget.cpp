#include "core/media/work_budget.h"

#include <algorithm>
#include <limits>

namespace pictoreel {

Status checkWorkBudget(const QString& what, std::int64_t frames, int width, int height, const WorkBudget& budget)
{
    if (frames > budget.maxFrames)
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("%1 has %2 frames, more than the frame budget of %3")
                                                       .arg(what)
                                                       .arg(frames)
                                                       .arg(budget.maxFrames));
    const std::int64_t area = std::int64_t{width} * height;
    // frames x area without overflow: both are far below 2^63 on their own.
    if (area > 0 && frames > budget.maxPixels / area)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("%1 has %2 frames of %3 x %4 pixels, more than the pixel budget of %5 pixels")
                             .arg(what)
                             .arg(frames)
                             .arg(width)
                             .arg(height)
                             .arg(budget.maxPixels));
    return {};
}

GifDecodeLimits gifLimitsWithin(const WorkBudget& budget)
{
    GifDecodeLimits limits;
    limits.maxFrames = static_cast<int>(std::clamp<std::int64_t>(budget.maxFrames, limits.maxFrames,
                                                                 std::numeric_limits<int>::max()));
    limits.maxTotalFramePixels = std::max(limits.maxTotalFramePixels, budget.maxPixels);
    return limits;
}

ffmpeg::VideoLimits videoLimitsWithin(const WorkBudget& budget)
{
    ffmpeg::VideoLimits limits;
    limits.maxFrames = static_cast<int>(std::clamp<std::int64_t>(budget.maxFrames, 1, std::numeric_limits<int>::max()));
    limits.maxTotalPixels = budget.maxPixels;
    return limits;
}

}  // namespace pictoreel
