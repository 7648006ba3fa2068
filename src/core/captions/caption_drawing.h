// Captions drawn onto frames without a display: Pango lays the text out (HarfBuzz shapes it,
// fontconfig finds the fonts, right-to-left runs and combining marks included) and Cairo draws
// it, antialiased, with its outline and box. The window's view and the make draw the same pixels.
#pragma once

#include "core/base/image.h"
#include "core/project/caption_layer.h"

#include <QString>

namespace pictoreel {

// A rectangle of a frame in pixels; it may reach past the frame's edges.
struct CaptionBlock {
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};

// Where `layer` stands on a frame of `frameWidth` x `frameHeight` pixels that is `scale` times the
// project's size (sizes, margins and points scale with it): the text with its outline, and its
// box when it has one. Empty for a layer without text.
CaptionBlock captionBlock(const CaptionLayer& layer, int frameWidth, int frameHeight, double scale = 1.0);

// Draws over `frame` the layers of `layers` that show on frame number `frameNumber` (1-based), in
// order (later ones over earlier ones), blended by their antialiased edges; pixels outside their
// blocks stay as they were. A transparent pixel under a caption takes the caption's colour and
// coverage.
void drawCaptions(RgbaImage& frame, const CaptionLayers& layers, int frameNumber, double scale = 1.0);

// What a cached frame's name and record say of the captions drawn on it: empty for none, else a
// digest of every field of every layer and of the drawing's version, so that a change of any of
// them, or of how captions are drawn, makes the frame again.
QString captionsCacheTag(const CaptionLayers& drawn);

// The layers of `layers` that show on frame number `frameNumber` (1-based) and have text.
CaptionLayers captionsOnFrame(const CaptionLayers& layers, int frameNumber);

}  // namespace pictoreel
