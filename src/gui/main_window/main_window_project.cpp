// The main window's project commands, which FileCommands runs, and what they use of the window.
#include "gui/main_window/main_window.h"

#include "gui/main_window/file_commands.h"
#include "gui/main_window/frame_list_model.h"

#include <QLabel>

namespace pictoreel {

void MainWindow::setProjectFile(const QString& path)
{
    projectFile_ = path;
    showUndoState();
}

void MainWindow::buildFileCommands()
{
    FileHost host;
    host.window = this;
    host.context = &context_;
    host.frames = &frames_;
    host.panel = panel_;
    host.projectFile = [this] { return projectFile_; };
    host.setProjectFile = [this](const QString& path) { setProjectFile(path); };
    host.clearWindow = [this] {
        frameImage_.ClearImage();
        originalImage_.ClearImage();
        madePanel_->clear();  // the GIF made last was another project's
        transparencyNotice_->hide();
        transparencyLookedFor_ = false;  // a new project's first make looks again
        startUndoHistory();
    };
    host.showOpenedProject = [this] {
        frameList_->selectRow(1);
        ShowFrameProperties();
        frameList_->setFocus();
        startUndoHistory();
    };
    host.projectSaved = [this] {
        recordProjectState();
        undoHistory_.markSaved();
        showUndoState();
    };
    host.isModified = [this] { return isProjectModified(); };
    host.addFrames = [this] { AddFrames(); };
    host.applyAutoSizeRule = [this] { applyAutoSizeRule(); };
    fileCommands_ = std::make_unique<FileCommands>(std::move(host));
}

void MainWindow::NewProject() { fileCommands_->NewProject(); }
void MainWindow::StartNewProject() { fileCommands_->StartNewProject(); }
void MainWindow::OpenProject() { fileCommands_->OpenProject(); }
bool MainWindow::OpenProjectFile(const QString& strFile) { return fileCommands_->OpenProjectFile(strFile); }
void MainWindow::ShowHistoryList() { fileCommands_->ShowHistoryList(); }
void MainWindow::SaveProject() { fileCommands_->SaveProject(); }
void MainWindow::SaveProjectAs() { fileCommands_->SaveProjectAs(); }
bool MainWindow::WriteProjectFile(const QString& path) { return fileCommands_->WriteProjectFile(path); }
bool MainWindow::askToSaveBeforeClosing() { return fileCommands_->askToSaveBeforeClosing(); }

}  // namespace pictoreel
