// Pictoreel: the window program. It starts by loading the main window and ends when that closes
// (or with E&xit, which closes every window).
#include "core/project/program_values.h"
#include "gui/dialogs.h"
#include "gui/main_window.h"
#include "gui/shell.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pictoreel"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(pictoreel::kProgramTitle));

    pictoreel::QtDialogs dialogs;
    pictoreel::DesktopShell shell;
    const QString programFolder = pictoreel::executableFolder();
    pictoreel::frmPictoreel window({pictoreel::settingsFolderFor(programFolder), programFolder}, dialogs, shell);
    window.show();
    return QApplication::exec();
}
