// The main window's project commands: a new project, opening one (from the open dialog or the
// history window), saving it under its name or another.
#include "gui/main_window/main_window.h"
#include "gui/main_window/new_frame_defaults.h"

#include "core/project/history.h"
#include "core/project/project_file.h"
#include "core/project/frame_key_gap.h"
#include "gui/app/dialogs.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/dialogs/history_dialog.h"
#include "gui/main_window/property_panel.h"

#include <QLabel>

namespace pictoreel {

namespace {

const QString kProjectFilter = QStringLiteral("Animated GIF Project(*.agp)|*.agp");

bool isBlank(const QString& text) { return text.trimmed().isEmpty(); }

}  // namespace

void MainWindow::setProjectFile(const QString& path)
{
    projectFile_ = path;
    showUndoState();
}

void MainWindow::NewProject()
{
    setProjectFile(QString());
    frames_.clear();
    panel_->resetProjectProperties();
    panel_->setFrameValues(newFrameValues(context_.settingsFile()));
    panel_->clearFileFacts();
    frameImage_.ClearImage();
    originalImage_.ClearImage();
    madePanel_->clear();  // the GIF made last was another project's
    transparencyNotice_->hide();
    transparencyLookedFor_ = false;  // a new project's first make looks again
    startUndoHistory();
}

void MainWindow::StartNewProject()
{
    if (!askToSaveBeforeClosing())
        return;
    NewProject();
    AddFrames();
}

void MainWindow::OpenProject()
{
    const auto chosen = context_.dialogs().openFile(this, {tr("Open Project File (*.agp) ..."), kProjectFilter, {}});
    if (!chosen)
        return;
    OpenProjectFile(*chosen);
}

bool MainWindow::OpenProjectFile(const QString& strFile)
{
    // A picture or any other file that is not a project is not taken for one (the next save
    // would write over it), nor a project of more frames than one holds: the user is told, and
    // the current project stays as it is.
    if (!isBlank(strFile)) {
        if (Status usable = checkProjectToOpen(strFile); !usable) {
            context_.dialogs().inform(this, usable.error().message);
            return false;
        }
    }
    if (!askToSaveBeforeClosing())
        return false;
    NewProject();
    if (isBlank(strFile))
        return false;
    ProjectProperties properties = panel_->projectProperties();
    if (Status read = readProjectFile(strFile, properties, frames_); !read) {  // replaced since the check
        context_.dialogs().inform(this, read.error().message);
        return false;
    }
    panel_->setProjectProperties(properties);
    setProjectFile(strFile);
    AddToHistory(strFile, context_.settingsFile());
    frameList_->selectRow(1);
    ShowFrameProperties();
    frameList_->setFocus();
    startUndoHistory();
    // Reading goes on as it always has; only the frames it left out are told of.
    if (const QString gap = frameKeyGapWarning(strFile); !gap.isEmpty())
        context_.dialogs().messageBox(this, gap, QString(), MessageIcon::Exclamation, MessageButtons::Ok);
    return true;
}

void MainWindow::ShowHistoryList()
{
    auto* list = new HistoryDialog(context_, HistoryListMode::Open, this,
                                   [this](const QString& path) { return OpenProjectFile(path); });
    list->setAttribute(Qt::WA_DeleteOnClose);
    connect(list, &QDialog::finished, this, [this] { applyAutoSizeRule(); });
    list->open();
}

void MainWindow::SaveProject() { trySaveProject(); }

bool MainWindow::trySaveProject()
{
    // The project takes the chosen name only once it is written there (WriteProjectFile).
    QString file = projectFile_;
    if (file.isEmpty()) {
        const auto chosen =
            context_.dialogs().saveFile(this, {tr("Save Project As (*.agp)..."), kProjectFilter, {}});
        if (!chosen)
            return false;
        file = *chosen;
    }
    return !file.isEmpty() && WriteProjectFile(file);
}

void MainWindow::SaveProjectAs()
{
    const auto chosen = context_.dialogs().saveFile(this, {tr("Save Project As ..."), kProjectFilter, {}});
    if (!chosen)
        return;
    WriteProjectFile(*chosen);
}

bool MainWindow::WriteProjectFile(const QString& path)
{
    // Never over a picture or any other file that is not a project: refused before anything
    // changes, the output name included.
    if (!isBlank(path)) {
        if (Status usable = checkProjectFile(path); !usable) {
            context_.dialogs().inform(this, usable.error().message);
            return false;
        }
    }
    ProjectProperties properties = panel_->projectProperties();
    if (isBlank(properties.outputFile)) {
        properties.outputFile = proposeOutputFile(path, frames_);
        panel_->setOutputFile(properties.outputFile);
    }
    if (isBlank(path))
        return false;
    const Status written = writeProjectFile(path, frames_, properties);
    // Not saved, and told: a file replaced since the check, or a picture a project cannot name.
    if (!written &&
        (written.error().code == ErrorCode::UnsupportedFormat || written.error().code == ErrorCode::InvalidArgument)) {
        context_.dialogs().inform(this, written.error().message);
        return false;
    }
    // A file that cannot be written (a folder that is not there, no right to write) is told, and
    // the project keeps its name and its place in the history: the changes are still unsaved,
    // and a close that asked for the save does not go on without them.
    if (!written) {
        context_.dialogs().messageBox(this, tr("The project could not be saved.\n\n") + written.error().text(),
                                      QString(), MessageIcon::Critical, MessageButtons::Ok);
        return false;
    }
    setProjectFile(path);
    recordProjectState();
    undoHistory_.markSaved();
    showUndoState();
    AddToHistory(path, context_.settingsFile());
    return true;
}

}  // namespace pictoreel
