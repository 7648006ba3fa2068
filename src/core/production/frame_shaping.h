// What a make does to each picture beyond fitting it: the part of it kept, its turn and flip, and
// the captions drawn over its frame; in that order: the crop in the picture's own pixels, then
// the turn, then the fit to the frame's size, then the captions in the frame's pixels. The make,
// the window's frame view and its Preview all shape pictures with these functions.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/project/caption_layer.h"
#include "core/project/crop_region.h"
#include "core/project/frame_style.h"
#include "core/project/frame_values.h"
#include "core/project/orientation.h"

#include <QString>

#include <optional>

namespace pictoreel {

class ImagingComponent;

struct FrameShaping {
    std::optional<CropRegion> crop;
    Orientation orientation;
    // The layers drawn on this frame, each shown on every frame (their ranges already applied).
    CaptionLayers captions;

    bool isDefault() const { return !crop && orientation.isIdentity() && captions.empty(); }
    bool operator==(const FrameShaping&) const = default;
};

// The shaping of frame number `frameNumber` (1-based) of a make with this crop, orientation and
// these captions: the captions that show on it, with text.
FrameShaping frameShapingFor(const std::optional<CropRegion>& crop, Orientation orientation,
                             const CaptionLayers& captions, int frameNumber);

// What a shaping adds to a cache file's name and record: empty for the default, else "_k_" and
// the crop, "_o_" and the turn (with "m" when mirrored), and the captions' tag, each when set.
QString frameShapingTag(const FrameShaping& shaping);

// A loaded picture cropped (in its own pixels, see cropRectIn) and turned: what is then fitted to
// the frame.
RgbaImage shapePicture(const RgbaImage& picture, const std::optional<CropRegion>& crop, Orientation orientation);

// Makes the frame of `picture` the current picture of `worker`: loaded (at a reduced scale only
// when nothing is cropped), shaped, fitted to `size` as `style` says, with the captions drawn
// over it; its colours are not reduced yet. Errors: those of LoadImage and FitImage.
Status loadShapedFrame(ImagingComponent& worker, const QString& picture, const FrameSize& size, const FrameStyle& style,
                       const FrameShaping& shaping);

}  // namespace pictoreel
