// The main window's command classes (FileCommands, FrameListCommands, SequenceCommands,
// UndoCommands), and what each of them uses of the window.
#include "gui/main_window/main_window.h"

#include "gui/main_window/file_commands.h"
#include "gui/main_window/frame_list_commands.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/sequence_commands.h"
#include "gui/main_window/undo_commands.h"

#include <QLabel>

namespace pictoreel {

void MainWindow::setProjectFile(const QString& path)
{
    projectFile_ = path;
    undoCommands_->showState();
}

RowsHost MainWindow::rowsHost()
{
    return {this, &context_, &frames_, frameList_, [this] { ShowFrameProperties(); }};
}

void MainWindow::buildCommands()
{
    FileHost file;
    file.window = this;
    file.context = &context_;
    file.frames = &frames_;
    file.panel = panel_;
    file.projectFile = [this] { return projectFile_; };
    file.setProjectFile = [this](const QString& path) { setProjectFile(path); };
    file.clearWindow = [this] {
        frameImage_.ClearImage();
        originalImage_.ClearImage();
        madePanel_->clear();  // the GIF made last was another project's
        transparencyNotice_->hide();
        transparencyLookedFor_ = false;  // a new project's first make looks again
        undoCommands_->startHistory();
    };
    file.showOpenedProject = [this] {
        frameList_->selectRow(1);
        ShowFrameProperties();
        frameList_->setFocus();
        undoCommands_->startHistory();
    };
    file.projectSaved = [this] { undoCommands_->markSaved(); };
    file.isModified = [this] { return undoCommands_->isModified(); };
    file.addFrames = [this] { frameListCommands_->AddFrames(); };
    file.applyAutoSizeRule = [this] { applyAutoSizeRule(); };
    fileCommands_ = std::make_unique<FileCommands>(std::move(file));

    frameListCommands_ = std::make_unique<FrameListCommands>(
        FrameListHost{rowsHost(), panel_, &originalImage_, [this] { applyAutoSizeRule(); }});
    sequenceCommands_ = std::make_unique<SequenceCommands>(SequenceHost{rowsHost(), &runModal_});
}

void MainWindow::buildUndoCommands()
{
    UndoHost host;
    host.window = this;
    host.model = model_;
    host.panel = panel_;
    host.frames = &frames_;
    host.list = frameList_;
    host.undoAction = undoAction_;
    host.redoAction = redoAction_;
    host.projectFile = [this] { return projectFile_; };
    host.isWorking = [this] { return isWorking(); };
    host.showFrame = [this] { ShowFrameProperties(); };
    host.clearPictures = [this] {
        frameImage_.ClearImage();
        originalImage_.ClearImage();
    };
    host.applyAutoSizeRule = [this] { applyAutoSizeRule(); };
    undoCommands_ = std::make_unique<UndoCommands>(std::move(host));
}

bool MainWindow::OpenProjectFile(const QString& strFile) { return fileCommands_->OpenProjectFile(strFile); }

void MainWindow::setProgramEndHandler(std::function<void()> handler) { fileCommands_->setProgramEndHandler(std::move(handler)); }

}  // namespace pictoreel
