// The captions on the frame view `wpdlx1`: the made frame shown with the project's captions
// drawn on it as the make draws them, and a caption dragged with the mouse to a point of its own
// (its place becomes "at a point" with the x and y where it was dropped).
#pragma once

#include "core/base/image.h"
#include "core/project/caption_layer.h"
#include "gui/widgets/image_view.h"

#include <functional>

namespace pictoreel {

class ImagingComponent;

class CaptionPlacer final : public ImageViewTool {
public:
    // `placed` gets the layers once a drag has moved one.
    CaptionPlacer(ImagingComponent& view, std::function<void(const CaptionLayers&)> placed);

    // Shows `frame` (frame number `frameNumber`, 1-based) with `layers` drawn on it.
    void show(RgbaImage frame, const CaptionLayers& layers, int frameNumber);
    // Nothing to place while the view shows no frame of this placer's.
    void forget();

    bool press(QPointF at) override;
    void move(QPointF at) override;
    void release(QPointF at) override;
    Qt::CursorShape cursorAt(QPointF at) const override;

private:
    // The topmost layer drawn at `at` on the shown frame, or -1.
    int layerAt(QPointF at) const;
    void draw();

    ImagingComponent& view_;
    std::function<void(const CaptionLayers&)> placed_;
    RgbaImage frame_;  // the frame without captions
    CaptionLayers layers_;
    int frameNumber_ = 0;
    int dragged_ = -1;
    QPointF pressedAt_;
    int startX_ = 0, startY_ = 0;  // the dragged block's corner when it was pressed
};

// Moves `layer` so that its block's top left corner is at (x, y) of a frame of that size: its
// place becomes a point.
void placeCaptionAt(CaptionLayer& layer, int x, int y, int frameWidth, int frameHeight);

}  // namespace pictoreel
