// Where a picture's pixels show on a frame made from it without a crop: the picture turned and
// flipped as the make turns it, then fitted to the frame as the make fits it. A rectangle drawn on
// that frame is the crop of the picture it shows, and a crop is shown on it, so that a crop is
// drawn on the frame as the user sees it while it is kept in the picture's own pixels.
#pragma once

#include "core/imaging/fitting.h"
#include "core/project/crop_region.h"
#include "core/project/orientation.h"

namespace pictoreel {

class PicturePlacement {
public:
    PicturePlacement(int pictureWidth, int pictureHeight, Orientation orientation, int frameWidth, int frameHeight,
                     FitMode fit);

    // The part of the frame the picture covers: all of it, but for Contain's bars.
    PixelRect shownArea() const { return shown_; }
    // The pixels of the frame that show this rectangle of the picture, within the shown area and
    // at least one pixel wide and high; edges are rounded to the nearest pixel.
    PixelRect onFrame(const PixelRect& inPicture) const;
    // The pixels of the picture this rectangle of the frame shows (the part of it outside the
    // shown area left out), at least one pixel wide and high; edges rounded to the nearest pixel.
    PixelRect inPicture(const PixelRect& onFrame) const;

private:
    struct Edges {
        double left, top, right, bottom;
    };
    Edges toFrame(const Edges& picture) const;
    Edges toPicture(const Edges& frame) const;

    int pictureWidth_, pictureHeight_;
    Orientation orientation_;
    FitPlan fit_;  // of the turned picture
    PixelRect shown_;
};

}  // namespace pictoreel
