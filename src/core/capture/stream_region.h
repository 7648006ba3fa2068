// Where a region of the desktop lies on the pictures of one shared screen. The desktop counts in
// logical units over all its screens; a shared screen sits at its place among them with its
// logical size, and its stream may hold more pixels than that (a scaled screen).
#pragma once

#include "core/capture/frame_grabber.h"

namespace pictoreel {

struct ScreenPlacement {
    int x = 0, y = 0;           // the screen's top left on the desktop
    int width = 0, height = 0;  // its logical size; 0: as many as the stream's pixels
};

// `region` (desktop units) in the pixels of a `pixelWidth` x `pixelHeight` stream of the screen
// at `placement`; a region edge between two pixels takes the whole pixel. InvalidArgument when
// the region does not lie wholly on that screen.
Result<CaptureRect> regionOnStream(const CaptureRect& region, const ScreenPlacement& placement, int pixelWidth, int pixelHeight);

}  // namespace pictoreel
