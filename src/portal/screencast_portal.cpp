#include "portal/screencast_portal.h"

#include "core/capture/pipewire_grabber.h"

#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QEventLoop>
#include <QTimer>

#include <unistd.h>

namespace pictoreel {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");

// Catches the one Response of a request object.
class ResponseWaiter : public QObject {
    Q_OBJECT
public:
    std::optional<std::uint32_t> code;
    QVariantMap results;
    QEventLoop loop;
public Q_SLOTS:
    void response(uint answer, const QVariantMap& values)
    {
        code = answer;
        results = values;
        loop.quit();
    }
};

// The portal's object path for a request of ours: the bus name without ':' and with '_' for '.'.
QString requestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    return kPath + QStringLiteral("/request/") + sender + u'/' + token;
}

QString portalSays(const QDBusError& error)
{
    return QStringLiteral("The screen-sharing portal refused: ") + (error.message().isEmpty() ? error.name() : error.message());
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
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
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

Result<QVariantMap> ScreenCastPortal::request(const QString& method, QList<QVariant> arguments, int timeoutMs)
{
    const QString token = QStringLiteral("pictoreel%1").arg(++tokens_);
    QVariantMap options = arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    arguments.append(options);
    ResponseWaiter waiter;
    const QString expected = requestPath(bus_, token);
    const auto listen = [&](const QString& path) {
        return bus_.connect(kService, path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), &waiter,
                            SLOT(response(uint, QVariantMap)));
    };
    listen(expected);  // before the call: the answer may come at once
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, method);
    call.setArguments(arguments);
    const QDBusMessage reply = bus_.call(call, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return makeError(ErrorCode::LibraryFailure, portalSays(QDBusError(reply)));
    const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (!handle.isEmpty() && handle != expected)  // portals older than the handle_token rule
        listen(handle);
    if (!waiter.code) {
        if (timeoutMs >= 0)
            QTimer::singleShot(timeoutMs, &waiter.loop, &QEventLoop::quit);
        waiter.loop.exec();
    }
    if (!waiter.code)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("The screen-sharing portal did not answer %1").arg(method));
    if (*waiter.code == 1)
        return makeError(ErrorCode::Cancelled, QStringLiteral("Sharing the screen was declined"));
    if (*waiter.code != 0)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("The screen-sharing portal failed at %1").arg(method));
    return waiter.results;
}

Result<PortalStream> ScreenCastPortal::start(PortalSource kind, bool drawPointer, int timeoutMs)
{
    if (const std::optional<QString> why = unavailable(kind))
        return makeError(ErrorCode::LibraryFailure, *why);
    const Result<QVariantMap> created =
        request(QStringLiteral("CreateSession"), {QVariantMap{{QStringLiteral("session_handle_token"), QStringLiteral("pictoreel%1").arg(tokens_ + 1)}}},
                timeoutMs);
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
    if (const auto selected = request(QStringLiteral("SelectSources"), {QVariant::fromValue(session), sources}, timeoutMs); !selected)
        return failed(selected.error());
    const Result<QVariantMap> started = request(QStringLiteral("Start"), {QVariant::fromValue(session), QString(), QVariantMap()}, timeoutMs);
    if (!started)
        return failed(started.error());
    QList<PortalStreamEntry> entries;
    started.value().value(QStringLiteral("streams")).value<QDBusArgument>() >> entries;
    if (entries.isEmpty())
        return failed(makeError(ErrorCode::LibraryFailure, QStringLiteral("The screen-sharing portal gave no stream")));
    stream.node = entries.constFirst().node;
    const QDBusArgument size = entries.constFirst().properties.value(QStringLiteral("size")).value<QDBusArgument>();
    if (size.currentType() == QDBusArgument::StructureType) {
        size.beginStructure();
        size >> stream.width >> stream.height;
        size.endStructure();
    }
    QDBusMessage open = QDBusMessage::createMethodCall(kService, kPath, kScreenCast, QStringLiteral("OpenPipeWireRemote"));
    open << QVariant::fromValue(session) << QVariantMap();
    const QDBusMessage remote = bus_.call(open, QDBus::Block, 10000);
    const QDBusUnixFileDescriptor fd = remote.arguments().value(0).value<QDBusUnixFileDescriptor>();
    if (remote.type() != QDBusMessage::ReplyMessage || !fd.isValid())
        return failed(makeError(ErrorCode::LibraryFailure, portalSays(QDBusError(remote))));
    stream.fd = ::dup(fd.fileDescriptor());
    return stream;
}

void ScreenCastPortal::closeSession(const QString& session) const
{
    if (session.isEmpty())
        return;
    bus_.call(QDBusMessage::createMethodCall(kService, session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")),
              QDBus::NoBlock);
}

Result<std::unique_ptr<FrameGrabber>> openPortalGrabber(PortalSource kind, bool drawPointer, QDBusConnection bus)
{
    ScreenCastPortal portal(bus);
    const Result<PortalStream> stream = portal.start(kind, drawPointer);
    if (!stream)
        return stream.error();
    const QString session = stream.value().session;
    return openPipeWireGrabber(stream.value().fd, stream.value().node, [bus, session] { ScreenCastPortal(bus).closeSession(session); });
}

}  // namespace pictoreel

#include "screencast_portal.moc"
