#include "fake_portal.h"

#include "portal/screencast_portal.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

namespace pictoreel::testing {

namespace {

const QString kDesktop = QStringLiteral("/org/freedesktop/portal/desktop");

QVariant pairArgument(const QList<int>& pair)
{
    QDBusArgument argument;
    argument.beginStructure();
    argument << pair.value(0) << pair.value(1);
    argument.endStructure();
    return QVariant::fromValue(argument);
}

}  // namespace

FakePortal::FakePortal(const QString& address) : address_(address.isEmpty() ? bus_.emplace().address() : address)
{
    static int argc = 1;
    static char name[] = "portal_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
    ScreenCastPortal registersTypes{QDBusConnection(QString())};
    int fds[2];
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, fds);
    handedOut_ = fds[0], remoteEnd = fds[1];
    thread_.start();
}

FakePortal::~FakePortal()
{
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal-client"));
    thread_.quit();
    thread_.wait();
    for (int fd : {handedOut_, remoteEnd})
        if (fd >= 0)
            ::close(fd);
}

bool FakePortal::serve()
{
    QDBusConnection bus = QDBusConnection::connectToBus(address(), QStringLiteral("fake-portal"));
    if (!bus.registerVirtualObject(kDesktop, this, QDBusConnection::SubPath))
        return false;
    moveToThread(&thread_);
    return bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

QDBusConnection FakePortal::client() const { return QDBusConnection::connectToBus(address(), QStringLiteral("fake-portal-client")); }

bool FakePortal::handleMessage(const QDBusMessage& call, const QDBusConnection& bus)
{
    const QString interface = call.interface().section(u'.', -1);
    if (interface == QLatin1String("Properties")) {
        const bool types = call.arguments().value(1).toString() == QLatin1String("AvailableSourceTypes");
        return bus.send(call.createReply(QVariant::fromValue(QDBusVariant(types ? answers.sourceTypes : 7u))));
    }
    if (interface == QLatin1String("GlobalShortcuts") && !answers.shortcuts)
        return bus.send(call.createErrorReply(QDBusError::UnknownInterface, QStringLiteral("no such interface")));
    const QString name = interface + u'.' + call.member();
    const QVariantMap options = call.arguments().isEmpty() ? QVariantMap() : qdbus_cast<QVariantMap>(call.arguments().constLast());
    const QString sender = call.service().mid(1).replace(u'.', u'_');
    const QString session = kDesktop + QStringLiteral("/session/%1/%2").arg(sender, options.value(QStringLiteral("session_handle_token")).toString());
    {
        std::lock_guard lock(mutex_);
        calls_.append({name, options});
        if (call.member() == QLatin1String("CreateSession"))
            lastSession_ = session;
    }
    if (call.member() == QLatin1String("Close"))
        return bus.send(call.createReply());
    if (call.member() == QLatin1String("OpenPipeWireRemote"))
        return bus.send(call.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(handedOut_))));
    const QString request = kDesktop + QStringLiteral("/request/%1/%2").arg(sender, options.value(QStringLiteral("handle_token")).toString());
    bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    const bool start = name == QLatin1String("ScreenCast.Start");
    QVariantMap results;
    if (call.member() == QLatin1String("CreateSession"))
        results.insert(QStringLiteral("session_handle"), session);
    if (start) {
        QVariantMap said;
        if (!answers.streamSize.isEmpty())
            said.insert(QStringLiteral("size"), pairArgument(answers.streamSize));
        if (!answers.streamPosition.isEmpty())
            said.insert(QStringLiteral("position"), pairArgument(answers.streamPosition));
        results.insert(QStringLiteral("streams"), QVariant::fromValue(QList<PortalStreamEntry>{{42, said}}));
    }
    QDBusMessage response = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
    response << (start ? answers.startAnswer : 0u) << results;
    // Called on the bus's own thread: the delay is kept on the portal's.
    QMetaObject::invokeMethod(this, [this, bus, response, delay = start ? answers.startDelayMs : 0] {
        QTimer::singleShot(delay, this, [bus, response] { QDBusConnection(bus).send(response); });
    }, Qt::QueuedConnection);
    return true;
}

QStringList FakePortal::calls() const
{
    std::lock_guard lock(mutex_);
    QStringList names;
    for (const auto& [name, options] : calls_)
        names << name;
    return names;
}

QVariantMap FakePortal::optionsOf(const QString& call) const
{
    std::lock_guard lock(mutex_);
    for (const auto& [name, options] : calls_)
        if (name == call)
            return options;
    return {};
}

QString FakePortal::lastSession() const
{
    std::lock_guard lock(mutex_);
    return lastSession_;
}

void FakePortal::activate(const QString& session, const QString& shortcut) const
{
    QDBusMessage activated = QDBusMessage::createSignal(kDesktop, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"), QStringLiteral("Activated"));
    activated << QVariant::fromValue(QDBusObjectPath(session)) << shortcut << qulonglong(0) << QVariantMap();
    QDBusConnection(QStringLiteral("fake-portal")).send(activated);
}

bool runEventsUntil(const std::function<bool()>& done, int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

}  // namespace pictoreel::testing
