#include "support/private_bus.h"

#include <QFile>

namespace pictoreel::testing {

PrivateBus::PrivateBus()
{
    QFile config(dir_.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return;
    config.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                                "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\"><busconfig><type>session</type>"
                                "<auth>EXTERNAL</auth><listen>unix:dir=%1</listen><policy context=\"default\">"
                                "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                "</policy></busconfig>")
                     .arg(dir_.path())
                     .toUtf8());
    config.close();
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--nofork"), QStringLiteral("--print-address"), QStringLiteral("--config-file=") + config.fileName()});
    if (daemon_.waitForStarted() && daemon_.waitForReadyRead(10000))
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus()
{
    daemon_.kill();
    daemon_.waitForFinished();
}

}  // namespace pictoreel::testing
