// A part of what another grabber takes: the screen a portal shares, cut to the region asked for.
#pragma once

#include "core/capture/frame_grabber.h"

#include <memory>

namespace pictoreel {

// `region` in the whole's pixels; InvalidArgument when it does not lie on the whole.
Result<std::unique_ptr<FrameGrabber>> cropGrabber(std::unique_ptr<FrameGrabber> whole, const CaptureRect& region);

}  // namespace pictoreel
