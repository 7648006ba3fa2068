#include "gui/application_setup.h"

#include "gui/toolbar_icons.h"

#include <QApplication>

namespace pictoreel {

void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("pictoreel"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Pictoreel"));
    QApplication::setWindowIcon(applicationIcon());
}

}  // namespace pictoreel
