// Pictures of an X11 display, read through the MIT shared-memory extension (one copy, no
// round trip of the pixels through the socket; plain GetImage where the display is remote), the
// pointer drawn in from XFixes' cursor image.
#pragma once

#include "core/capture/frame_grabber.h"

#include <memory>
#include <vector>

namespace pictoreel {

// Why recording from the X11 display `display` (DISPLAY when empty) cannot work, or nothing when
// it can.
std::optional<QString> x11RecordingUnavailable(const QString& display = {});

struct X11Window {
    std::uint32_t id = 0;
    QString title;
    CaptureRect rect;  // on its screen
};

// The managed top-level windows of the display's first screen (as the window manager lists
// them, or the mapped children of the root without one), with a title, in stacking order.
Result<std::vector<X11Window>> listX11Windows(const QString& display = {});

// A grabber of `target` on `display` (DISPLAY when empty). A window is followed where it moves
// and keeps the size it had when recording started. Errors: FileNotFound when the display cannot
// be opened, InvalidArgument for a screen, window or region that is not there (a region must lie
// on its screen), UnsupportedFormat for a display of other than 24 or 32 bits a pixel.
Result<std::unique_ptr<FrameGrabber>> openX11Grabber(const CaptureTarget& target, bool drawPointer, const QString& display = {});

}  // namespace pictoreel
