// How this session's screen is recorded: from the X11 display, or under Wayland through the
// ScreenCast portal; or, in words for the user, why it cannot be.
#pragma once

#include "core/capture/frame_grabber.h"
#include "portal/screencast_portal.h"

namespace pictoreel {

enum class RecordingPath { X11, Portal };

// Errors: UnsupportedFormat with the reason.
Result<RecordingPath> recordingPath(const QDBusConnection& bus = QDBusConnection::sessionBus());

// Why nothing can be recorded here, or nothing.
std::optional<QString> screenRecordingUnavailable();

// A grabber of `target` on the path this session records by. Through the portal the desktop
// asks the user which screen (Screen, Region) or window (Window) to share; a region is then cut
// from the shared screen.
Result<std::unique_ptr<FrameGrabber>> openSessionGrabber(const CaptureTarget& target, bool drawPointer);

}  // namespace pictoreel
