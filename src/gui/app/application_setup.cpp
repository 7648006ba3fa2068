#include "gui/app/application_setup.h"

#include "gui/widgets/toolbar_icons.h"

#include <QApplication>

namespace pictoreel {

void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("pictoreel"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Pictoreel"));
    QApplication::setWindowIcon(applicationIcon());
}

}  // namespace pictoreel
