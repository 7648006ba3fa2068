// Pictures from a PipeWire video stream, as a screen-sharing portal hands one out: the remote's
// file descriptor and the stream's node. The stream runs on a thread of PipeWire's own; each
// picture it brings (shared-memory buffers, in any of the 4-byte RGB layouts) replaces the one
// kept, and grab() gives the one kept. The size is the stream's first: when the source is
// resized later, the pictures are cut to it or filled out with black. When the stream ends (the
// screen or window is gone, the user stopped sharing) the grabber is finished.
#pragma once

#include "core/capture/frame_grabber.h"

#include <functional>
#include <memory>

namespace pictoreel {

// `fd` is the grabber's from now on (closed by it, also on failure). `whenDone` runs once the
// stream is closed, when the grabber goes (the portal's session is closed there). Errors:
// LibraryFailure when the remote cannot be reached or no picture comes within `waitMs`.
Result<std::unique_ptr<FrameGrabber>> openPipeWireGrabber(int fd, std::uint32_t node, std::function<void()> whenDone = {},
                                                          int waitMs = 5000);

}  // namespace pictoreel
