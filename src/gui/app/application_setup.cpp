#include "gui/app/application_setup.h"

#include "gui/app/translations.h"
#include "gui/widgets/toolbar_icons.h"

#include <QApplication>
#include <QLocale>

namespace pictoreel {

void setUpApplication()
{
    QApplication::setApplicationName(QStringLiteral("pictoreel"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Pictoreel"));
    QApplication::setWindowIcon(applicationIcon());
    installTranslations(QLocale::system());
}

}  // namespace pictoreel
