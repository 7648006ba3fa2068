// Another grabber that is also finished once something outside it asks the recording to stop
// (a key of the desktop's): the recording ends as when the source goes.
#pragma once

#include "core/capture/frame_grabber.h"

#include <functional>
#include <memory>

namespace pictoreel {

// `stopAsked` is asked from the recording's thread; `keep` lives as long as the grabber.
std::unique_ptr<FrameGrabber> stoppableGrabber(std::unique_ptr<FrameGrabber> grabber, std::function<bool()> stopAsked,
                                               std::shared_ptr<void> keep = {});

}  // namespace pictoreel
