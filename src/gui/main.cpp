// Pictoreel: the window program. It starts by loading the main window and ends when that closes
// (or with E&xit, which closes every window). Its one argument, a project file, is opened at once.
#include "core/project/program_values.h"
#include "gui/dialogs.h"
#include "gui/main_window.h"
#include "gui/program_start.h"
#include "gui/shell.h"
#include "gui/toolbar_icons.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pictoreel"));
    QApplication::setApplicationDisplayName(QString::fromLatin1(pictoreel::kProgramTitle));
    QApplication::setDesktopFileName(QStringLiteral("org.example.Pictoreel"));
    QApplication::setWindowIcon(pictoreel::applicationIcon());

    pictoreel::QtDialogs dialogs;
    pictoreel::DesktopShell shell;
    pictoreel::frmPictoreel window(pictoreel::programFoldersFor(pictoreel::executableFolder()), dialogs, shell);
    window.show();
    pictoreel::openProjectFromArguments(window, QApplication::arguments());
    return QApplication::exec();
}
