#include "portal/recording_path.h"

#include "core/capture/cropped_grabber.h"
#include "core/capture/recording_session.h"
#include "core/capture/x11_grabber.h"

namespace pictoreel {

Result<RecordingPath> recordingPath(const QDBusConnection& bus)
{
    if (!isWaylandSession()) {
        if (const std::optional<QString> why = x11RecordingUnavailable())
            return makeError(ErrorCode::UnsupportedFormat, *why);
        return RecordingPath::X11;
    }
    if (const std::optional<QString> why = ScreenCastPortal(bus).unavailable(PortalSource::Monitor))
        return makeError(ErrorCode::UnsupportedFormat, *why);
    return RecordingPath::Portal;
}

std::optional<QString> screenRecordingUnavailable()
{
    const Result<RecordingPath> path = recordingPath();
    return path ? std::nullopt : std::optional(path.error().message);
}

Result<std::unique_ptr<FrameGrabber>> openSessionGrabber(const CaptureTarget& target, bool drawPointer)
{
    const Result<RecordingPath> path = recordingPath();
    if (!path)
        return path.error();
    if (path.value() == RecordingPath::X11)
        return openX11Grabber(target, drawPointer);
    const PortalSource kind = target.kind == CaptureTarget::Kind::Window ? PortalSource::Window : PortalSource::Monitor;
    Result<std::unique_ptr<FrameGrabber>> grabber = openPortalGrabber(kind, drawPointer);
    if (!grabber || target.kind != CaptureTarget::Kind::Region)
        return grabber;
    return cropGrabber(std::move(grabber).value(), target.region);
}

}  // namespace pictoreel
