// A desktop portal of the test's own on a private bus: ScreenCast and GlobalShortcuts answered as
// a portal answers them (the request object's path at once, its Response signal after), from a
// thread of its own so that the client may block on its calls.
#pragma once

#include "support/private_bus.h"

#include <QDBusConnection>
#include <QStringList>
#include <QThread>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

namespace pictoreel::testing {

struct FakePortalAnswers {
    std::uint32_t sourceTypes = 3;   // AvailableSourceTypes
    std::uint32_t startAnswer = 0;   // 1: the user declined
    int startDelayMs = 0;            // the user takes this long to choose
    QList<int> streamSize{320, 240}, streamPosition;  // empty: not said
    bool shortcuts = true;           // GlobalShortcuts is there
};

class FakePortal {
public:
    // On a bus of its own, or on the one at `address`.
    explicit FakePortal(const QString& address = {});
    ~FakePortal();
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
    // The other end of the PipeWire remote it hands out.
    int remoteEnd() const;
    // Closes that end: the remote is gone before anything came through it.
    void hangUpRemote();
    // Sends Activated for `shortcut` in `session`.
    void activate(const QString& session, const QString& shortcut) const;

private:
    class Handler;
    std::optional<PrivateBus> bus_;
    QString address_;
    QThread thread_;
    std::unique_ptr<Handler> handler_;
};

// Runs this thread's events until `done` or `ms` have passed; `done` at the end.
bool runEventsUntil(const std::function<bool()>& done, int ms = 5000);

}  // namespace pictoreel::testing
