// The File menu's project commands (see file_commands.h).
#include "gui/main_window/file_commands.h"

#include "core/project/frame_key_gap.h"
#include "core/project/history.h"
#include "core/project/project_file.h"
#include "gui/app/app_context.h"
#include "gui/app/dialogs.h"
#include "gui/dialogs/history_dialog.h"
#include "gui/main_window/new_frame_defaults.h"
#include "gui/main_window/property_panel.h"

#include <QApplication>
#include <QWidget>

namespace pictoreel {

namespace {

const QString kProjectFilter = QStringLiteral("Animated GIF Project(*.agp)|*.agp");

bool isBlank(const QString& text) { return text.trimmed().isEmpty(); }

}  // namespace

FileCommands::FileCommands(FileHost host)
    : host_(std::move(host)), programEnd_([] {
          QApplication::closeAllWindows();
          QCoreApplication::quit();
      })
{
}

void FileCommands::NewProject()
{
    host_.setProjectFile(QString());
    host_.frames->clear();
    host_.panel->resetProjectProperties();
    host_.panel->setFrameValues(newFrameValues(host_.context->settingsFile()));
    host_.panel->clearFileFacts();
    host_.clearWindow();
}

void FileCommands::StartNewProject()
{
    if (!askToSaveBeforeClosing())
        return;
    NewProject();
    host_.addFrames();
}

void FileCommands::OpenProject()
{
    const QString title = QCoreApplication::translate("pictoreel::MainWindow", "Open Project File (*.agp) ...");
    const auto chosen = host_.context->dialogs().openFile(host_.window, {title, kProjectFilter, {}});
    if (!chosen)
        return;
    OpenProjectFile(*chosen);
}

bool FileCommands::OpenProjectFile(const QString& strFile)
{
    // A picture or any other file that is not a project is not taken for one (the next save
    // would write over it), nor a project of more frames than one holds: the user is told, and
    // the current project stays as it is.
    if (!isBlank(strFile)) {
        if (Status usable = checkProjectToOpen(strFile); !usable) {
            host_.context->dialogs().inform(host_.window, usable.error().message);
            return false;
        }
    }
    if (!askToSaveBeforeClosing())
        return false;
    NewProject();
    if (isBlank(strFile))
        return false;
    ProjectProperties properties = host_.panel->projectProperties();
    if (Status read = readProjectFile(strFile, properties, *host_.frames); !read) {  // replaced since the check
        host_.context->dialogs().inform(host_.window, read.error().message);
        return false;
    }
    host_.panel->setProjectProperties(properties);
    host_.setProjectFile(strFile);
    AddToHistory(strFile, host_.context->settingsFile());
    host_.showOpenedProject();
    // Reading goes on as it always has; only the frames it left out are told of.
    if (const QString gap = frameKeyGapWarning(strFile); !gap.isEmpty())
        host_.context->dialogs().messageBox(host_.window, gap, QString(), MessageIcon::Exclamation, MessageButtons::Ok);
    return true;
}

void FileCommands::ShowHistoryList()
{
    auto* list = new HistoryDialog(*host_.context, HistoryListMode::Open, host_.window,
                                   [this](const QString& path) { return OpenProjectFile(path); });
    list->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(list, &QDialog::finished, host_.window, [this] { host_.applyAutoSizeRule(); });
    list->open();
}

bool FileCommands::trySaveProject()
{
    // The project takes the chosen name only once it is written there (WriteProjectFile).
    QString file = host_.projectFile();
    if (file.isEmpty()) {
        const QString title = QCoreApplication::translate("pictoreel::MainWindow", "Save Project As (*.agp)...");
        const auto chosen = host_.context->dialogs().saveFile(host_.window, {title, kProjectFilter, {}});
        if (!chosen)
            return false;
        file = *chosen;
    }
    return !file.isEmpty() && WriteProjectFile(file);
}

void FileCommands::SaveProjectAs()
{
    const QString title = QCoreApplication::translate("pictoreel::MainWindow", "Save Project As ...");
    const auto chosen = host_.context->dialogs().saveFile(host_.window, {title, kProjectFilter, {}});
    if (!chosen)
        return;
    WriteProjectFile(*chosen);
}

bool FileCommands::WriteProjectFile(const QString& path)
{
    // Never over a picture or any other file that is not a project: refused before anything
    // changes, the output name included.
    if (!isBlank(path)) {
        if (Status usable = checkProjectFile(path); !usable) {
            host_.context->dialogs().inform(host_.window, usable.error().message);
            return false;
        }
    }
    ProjectProperties properties = host_.panel->projectProperties();
    if (isBlank(properties.outputFile)) {
        properties.outputFile = proposeOutputFile(path, *host_.frames);
        host_.panel->setOutputFile(properties.outputFile);
    }
    if (isBlank(path))
        return false;
    const Status written = writeProjectFile(path, *host_.frames, properties);
    // Not saved, and told: a file replaced since the check, or a picture a project cannot name.
    if (!written &&
        (written.error().code == ErrorCode::UnsupportedFormat || written.error().code == ErrorCode::InvalidArgument)) {
        host_.context->dialogs().inform(host_.window, written.error().message);
        return false;
    }
    // A file that cannot be written (a folder that is not there, no right to write) is told, and
    // the project keeps its name and its place in the history: the changes are still unsaved,
    // and a close that asked for the save does not go on without them.
    if (!written) {
        const QString told =
            QCoreApplication::translate("pictoreel::MainWindow", "The project could not be saved.\n\n") + written.error().text();
        host_.context->dialogs().messageBox(host_.window, told, QString(), MessageIcon::Critical, MessageButtons::Ok);
        return false;
    }
    host_.setProjectFile(path);
    host_.projectSaved();
    AddToHistory(path, host_.context->settingsFile());
    return true;
}

bool FileCommands::askToSaveBeforeClosing()
{
    if (!host_.isModified())
        return true;
    const QString question =
        QCoreApplication::translate("pictoreel::MainWindow", "Would you like to save the project before closing?");
    const QString title = QCoreApplication::translate("pictoreel::MainWindow", "Save Before Closing");
    switch (host_.context->dialogs().messageBox(host_.window, question, title, MessageIcon::Question,
                                                MessageButtons::YesNoCancel)) {
    case MessageAnswer::Yes: return trySaveProject();  // a save not made (cancelled, failed) keeps the project open
    case MessageAnswer::Cancel: return false;
    default: return true;
    }
}

void FileCommands::exitProgram()
{
    if (host_.window->close() && programEnd_)
        programEnd_();
}

}  // namespace pictoreel
