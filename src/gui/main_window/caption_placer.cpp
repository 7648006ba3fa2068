#include "gui/main_window/caption_placer.h"

#include "core/captions/caption_drawing.h"
#include "core/media/imaging_component.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pictoreel {

void placeCaptionAt(CaptionLayer& layer, int x, int y, int frameWidth, int frameHeight)
{
    // The block may stand off the point by its outline or box: the point is corrected by that.
    layer.anchor = CaptionAnchor::Point;
    layer.x = x;
    layer.y = y;
    const CaptionBlock block = captionBlock(layer, frameWidth, frameHeight);
    layer.x = std::clamp(x - (block.x - x), -kCaptionMaxMargin, kCaptionMaxMargin);
    layer.y = std::clamp(y - (block.y - y), -kCaptionMaxMargin, kCaptionMaxMargin);
}

CaptionPlacer::CaptionPlacer(ImagingComponent& view, std::function<void(const CaptionLayers&)> placed)
    : view_(view), placed_(std::move(placed))
{
}

void CaptionPlacer::show(RgbaImage frame, const CaptionLayers& layers, int frameNumber)
{
    frame_ = std::move(frame);
    layers_ = layers;
    frameNumber_ = frameNumber;
    dragged_ = -1;
    draw();
}

void CaptionPlacer::forget()
{
    frame_ = {};
    layers_.clear();
    dragged_ = -1;
}

void CaptionPlacer::draw()
{
    RgbaImage shown = frame_;
    drawCaptions(shown, layers_, frameNumber_);
    view_.setImage(std::move(shown));
}

int CaptionPlacer::layerAt(QPointF at) const
{
    if (frame_.empty())
        return -1;
    const int x = static_cast<int>(std::floor(at.x())), y = static_cast<int>(std::floor(at.y()));
    for (int i = static_cast<int>(layers_.size()) - 1; i >= 0; --i) {
        const CaptionLayer& layer = layers_[i];
        if (layer.showsOn(frameNumber_) && captionBlock(layer, frame_.width, frame_.height).contains(x, y))
            return i;
    }
    return -1;
}

bool CaptionPlacer::press(QPointF at)
{
    dragged_ = layerAt(at);
    if (dragged_ < 0)
        return false;
    const CaptionBlock block = captionBlock(layers_[dragged_], frame_.width, frame_.height);
    pressedAt_ = at;
    startX_ = block.x;
    startY_ = block.y;
    return true;
}

void CaptionPlacer::move(QPointF at)
{
    if (dragged_ < 0)
        return;
    const QPointF by = at - pressedAt_;
    placeCaptionAt(layers_[dragged_], startX_ + static_cast<int>(std::lround(by.x())),
                   startY_ + static_cast<int>(std::lround(by.y())), frame_.width, frame_.height);
    draw();
}

void CaptionPlacer::release(QPointF at)
{
    if (dragged_ < 0)
        return;
    move(at);
    dragged_ = -1;
    if (at != pressedAt_ && placed_)
        placed_(layers_);
}

Qt::CursorShape CaptionPlacer::cursorAt(QPointF at) const
{
    return layerAt(at) >= 0 ? Qt::SizeAllCursor : Qt::ArrowCursor;
}

}  // namespace pictoreel
