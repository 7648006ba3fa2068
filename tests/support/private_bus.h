// A D-Bus session bus of the test's own (dbus-daemon with no services to start), gone with it.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace pictoreel::testing {

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    // Empty when dbus-daemon could not be started.
    const QString& address() const { return address_; }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

}  // namespace pictoreel::testing
