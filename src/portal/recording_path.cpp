#include "portal/recording_path.h"

#include "core/capture/cropped_grabber.h"
#include "core/capture/recording_session.h"
#include "core/capture/stoppable_grabber.h"
#include "core/capture/stream_region.h"
#include "core/capture/x11_grabber.h"
#include "portal/stop_shortcut.h"

#include <unistd.h>

namespace pictoreel {

// The session bus is only connected to under Wayland: an X11 session never needs it.
Result<RecordingPath> recordingPath(const std::optional<QDBusConnection>& bus)
{
    if (!isWaylandSession()) {
        if (const std::optional<QString> why = x11RecordingUnavailable())
            return makeError(ErrorCode::UnsupportedFormat, *why);
        return RecordingPath::X11;
    }
    if (const std::optional<QString> why = ScreenCastPortal(bus ? *bus : QDBusConnection::sessionBus()).unavailable(PortalSource::Monitor))
        return makeError(ErrorCode::UnsupportedFormat, *why);
    return RecordingPath::Portal;
}

std::optional<QString> screenRecordingUnavailable()
{
    const Result<RecordingPath> path = recordingPath();
    return path ? std::nullopt : std::optional(path.error().message);
}

ChosenSource::ChosenSource(CaptureTarget target, bool drawPointer, std::optional<PortalStream> stream, QDBusConnection bus)
    : target_(std::move(target)), drawPointer_(drawPointer), stream_(std::move(stream)), bus_(std::move(bus))
{
}

ChosenSource::ChosenSource(ChosenSource&& other) noexcept
    : target_(other.target_), drawPointer_(other.drawPointer_), stream_(std::exchange(other.stream_, std::nullopt)), bus_(other.bus_)
{
}

ChosenSource::~ChosenSource()
{
    if (!stream_)
        return;
    ::close(stream_->fd);
    ScreenCastPortal(bus_).closeSession(stream_->session);
}

Result<std::unique_ptr<FrameGrabber>> ChosenSource::open()
{
    if (!stream_)
        return openX11Grabber(target_, drawPointer_);
    const PortalStream stream = *std::exchange(stream_, std::nullopt);  // the grabber's now, also on failure
    Result<std::unique_ptr<FrameGrabber>> opened = openPortalGrabber(stream, bus_);
    if (!opened)
        return opened;
    std::unique_ptr<FrameGrabber> grabber = std::move(opened).value();
    if (target_.kind == CaptureTarget::Kind::Region) {
        const Result<CaptureRect> part = regionOnStream(target_.region, stream.placement, grabber->width(), grabber->height());
        if (!part)
            return part.error();
        Result<std::unique_ptr<FrameGrabber>> cut = cropGrabber(std::move(grabber), part.value());
        if (!cut)
            return cut;
        grabber = std::move(cut).value();
    }
    auto shortcut = std::make_shared<StopShortcut>(bus_);
    return stoppableGrabber(std::move(grabber), [key = shortcut.get()] { return key->pressed(); }, shortcut);
}

Result<ChosenSource> chooseSessionSource(const CaptureTarget& target, bool drawPointer, const QDBusConnection& bus,
                                         std::function<bool()> givenUp)
{
    const Result<RecordingPath> path = recordingPath(bus);
    if (!path)
        return path.error();
    if (path.value() == RecordingPath::X11)
        return ChosenSource(target, drawPointer, std::nullopt, bus);
    const PortalSource kind = target.kind == CaptureTarget::Kind::Window ? PortalSource::Window : PortalSource::Monitor;
    Result<PortalStream> stream = ScreenCastPortal(bus).start(kind, drawPointer, -1, std::move(givenUp));
    if (!stream)
        return stream.error();
    return ChosenSource(target, drawPointer, stream.value(), bus);
}

Result<std::unique_ptr<FrameGrabber>> openSessionGrabber(const CaptureTarget& target, bool drawPointer)
{
    Result<ChosenSource> chosen = chooseSessionSource(target, drawPointer);
    if (!chosen)
        return chosen.error();
    return std::move(chosen).value().open();
}

}  // namespace pictoreel
