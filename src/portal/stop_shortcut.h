// The shortcut that stops a Wayland recording from any window: asked of the desktop's
// GlobalShortcuts portal (Ctrl+Alt+S preferred, as under X11; the desktop may let the user pick
// another) in a session of its own, closed when the shortcut goes. Where the desktop has no such
// portal, or declines, nothing happens: the recorder's Stop button still stops.
#pragma once

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

#include <atomic>

namespace pictoreel {

inline constexpr char kStopShortcutId[] = "stop-recording";

class StopShortcut final : public QObject {
    Q_OBJECT
public:
    // Asks at once; the answers come through the event loop of this thread.
    explicit StopShortcut(QDBusConnection bus = QDBusConnection::sessionBus());
    ~StopShortcut() override;

    // Once the shortcut was pressed; from any thread.
    bool pressed() const { return pressed_; }
    // The desktop took the shortcut.
    bool bound() const { return bound_; }

Q_SIGNALS:
    void activated();

private Q_SLOTS:
    void onActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp, const QVariantMap& options);

private:
    void bind(const QString& session);

    QDBusConnection bus_;
    QString session_;
    std::atomic<bool> pressed_{false};
    bool bound_ = false;
};

}  // namespace pictoreel
