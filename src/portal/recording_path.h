// How this session's screen is recorded: from the X11 display, or under Wayland through the
// ScreenCast portal; or, in words for the user, why it cannot be.
#pragma once

#include "core/capture/frame_grabber.h"
#include "portal/screencast_portal.h"

#include <optional>

namespace pictoreel {

enum class RecordingPath { X11, Portal };

// Errors: UnsupportedFormat with the reason.
Result<RecordingPath> recordingPath(const std::optional<QDBusConnection>& bus = std::nullopt);

// Why nothing can be recorded here, or nothing.
std::optional<QString> screenRecordingUnavailable();

// What is to be recorded, once the desktop knows: under X11 the target as it was asked for;
// through the portal the screen or window the user chose in the desktop's dialog, a region then
// cut from the shared screen. Nothing is taken from it before open(); its portal session is
// closed when it goes unopened.
class ChosenSource {
public:
    ChosenSource(CaptureTarget target, bool drawPointer, std::optional<PortalStream> stream = std::nullopt,
                 QDBusConnection bus = QDBusConnection::sessionBus());
    ChosenSource(ChosenSource&& other) noexcept;
    ChosenSource& operator=(ChosenSource&&) = delete;
    ChosenSource(const ChosenSource&) = delete;
    ~ChosenSource();

    const CaptureTarget& target() const { return target_; }
    // Once. Through the portal the grabber is also finished when the desktop's stop shortcut is
    // pressed (where the desktop has the portal for it). Errors: those of the grabbers; a region
    // that does not lie on the shared screen is InvalidArgument.
    Result<std::unique_ptr<FrameGrabber>> open();

private:
    CaptureTarget target_;
    bool drawPointer_;
    std::optional<PortalStream> stream_;
    QDBusConnection bus_;
};

// Asks the desktop what to record where it asks the user (the portal's dialog, for as long as
// the user takes, or until `givenUp` says the choice is no longer wanted). Errors: those of
// recordingPath() and ScreenCastPortal::start().
Result<ChosenSource> chooseSessionSource(const CaptureTarget& target, bool drawPointer,
                                         const QDBusConnection& bus = QDBusConnection::sessionBus(),
                                         std::function<bool()> givenUp = {});

// chooseSessionSource(), then open().
Result<std::unique_ptr<FrameGrabber>> openSessionGrabber(const CaptureTarget& target, bool drawPointer);

}  // namespace pictoreel
