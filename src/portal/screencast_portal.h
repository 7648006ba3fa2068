// The desktop's ScreenCast portal (org.freedesktop.portal.ScreenCast): a session is created,
// the kind of source set (a monitor or a window, the pointer drawn in or not), and Start lets
// the desktop ask the user which one; then the PipeWire remote is opened for the stream it
// gives. Each step's answer is waited for in a local event loop (the user may take a while to
// choose).
#pragma once

#include "core/capture/frame_grabber.h"
#include "core/capture/stream_region.h"

#include <QDBusConnection>
#include <QDBusArgument>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace pictoreel {

enum class PortalSource : std::uint32_t { Monitor = 1, Window = 2 };

// One stream of Start's answer: its PipeWire node and what the portal says of it.
struct PortalStreamEntry {
    std::uint32_t node = 0;
    QVariantMap properties;  // "size" (ii), "position" (ii), "source_type" (u) ...
};
QDBusArgument& operator<<(QDBusArgument& out, const PortalStreamEntry& entry);
const QDBusArgument& operator>>(const QDBusArgument& in, PortalStreamEntry& entry);

// What Start and OpenPipeWireRemote gave.
struct PortalStream {
    QString session;  // the session's object path, closed when the recording is over
    std::uint32_t node = 0;
    int fd = -1;  // the PipeWire remote, the caller's to close
    ScreenPlacement placement;  // where the shared screen lies on the desktop; 0s where not said
};

class ScreenCastPortal {
public:
    explicit ScreenCastPortal(QDBusConnection bus = QDBusConnection::sessionBus());

    // Why sources of `kind` cannot be recorded through the portal on this bus, or nothing.
    std::optional<QString> unavailable(PortalSource kind) const;
    // The whole exchange. Errors: Cancelled when the user declined, LibraryFailure for a portal
    // that refused or did not answer within `timeoutMs` of a step (-1: no limit); Cancelled too
    // once `givenUp` says the stream is no longer wanted (the desktop's dialog is then closed).
    Result<PortalStream> start(PortalSource kind, bool drawPointer, int timeoutMs = -1, std::function<bool()> givenUp = {});
    void closeSession(const QString& session) const;

private:
    Result<QVariantMap> request(const QString& method, QList<QVariant> arguments, int timeoutMs,
                                const std::function<bool()>& givenUp);
    QVariant property(const char* name) const;

    QDBusConnection bus_;
};

// The pictures of `stream` (its remote handed over); its session is closed when the grabber goes.
Result<std::unique_ptr<FrameGrabber>> openPortalGrabber(const PortalStream& stream, QDBusConnection bus = QDBusConnection::sessionBus());

}  // namespace pictoreel

Q_DECLARE_METATYPE(pictoreel::PortalStreamEntry)
