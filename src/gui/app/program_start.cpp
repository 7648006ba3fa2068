#include "gui/app/program_start.h"

#include "core/project/program_values.h"
#include "core/project/project_file.h"
#include "gui/main_window/frame_drops.h"

#include <QFileInfo>
#include <QUrl>

namespace pictoreel {

ProgramFolders programFoldersFor(const QString& executableFolder)
{
    return {settingsFolderFor(executableFolder), programDataFolderFor(executableFolder)};
}

bool openProjectFromArguments(MainWindow& window, const QStringList& arguments)
{
    if (arguments.size() != 2)
        return false;
    QString path = arguments.at(1);
    if (path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        path = QUrl(path).toLocalFile();
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile())
        return false;
    // A picture, an animation or a video (as a file manager offers the program for them) is
    // added as dropped on the window; a file of no kind the program takes is told as no project.
    if (!checkProjectFile(file.absoluteFilePath()) && sortDroppedFiles({file.absoluteFilePath()}).holdsMedia()) {
        window.addFilesFromOutside({file.absoluteFilePath()});
        return false;
    }
    if (!window.OpenProjectFile(file.absoluteFilePath()))
        return false;  // not a project: told, and the empty project of start-up stays
    // As after the File menu's commands: the Auto Size buttons follow the frame list.
    window.applyAutoSizeRule();
    return true;
}

}  // namespace pictoreel
