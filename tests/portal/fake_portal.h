// A desktop portal of the test's own: ScreenCast and GlobalShortcuts answered as a portal
// answers them (the request object's path at once, its Response signal after), on a thread of
// its own so that the client may block on its calls.
#pragma once

#include "support/private_bus.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QThread>

#include <functional>
#include <mutex>
#include <optional>

namespace pictoreel::testing {

struct FakePortalAnswers {
    std::uint32_t sourceTypes = 3;   // AvailableSourceTypes
    std::uint32_t startAnswer = 0;   // 1: the user declined
    int startDelayMs = 0;            // the user takes this long to choose
    QList<int> streamSize{320, 240}, streamPosition;  // empty: not said
    bool shortcuts = true;           // GlobalShortcuts is there
};

class FakePortal final : public QDBusVirtualObject {
public:
    // On a bus of its own, or on the one at `address`.
    explicit FakePortal(const QString& address = {});
    ~FakePortal() override;
    // Empty when no bus could be started.
    QString address() const { return address_; }
    // Puts the portal on the bus; the client sees none before. False when another has its name.
    bool serve();
    // A connection of the client's to the bus.
    QDBusConnection client() const;

    FakePortalAnswers answers;  // set before the calls they answer
    // "ScreenCast.Start", "Session.Close", "GlobalShortcuts.BindShortcuts" ... in the order called.
    QStringList calls() const;
    QVariantMap optionsOf(const QString& call) const;
    // The session the last CreateSession made.
    QString lastSession() const;
    // The other end of the PipeWire remote it hands out; closing it hangs the remote up.
    int remoteEnd = -1;
    // Sends Activated for `shortcut` in `session`.
    void activate(const QString& session, const QString& shortcut) const;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& call, const QDBusConnection& bus) override;

private:
    std::optional<PrivateBus> bus_;
    QString address_;
    QThread thread_;
    int handedOut_ = -1;
    mutable std::mutex mutex_;
    QList<std::pair<QString, QVariantMap>> calls_;
    QString lastSession_;
};

// Runs this thread's events until `done` or `ms` have passed; `done` at the end.
bool runEventsUntil(const std::function<bool()>& done, int ms = 5000);

}  // namespace pictoreel::testing
