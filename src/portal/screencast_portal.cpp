#include "portal/screencast_portal.h"

#include "core/capture/pipewire_grabber.h"
#include "portal/portal_request.h"

#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <unistd.h>

namespace pictoreel {

namespace {

const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");

// A pair the portal gives as a structure of two integers ("size", "position"), or nothing.
std::optional<std::pair<int, int>> pairOf(const QVariant& value)
{
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::StructureType)
        return std::nullopt;
    std::pair<int, int> pair;
    argument.beginStructure();
    argument >> pair.first >> pair.second;
    argument.endStructure();
    return pair;
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& out, const PortalStreamEntry& entry)
{
    out.beginStructure();
    out << entry.node << entry.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalStreamEntry& entry)
{
    in.beginStructure();
    in >> entry.node >> entry.properties;
    in.endStructure();
    return in;
}

ScreenCastPortal::ScreenCastPortal(QDBusConnection bus) : bus_(std::move(bus))
{
    qDBusRegisterMetaType<PortalStreamEntry>();
    qDBusRegisterMetaType<QList<PortalStreamEntry>>();
}

QVariant ScreenCastPortal::property(const char* name) const
{
    QDBusMessage get = QDBusMessage::createMethodCall(kPortalService, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kScreenCast << QString::fromLatin1(name);
    const QDBusMessage reply = bus_.call(get, QDBus::Block, 3000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

std::optional<QString> ScreenCastPortal::unavailable(PortalSource kind) const
{
    if (!bus_.isConnected())
        return QStringLiteral("Recording a Wayland session needs the desktop's screen-sharing portal, but there is no session bus");
    const QVariant types = property("AvailableSourceTypes");
    if (!types.isValid())
        return QStringLiteral("Recording a Wayland session needs the desktop's screen-sharing portal (xdg-desktop-portal with a "
                              "backend for this desktop), which does not answer");
    if (!(types.toUInt() & std::uint32_t(kind)))
        return kind == PortalSource::Window ? QStringLiteral("This desktop's screen-sharing portal cannot record single windows")
                                            : QStringLiteral("This desktop's screen-sharing portal cannot record screens");
    return std::nullopt;
}

Result<QVariantMap> ScreenCastPortal::request(const QString& method, QList<QVariant> arguments, int timeoutMs,
                                              const std::function<bool()>& givenUp)
{
    Result<QVariantMap> answer =
        askPortalAndWait(bus_, {kScreenCast, method, std::move(arguments), QStringLiteral("screen-sharing portal")}, timeoutMs, givenUp);
    if (!answer && givenUp && givenUp())
        return answer;
    if (!answer && answer.error().code == ErrorCode::Cancelled)
        return makeError(ErrorCode::Cancelled, QStringLiteral("Sharing the screen was declined"));
    return answer;
}

Result<PortalStream> ScreenCastPortal::start(PortalSource kind, bool drawPointer, int timeoutMs, std::function<bool()> givenUp)
{
    if (const std::optional<QString> why = unavailable(kind))
        return makeError(ErrorCode::LibraryFailure, *why);
    const Result<QVariantMap> created =
        request(QStringLiteral("CreateSession"), {QVariantMap{{QStringLiteral("session_handle_token"), nextPortalToken()}}},
                timeoutMs, givenUp);
    if (!created)
        return created.error();
    PortalStream stream;
    stream.session = created.value().value(QStringLiteral("session_handle")).toString();
    const QDBusObjectPath session(stream.session);
    // Results after this need the session closed when they fail.
    const auto failed = [&](const Error& error) -> Result<PortalStream> {
        closeSession(stream.session);
        return error;
    };
    QVariantMap sources{{QStringLiteral("types"), std::uint32_t(kind)}, {QStringLiteral("multiple"), false}};
    const std::uint32_t cursorModes = property("AvailableCursorModes").toUInt();
    const std::uint32_t cursor = drawPointer ? 2 : 1;  // embedded in the pictures, or hidden
    if (cursorModes & cursor)
        sources.insert(QStringLiteral("cursor_mode"), cursor);
    if (const auto selected = request(QStringLiteral("SelectSources"), {QVariant::fromValue(session), sources}, timeoutMs, givenUp); !selected)
        return failed(selected.error());
    const Result<QVariantMap> started = request(QStringLiteral("Start"), {QVariant::fromValue(session), QString(), QVariantMap()}, timeoutMs, givenUp);
    if (!started)
        return failed(started.error());
    QList<PortalStreamEntry> entries;
    started.value().value(QStringLiteral("streams")).value<QDBusArgument>() >> entries;
    if (entries.isEmpty())
        return failed(makeError(ErrorCode::LibraryFailure, QStringLiteral("The screen-sharing portal gave no stream")));
    stream.node = entries.constFirst().node;
    const QVariantMap& said = entries.constFirst().properties;
    if (const auto size = pairOf(said.value(QStringLiteral("size"))))
        std::tie(stream.placement.width, stream.placement.height) = *size;
    if (const auto position = pairOf(said.value(QStringLiteral("position"))))
        std::tie(stream.placement.x, stream.placement.y) = *position;
    QDBusMessage open = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kScreenCast, QStringLiteral("OpenPipeWireRemote"));
    open << QVariant::fromValue(session) << QVariantMap();
    const QDBusMessage remote = bus_.call(open, QDBus::Block, 10000);
    const QDBusUnixFileDescriptor fd = remote.arguments().value(0).value<QDBusUnixFileDescriptor>();
    if (remote.type() != QDBusMessage::ReplyMessage || !fd.isValid())
        return failed(makeError(ErrorCode::LibraryFailure, QStringLiteral("The screen-sharing portal refused: ") + QDBusError(remote).message()));
    stream.fd = ::dup(fd.fileDescriptor());
    return stream;
}

void ScreenCastPortal::closeSession(const QString& session) const
{
    if (session.isEmpty())
        return;
    bus_.call(QDBusMessage::createMethodCall(kPortalService, session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")),
              QDBus::NoBlock);
}

Result<std::unique_ptr<FrameGrabber>> openPortalGrabber(const PortalStream& stream, QDBusConnection bus)
{
    const QString session = stream.session;
    return openPipeWireGrabber(stream.fd, stream.node, [bus, session] { ScreenCastPortal(bus).closeSession(session); });
}

}  // namespace pictoreel
