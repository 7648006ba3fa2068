// The ScreenCast exchange against a portal of the test's own, on a private bus of its own.
#include "portal/screencast_portal.h"

#include "support/private_bus.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QThread>

#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

namespace pictoreel {
namespace {

// Answers every call as a portal does: the request object's path at once, then that object's
// Response signal. Runs on a thread of its own, so the client may block on its calls.
class FakePortal final : public QDBusVirtualObject {
public:
    std::uint32_t startAnswer = 0;  // 1: the user declined
    std::uint32_t sourceTypes = 3;
    int fds[2] = {-1, -1};

    QStringList calls() const
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    QVariantMap optionsOf(const QString& member) const
    {
        std::lock_guard lock(mutex_);
        return options_.value(member);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override
    {
        if (call.interface() == QLatin1String("org.freedesktop.DBus.Properties")) {
            const bool types = call.arguments().value(1).toString() == QLatin1String("AvailableSourceTypes");
            return bus.send(call.createReply(QVariant::fromValue(QDBusVariant(types ? sourceTypes : 7u))));
        }
        const QVariantMap options = call.arguments().isEmpty() ? QVariantMap() : qdbus_cast<QVariantMap>(call.arguments().constLast());
        {
            std::lock_guard lock(mutex_);
            calls_ << call.member();
            options_.insert(call.member(), options);
        }
        if (call.member() == QLatin1String("Close"))
            return bus.send(call.createReply());
        if (call.member() == QLatin1String("OpenPipeWireRemote"))
            return bus.send(call.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(fds[0]))));
        const QString sender = call.service().mid(1).replace(u'.', u'_');
        const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, options.value(QStringLiteral("handle_token")).toString());
        bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        std::uint32_t code = 0;
        QVariantMap results;
        if (call.member() == QLatin1String("CreateSession"))
            results.insert(QStringLiteral("session_handle"), QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                                                                 .arg(sender, options.value(QStringLiteral("session_handle_token")).toString()));
        if (call.member() == QLatin1String("Start")) {
            code = startAnswer;
            QDBusArgument size;
            size.beginStructure();
            size << 320 << 240;
            size.endStructure();
            const QList<PortalStreamEntry> streams{{42, {{QStringLiteral("size"), QVariant::fromValue(size)}}}};
            results.insert(QStringLiteral("streams"), QVariant::fromValue(streams));
        }
        QDBusMessage response = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << code << results;
        return bus.send(response);
    }

private:
    mutable std::mutex mutex_;
    QStringList calls_;
    QMap<QString, QVariantMap> options_;
};

class ScreenCastPortalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "screencast_portal_test";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QCoreApplication(argc, argv);
        address_ = bus_.address();
        if (address_.isEmpty())
            GTEST_SKIP() << "dbus-daemon could not be started";
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, portal_.fds), 0);
        thread_.start();
    }
    void TearDown() override
    {
        if (!address_.isEmpty()) {
            QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
            QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        }
        thread_.quit();
        thread_.wait();
        for (int fd : portal_.fds)
            if (fd >= 0)
                ::close(fd);
    }
    void servePortal()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address_, QStringLiteral("portal"));
        ASSERT_TRUE(bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal_, QDBusConnection::SubPath));
        portal_.moveToThread(&thread_);
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    }
    QDBusConnection client() { return QDBusConnection::connectToBus(address_, QStringLiteral("client")); }

    testing::PrivateBus bus_;
    QString address_;
    QThread thread_;
    FakePortal portal_;
};

TEST_F(ScreenCastPortalTest, AWindowWithThePointerGoesThroughEveryStepToTheRemote)
{
    servePortal();
    ScreenCastPortal portal(client());
    const Result<PortalStream> stream = portal.start(PortalSource::Window, true, 5000);
    ASSERT_TRUE(stream) << stream.error().message.toStdString();
    EXPECT_EQ(portal_.calls(), (QStringList{QStringLiteral("CreateSession"), QStringLiteral("SelectSources"), QStringLiteral("Start"),
                                            QStringLiteral("OpenPipeWireRemote")}));
    const QVariantMap sources = portal_.optionsOf(QStringLiteral("SelectSources"));
    EXPECT_EQ(sources.value(QStringLiteral("types")).toUInt(), 2u);
    EXPECT_EQ(sources.value(QStringLiteral("cursor_mode")).toUInt(), 2u);
    EXPECT_FALSE(sources.value(QStringLiteral("multiple")).toBool());
    EXPECT_NE(sources.value(QStringLiteral("handle_token")), portal_.optionsOf(QStringLiteral("Start")).value(QStringLiteral("handle_token")));
    EXPECT_TRUE(stream.value().session.startsWith(QLatin1String("/org/freedesktop/portal/desktop/session/")));
    EXPECT_EQ(stream.value().node, 42u);
    EXPECT_EQ(stream.value().width, 320);
    EXPECT_EQ(stream.value().height, 240);
    // The remote is the portal's descriptor, handed over.
    ASSERT_EQ(::write(portal_.fds[1], "pw", 2), 2);
    char got[2] = {};
    EXPECT_EQ(::read(stream.value().fd, got, 2), 2);
    EXPECT_EQ(QByteArray(got, 2), QByteArray("pw"));
    ::close(stream.value().fd);
}

TEST_F(ScreenCastPortalTest, DecliningClosesTheSessionAndAMissingPortalOrKindIsExplained)
{
    ScreenCastPortal portal(client());
    ASSERT_TRUE(portal.unavailable(PortalSource::Monitor));
    EXPECT_TRUE(portal.unavailable(PortalSource::Monitor)->contains(QLatin1String("does not answer")));
    EXPECT_EQ(portal.start(PortalSource::Monitor, false, 5000).error().code, ErrorCode::LibraryFailure);

    servePortal();
    portal_.sourceTypes = 1;
    EXPECT_FALSE(portal.unavailable(PortalSource::Monitor));
    EXPECT_TRUE(portal.unavailable(PortalSource::Window)->contains(QLatin1String("single windows")));

    portal_.startAnswer = 1;
    const Result<PortalStream> declined = portal.start(PortalSource::Monitor, false, 5000);
    ASSERT_FALSE(declined);
    EXPECT_EQ(declined.error().code, ErrorCode::Cancelled);
    EXPECT_EQ(portal_.optionsOf(QStringLiteral("SelectSources")).value(QStringLiteral("cursor_mode")).toUInt(), 1u);
    for (int i = 0; i < 100 && !portal_.calls().contains(QStringLiteral("Close")); ++i)
        QThread::msleep(20);
    EXPECT_EQ(portal_.calls().mid(2), (QStringList{QStringLiteral("Start"), QStringLiteral("Close")}));
}

}  // namespace
}  // namespace pictoreel
