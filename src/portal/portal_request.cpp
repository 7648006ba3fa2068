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

// Catches the one answer of a request, then goes; also with its context, unanswered.
class ResponseCatcher final : public QObject {
    Q_OBJECT
public:
    using Answered = std::function<void(const Result<QVariantMap>&)>;
    ResponseCatcher(QObject* context, Answered answered, PortalCall call)
        : QObject(context), context_(context), answered_(std::move(answered)), call_(std::move(call)) {}

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
    auto* catcher = new ResponseCatcher(context, std::move(answered), call);
    auto listen = [bus, catcher](const QString& path) mutable {
        bus.connect(kPortalService, path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), catcher,
                    SLOT(response(uint, QVariantMap)));
    };
    const QString expected = requestPath(bus, token);
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

Result<QVariantMap> askPortalAndWait(const QDBusConnection& bus, PortalCall call, int timeoutMs)
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
    if (!*outcome)
        loop.exec();
    if (!*outcome)
        return makeError(ErrorCode::LibraryFailure, QStringLiteral("The %1 did not answer %2").arg(portal, method));
    return **outcome;
}

}  // namespace pictoreel

#include "portal_request.moc"
