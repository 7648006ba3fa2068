#include "core/project/picture_placement.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pictoreel {

namespace {

// The whole pixels between rounded edges, within `bounds` and at least one pixel of it.
PixelRect pixelsWithin(double left, double top, double right, double bottom, const PixelRect& bounds)
{
    const auto clampedX = [&](double v) { return std::clamp(static_cast<int>(std::lround(v)), bounds.x, bounds.x + bounds.width); };
    const auto clampedY = [&](double v) { return std::clamp(static_cast<int>(std::lround(v)), bounds.y, bounds.y + bounds.height); };
    int x0 = clampedX(std::min(left, right)), x1 = clampedX(std::max(left, right));
    int y0 = clampedY(std::min(top, bottom)), y1 = clampedY(std::max(top, bottom));
    if (x1 == x0)
        x0 = std::min(x0, bounds.x + bounds.width - 1), x1 = x0 + 1;
    if (y1 == y0)
        y0 = std::min(y0, bounds.y + bounds.height - 1), y1 = y0 + 1;
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

PicturePlacement::PicturePlacement(int pictureWidth, int pictureHeight, Orientation orientation, int frameWidth,
                                   int frameHeight, FitMode fit)
    : pictureWidth_(std::max(1, pictureWidth)), pictureHeight_(std::max(1, pictureHeight)), orientation_(orientation)
{
    const bool swap = swapsSides(orientation);
    fit_ = planFit(swap ? pictureHeight_ : pictureWidth_, swap ? pictureWidth_ : pictureHeight_, std::max(1, frameWidth),
                   std::max(1, frameHeight), fit);
    const int right = std::min(fit_.target.x + fit_.target.width, std::max(1, frameWidth));
    const int bottom = std::min(fit_.target.y + fit_.target.height, std::max(1, frameHeight));
    shown_ = {std::max(0, fit_.target.x), std::max(0, fit_.target.y), 0, 0};
    shown_.width = std::max(1, right - shown_.x), shown_.height = std::max(1, bottom - shown_.y);
}

// Edges are lines between pixels: a picture of width w has its left edge at 0 and its right at w.
// Mirrored, x becomes w - x; each clockwise quarter turn of a w x h picture takes (x, y) to
// (h - y, x) of an h x w one.
PicturePlacement::Edges PicturePlacement::toFrame(const Edges& picture) const
{
    double x0 = picture.left, y0 = picture.top, x1 = picture.right, y1 = picture.bottom;
    double w = pictureWidth_, h = pictureHeight_;
    if (orientation_.mirrored)
        x0 = w - x0, x1 = w - x1;
    for (int turn = 0; turn < orientation_.quarterTurns % 4; ++turn) {
        x0 = h - std::exchange(y0, x0);
        x1 = h - std::exchange(y1, x1);
        std::swap(w, h);
    }
    const FitRect& s = fit_.source;
    const FitRect& t = fit_.target;
    const double sx = double(t.width) / s.width, sy = double(t.height) / s.height;
    return {t.x + (x0 - s.x) * sx, t.y + (y0 - s.y) * sy, t.x + (x1 - s.x) * sx, t.y + (y1 - s.y) * sy};
}

PicturePlacement::Edges PicturePlacement::toPicture(const Edges& frame) const
{
    const FitRect& s = fit_.source;
    const FitRect& t = fit_.target;
    const double sx = double(s.width) / t.width, sy = double(s.height) / t.height;
    double x0 = s.x + (frame.left - t.x) * sx, y0 = s.y + (frame.top - t.y) * sy;
    double x1 = s.x + (frame.right - t.x) * sx, y1 = s.y + (frame.bottom - t.y) * sy;
    // Back through the turns, each one to the left: (x, y) of a w x h picture to (y, w - x) of an h x w one.
    const bool swap = swapsSides(orientation_);
    double w = swap ? pictureHeight_ : pictureWidth_, h = swap ? pictureWidth_ : pictureHeight_;
    for (int turn = 0; turn < orientation_.quarterTurns % 4; ++turn) {
        y0 = w - std::exchange(x0, y0);
        y1 = w - std::exchange(x1, y1);
        std::swap(w, h);
    }
    if (orientation_.mirrored)
        x0 = w - x0, x1 = w - x1;
    return {x0, y0, x1, y1};
}

PixelRect PicturePlacement::onFrame(const PixelRect& inPicture) const
{
    const Edges e = toFrame({double(inPicture.x), double(inPicture.y), double(inPicture.x + inPicture.width),
                             double(inPicture.y + inPicture.height)});
    return pixelsWithin(e.left, e.top, e.right, e.bottom, shown_);
}

PixelRect PicturePlacement::inPicture(const PixelRect& onFrame) const
{
    // Only what is shown: Contain's bars show nothing of the picture.
    const double left = std::clamp(onFrame.x, shown_.x, shown_.x + shown_.width);
    const double right = std::clamp(onFrame.x + onFrame.width, shown_.x, shown_.x + shown_.width);
    const double top = std::clamp(onFrame.y, shown_.y, shown_.y + shown_.height);
    const double bottom = std::clamp(onFrame.y + onFrame.height, shown_.y, shown_.y + shown_.height);
    const Edges e = toPicture({left, top, right, bottom});
    return pixelsWithin(e.left, e.top, e.right, e.bottom, {0, 0, pictureWidth_, pictureHeight_});
}

}  // namespace pictoreel
