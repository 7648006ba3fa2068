#include "portal/stop_shortcut.h"

#include "portal/portal_request.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>

namespace pictoreel {

namespace {

const QString kGlobalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kPortalName = QStringLiteral("shortcuts portal");

// One shortcut as BindShortcuts takes it: its id and what the desktop shows of it.
struct ShortcutEntry {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const ShortcutEntry& entry)
{
    out.beginStructure();
    out << entry.id << entry.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ShortcutEntry& entry)
{
    in.beginStructure();
    in >> entry.id >> entry.properties;
    in.endStructure();
    return in;
}

QString pathOf(const QVariant& value)
{
    return value.canConvert<QDBusObjectPath>() ? value.value<QDBusObjectPath>().path() : value.toString();
}

}  // namespace

}  // namespace pictoreel

Q_DECLARE_METATYPE(pictoreel::ShortcutEntry)

namespace pictoreel {

StopShortcut::StopShortcut(QDBusConnection bus) : bus_(std::move(bus))
{
    qDBusRegisterMetaType<ShortcutEntry>();
    qDBusRegisterMetaType<QList<ShortcutEntry>>();
    if (!bus_.isConnected())
        return;
    const QVariantMap options{{QStringLiteral("session_handle_token"), nextPortalToken()}};
    askPortal(bus_, {kGlobalShortcuts, QStringLiteral("CreateSession"), {options}, kPortalName}, this,
              [this](const Result<QVariantMap>& created) {
                  if (created)  // otherwise there is no such portal here, or it would not: nothing to do
                      bind(pathOf(created.value().value(QStringLiteral("session_handle"))));
              });
}

StopShortcut::~StopShortcut()
{
    if (!session_.isEmpty())
        bus_.call(QDBusMessage::createMethodCall(kPortalService, session_, QStringLiteral("org.freedesktop.portal.Session"),
                                                 QStringLiteral("Close")),
                  QDBus::NoBlock);
}

void StopShortcut::bind(const QString& session)
{
    if (session.isEmpty())
        return;
    session_ = session;
    bus_.connect(kPortalService, kPortalPath, kGlobalShortcuts, QStringLiteral("Activated"), this,
                 SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    const QList<ShortcutEntry> shortcuts{{QString::fromLatin1(kStopShortcutId),
                                          {{QStringLiteral("description"), QStringLiteral("Stop recording the screen")},
                                           {QStringLiteral("preferred_trigger"), QStringLiteral("CTRL+ALT+s")}}}};
    askPortal(bus_,
              {kGlobalShortcuts, QStringLiteral("BindShortcuts"),
               {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts), QString(), QVariantMap()}, kPortalName},
              this, [this](const Result<QVariantMap>& answer) { bound_ = bool(answer); });
}

void StopShortcut::onActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong, const QVariantMap&)
{
    if (session.path() != session_ || shortcut != QLatin1String(kStopShortcutId) || pressed_.exchange(true))
        return;
    Q_EMIT activated();
}

}  // namespace pictoreel
