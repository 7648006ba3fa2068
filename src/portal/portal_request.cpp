#include "portal/portal_request.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <memory>

namespace pictoreel {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");

namespace {

// Catches the one answer of a request, then goes; also with its context, unanswered, and then
// closes the request (org.freedesktop.portal.Request.Close: the desktop ends the dialog it shows).
class ResponseCatcher final : public QObject {
    Q_OBJECT
public:
    using Answered = std::function<void(const Result<QVariantMap>&)>;
    ResponseCatcher(QObject* context, Answered answered, PortalCall call, QDBusConnection bus, QString path)
        : QObject(context), context_(context), answered_(std::move(answered)), call_(std::move(call)), bus_(std::move(bus)),
          path_(std::move(path)) {}
    ~ResponseCatcher() override
    {
        if (!done_)
            bus_.send(QDBusMessage::createMethodCall(kPortalService, path_, QStringLiteral("org.freedesktop.portal.Request"),
                                                     QStringLiteral("Close")));
    }
    // Portals older than handle_token name the request otherwise.
    void setPath(const QString& path) { path_ = path; }

    void finish(const Result<QVariantMap>& outcome)
    {
        if (done_)
            return;
        done_ = true;
        if (context_)
            answered_(outcome);
        deleteLater();
    }

public Q_SLOTS:
    void response(uint code, const QVariantMap& values)
    {
        if (code == 0)
            return finish(values);
        finish(code == 1 ? makeError(ErrorCode::Cancelled, QStringLiteral("The request was declined"))
                         : makeError(ErrorCode::LibraryFailure, QStringLiteral("The %1 failed at %2").arg(call_.portalName, call_.method)));
    }

private:
    QPointer<QObject> context_;
    Answered answered_;
    PortalCall call_;
    QDBusConnection bus_;
    QString path_;
    bool done_ = false;
};

// The portal's object path for a request of ours: the bus name without ':' and with '_' for '.'.
QString requestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    return kPortalPath + QStringLiteral("/request/") + sender + u'/' + token;
}

}  // namespace

QString nextPortalToken()
{
    static std::atomic<int> tokens{0};
    return QStringLiteral("pictoreel%1").arg(++tokens);
}

void askPortal(QDBusConnection bus, PortalCall call, QObject* context, std::function<void(const Result<QVariantMap>&)> answered)
{
    const QString token = nextPortalToken();
    QVariantMap options = call.arguments.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    call.arguments.append(options);
    const QString expected = requestPath(bus, token);
    auto* catcher = new ResponseCatcher(context, std::move(answered), call, bus, expected);
    auto listen = [bus, catcher](const QString& path) mutable {
        catcher->setPath(path);
        bus.connect(kPortalService, path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), catcher,
                    SLOT(response(uint, QVariantMap)));
    };
    listen(expected);  // before the call: the answer may come at once
    QDBusMessage message = QDBusMessage::createMethodCall(kPortalService, kPortalPath, call.interface, call.method);
    message.setArguments(call.arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, 10000), catcher);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, catcher, [=, portalName = call.portalName]() mutable {
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        watcher->deleteLater();
        if (reply.isError()) {
            const QDBusError error = reply.error();
            return catcher->finish(makeError(ErrorCode::LibraryFailure, QStringLiteral("The %1 refused: ").arg(portalName) +
                                                                            (error.message().isEmpty() ? error.name() : error.message())));
        }
        if (const QString handle = reply.value().path(); !handle.isEmpty() && handle != expected)  // portals before handle_token
            listen(handle);
    });
}

Result<QVariantMap> askPortalAndWait(const QDBusConnection& bus, PortalCall call, int timeoutMs, const std::function<bool()>& givenUp)
{
    QEventLoop loop;
    auto outcome = std::make_shared<std::optional<Result<QVariantMap>>>();
    const QString method = call.method, portal = call.portalName;
    askPortal(bus, std::move(call), &loop, [outcome, &loop](const Result<QVariantMap>& answer) {
        if (!*outcome)
            *outcome = answer;
        loop.quit();
    });
    if (timeoutMs >= 0)
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QTimer asking;
    if (givenUp) {
        QObject::connect(&asking, &QTimer::timeout, &loop, [&] {
            if (!*outcome && givenUp()) {
                *outcome = makeError(ErrorCode::Cancelled, QStringLiteral("The %1 was no longer needed").arg(method));
                loop.quit();
            }
        });
        asking.start(100);
    }
    if (!*outcome)
        loop.exec();
    if (!*outcome)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("The %1 did not answer %2").arg(portal, method));
    return **outcome;
}

}  // namespace pictoreel

#include "portal_request.moc"
