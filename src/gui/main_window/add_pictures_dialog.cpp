#include "gui/main_window/add_pictures_dialog.h"

#include "core/project/settings_store.h"
#include "gui/app/dialogs.h"
#include "gui/main_window/frame_drops.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace pictoreel {

namespace {

const QString kSection = QStringLiteral("Add Image Files");
const QString kFolder = QStringLiteral("Folder");
const QString kFileType = QStringLiteral("File Type");

}  // namespace

QStringList askForPictures(QWidget* parent, Dialogs& dialogs, const QString& filter, const QString& settingsFile)
{
    const FileDialogRequest request{QCoreApplication::translate("pictoreel::MainWindow", "Open Image Files ..."), filter,
                                    ReadIniKey(kSection, kFolder, QString(), settingsFile)};
    FileTypeChoice type{ReadIniKey(kSection, kFileType, QString(), settingsFile), {}};
    QStringList files = dialogs.openFilesOfType(parent, request, type);
    if (files.isEmpty())
        return files;
    // One folder's files: their paths differ in their names only.
    std::stable_sort(files.begin(), files.end(), naturalLess);
    WriteIniKey(kSection, kFolder, QFileInfo(files.front()).absolutePath(), settingsFile);
    if (!type.chosen.isEmpty())
        WriteIniKey(kSection, kFileType, type.chosen, settingsFile);
    return files;
}

}  // namespace pictoreel
