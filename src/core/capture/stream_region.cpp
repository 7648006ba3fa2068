#include "core/capture/stream_region.h"

namespace pictoreel {

Result<CaptureRect> regionOnStream(const CaptureRect& region, const ScreenPlacement& placement, int pixelWidth, int pixelHeight)
{
    const std::int64_t logicalWidth = placement.width > 0 ? placement.width : pixelWidth;
    const std::int64_t logicalHeight = placement.height > 0 ? placement.height : pixelHeight;
    const std::int64_t left = std::int64_t(region.x) - placement.x, top = std::int64_t(region.y) - placement.y;
    if (region.width <= 0 || region.height <= 0 || left < 0 || top < 0 || left + region.width > logicalWidth ||
        top + region.height > logicalHeight)
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("The region %1x%2+%3+%4 does not lie on the shared screen (%5 x %6 at %7, %8)")
                             .arg(region.width).arg(region.height).arg(region.x).arg(region.y)
                             .arg(logicalWidth).arg(logicalHeight).arg(placement.x).arg(placement.y));
    // Edges rounded outwards: a pixel partly in the region belongs to it.
    const auto down = [](std::int64_t at, std::int64_t pixels, std::int64_t logical) { return int(at * pixels / logical); };
    const auto up = [](std::int64_t at, std::int64_t pixels, std::int64_t logical) { return int((at * pixels + logical - 1) / logical); };
    const int x0 = down(left, pixelWidth, logicalWidth), y0 = down(top, pixelHeight, logicalHeight);
    const int x1 = up(left + region.width, pixelWidth, logicalWidth), y1 = up(top + region.height, pixelHeight, logicalHeight);
    return CaptureRect{x0, y0, x1 - x0, y1 - y0};
}

}  // namespace pictoreel
