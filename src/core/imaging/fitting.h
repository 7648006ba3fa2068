// Pictures of another shape than their frame: how much of the picture is used, how large it is
// scaled and where it lands in the frame.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <array>
#include <cstdint>

namespace pictoreel {

// Stretched to the frame; fitted inside it whole, keeping its proportions, with bars beside it;
// or filling it, keeping its proportions, with the overhang cut off equally on both sides.
enum class FitMode { Stretch, Contain, Cover };

struct FitRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const FitRect&) const = default;
};

// The part of a picture that is used (`source`, in its pixels) and where it goes, scaled, in the
// frame (`target`, in the frame's pixels). Contain uses the whole picture and centres it (half a
// pixel of odd room goes to the bottom and right); Cover fills the frame with the centred part of
// the picture of the frame's proportions; Stretch uses the whole picture for the whole frame.
// Sides are at least one pixel.
struct FitPlan {
    FitRect source;
    FitRect target;
};
FitPlan planFit(int pictureWidth, int pictureHeight, int frameWidth, int frameHeight, FitMode mode);

// The size the whole picture is scaled to on its way into the frame: the target of Contain, the
// frame for Stretch, and for Cover the picture scaled to cover the frame (its part outside the
// frame still on). A picture already of that size is fitted without any further scaling.
struct FitSize {
    int width = 0;
    int height = 0;
};
FitSize scaledPictureSize(int pictureWidth, int pictureHeight, int frameWidth, int frameHeight, FitMode mode);

// `picture` made a width x height frame as `mode` says, scaled as resampleImage scales; Contain's
// bars are `bars` (RGBA). Errors: those of resampleImage.
Result<RgbaImage> fitPicture(const RgbaImage& picture, int width, int height, FitMode mode,
                             const std::array<std::uint8_t, 4>& bars);

}  // namespace pictoreel
