// The main window's undo and redo (see undo_commands.h).
#include "gui/main_window/undo_commands.h"

#include "core/project/frame_list.h"
#include "core/project/project_file.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/property_panel.h"

#include <QAction>
#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace pictoreel {

UndoCommands::UndoCommands(UndoHost host) : host_(std::move(host))
{
    QWidget* window = host_.window;
    const auto later = [this] { recordLater(); };
    QObject::connect(host_.model, &QAbstractItemModel::rowsInserted, window, later);
    QObject::connect(host_.model, &QAbstractItemModel::rowsRemoved, window, later);
    QObject::connect(host_.model, &QAbstractItemModel::rowsMoved, window, later);
    QObject::connect(host_.model, &QAbstractItemModel::dataChanged, window, later);
    QObject::connect(host_.model, &QAbstractItemModel::modelReset, window, later);
    QObject::connect(host_.model, &QAbstractItemModel::layoutChanged, window, later);
    // The panel's values change through the user's edits and through Auto Size.
    for (const auto edited : {&PropertyPanel::projectPropertiesEdited, &PropertyPanel::frameStyleEdited,
                              &PropertyPanel::autoWidthClicked, &PropertyPanel::autoHeightClicked})
        QObject::connect(host_.panel, edited, window, later);
}

ProjectState UndoCommands::projectState() const { return {host_.panel->projectProperties(), host_.frames->rows()}; }

void UndoCommands::recordLater()
{
    if (std::exchange(recordQueued_, true))
        return;
    QMetaObject::invokeMethod(
        host_.window, [this] {
            if (recordQueued_)
                record();
        },
        Qt::QueuedConnection);
}

void UndoCommands::record()
{
    recordQueued_ = false;
    history_.record(projectState());
    showState();
}

void UndoCommands::startHistory()
{
    recordQueued_ = false;
    history_.reset(projectState());
    showState();
}

void UndoCommands::markSaved()
{
    record();
    history_.markSaved();
    showState();
}

bool UndoCommands::isModified()
{
    record();
    return history_.isModified();
}

void UndoCommands::showState()
{
    host_.undoAction->setEnabled(history_.canUndo());
    host_.redoAction->setEnabled(history_.canRedo());
    const QString file = host_.projectFile();
    const QString title =
        file.isEmpty() ? QCoreApplication::translate("pictoreel::MainWindow", "New Project - Pictoreel") : projectWindowTitle(file);
    host_.window->setWindowTitle(history_.isModified() ? u'*' + title : title);
}

void UndoCommands::stepHistory(bool back)
{
    if (host_.isWorking())
        return;
    // A change not yet recorded is the one to undo; after an undo, it ends the redo.
    record();
    if (back ? history_.canUndo() : history_.canRedo())
        showProjectState(back ? history_.undo() : history_.redo());
}

void UndoCommands::showProjectState(const ProjectState& state)
{
    const int highlighted = host_.list->selectedRow();
    host_.panel->setProjectProperties(state.properties);
    restoreFrames(*host_.frames, state.rows);
    if (host_.frames->isEmpty()) {
        host_.panel->clearFileFacts();
        host_.clearPictures();
    } else {
        // The highlight stays in its place, or goes to the last row when that place is gone.
        host_.list->selectRow(std::clamp(highlighted, 1, host_.frames->rowCount()));
        host_.showFrame();
    }
    host_.applyAutoSizeRule();
    showState();
}

}  // namespace pictoreel
