// The main window's undo and redo, and the modified mark of its title. Whatever changes the
// project (a menu or toolbar command, a key, a drop, a drag, a value typed into the property panel)
// is recorded once that command is over, as one state of the history; the check boxes of the
// rows are carried along but are no change of their own, as the project file does not hold them.
#include "gui/main_window/main_window.h"

#include "core/project/project_file.h"
#include "gui/app/dialogs.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/property_panel.h"

#include <QAction>

#include <algorithm>
#include <utility>

namespace pictoreel {

void MainWindow::connectUndo()
{
    connect(model_, &QAbstractItemModel::rowsInserted, this, &MainWindow::recordProjectStateLater);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &MainWindow::recordProjectStateLater);
    connect(model_, &QAbstractItemModel::rowsMoved, this, &MainWindow::recordProjectStateLater);
    connect(model_, &QAbstractItemModel::dataChanged, this, &MainWindow::recordProjectStateLater);
    connect(model_, &QAbstractItemModel::modelReset, this, &MainWindow::recordProjectStateLater);
    connect(model_, &QAbstractItemModel::layoutChanged, this, &MainWindow::recordProjectStateLater);
    // The panel's values change through the user's edits and through Auto Size.
    for (const auto edited : {&PropertyPanel::projectPropertiesEdited, &PropertyPanel::frameStyleEdited,
                              &PropertyPanel::autoWidthClicked, &PropertyPanel::autoHeightClicked})
        connect(panel_, edited, this, &MainWindow::recordProjectStateLater);
}

ProjectState MainWindow::projectState() const { return {panel_->projectProperties(), frames_.rows()}; }

void MainWindow::recordProjectStateLater()
{
    // One command makes many changes (a row at a time, then the size boxes): they are recorded
    // together once control is back in the event loop.
    if (std::exchange(recordQueued_, true))
        return;
    QMetaObject::invokeMethod(
        this, [this] {
            if (recordQueued_)
                recordProjectState();
        },
        Qt::QueuedConnection);
}

void MainWindow::recordProjectState()
{
    recordQueued_ = false;
    undoHistory_.record(projectState());
    showUndoState();
}

void MainWindow::startUndoHistory()
{
    recordQueued_ = false;
    undoHistory_.reset(projectState());
    showUndoState();
}

bool MainWindow::isProjectModified()
{
    recordProjectState();
    return undoHistory_.isModified();
}

void MainWindow::showUndoState()
{
    undoAction_->setEnabled(undoHistory_.canUndo());
    redoAction_->setEnabled(undoHistory_.canRedo());
    const QString title = projectFile_.isEmpty() ? tr("New Project - Pictoreel") : projectWindowTitle(projectFile_);
    setWindowTitle(undoHistory_.isModified() ? u'*' + title : title);
}

void MainWindow::undoChange() { stepUndoHistory(true); }

void MainWindow::redoChange() { stepUndoHistory(false); }

void MainWindow::stepUndoHistory(bool back)
{
    if (isWorking())
        return;
    // A change not yet recorded is the one to undo; after an undo, it ends the redo.
    recordProjectState();
    if (back ? undoHistory_.canUndo() : undoHistory_.canRedo())
        showProjectState(back ? undoHistory_.undo() : undoHistory_.redo());
}

void MainWindow::showProjectState(const ProjectState& state)
{
    const int highlighted = frameList_->selectedRow();
    panel_->setProjectProperties(state.properties);
    restoreFrames(frames_, state.rows);
    if (frames_.isEmpty()) {
        panel_->clearFileFacts();
        frameImage_.ClearImage();
        originalImage_.ClearImage();
    } else {
        // The highlight stays in its place, or goes to the last row when that place is gone.
        frameList_->selectRow(std::clamp(highlighted, 1, frames_.rowCount()));
        ShowFrameProperties();
    }
    applyAutoSizeRule();
    showUndoState();
}

}  // namespace pictoreel
