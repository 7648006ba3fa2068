// Drag and drop on the main window: pictures and folders become frames where they are dropped,
// a project opens, a video's or an animation's frames are added; rows dragged within the list
// move there.
#include "gui/main_window/main_window.h"

#include "gui/main_window/frame_list_commands.h"

#include "gui/app/dialogs.h"
#include "gui/main_window/frame_drops.h"
#include "gui/main_window/frame_list_model.h"

#include <QDragEnterEvent>

namespace pictoreel {

void MainWindow::connectDrops()
{
    setAcceptDrops(true);
    // Handled once the drop is over, so that a message box or dialog does not hold up the program
    // the files came from.
    connect(model_, &FrameListModel::filesDropped, this, &MainWindow::dropFiles, Qt::QueuedConnection);
    connect(model_, &FrameListModel::rowsDragged, this, [this](int first, int count) {
        frameList_->selectRows(first, first + count - 1);
        ShowFrameProperties();
        frameList_->setFocus();
    });
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) { takeFileDrag(event, isWorking()); }

void MainWindow::dragMoveEvent(QDragMoveEvent* event) { takeFileDrag(event, isWorking()); }

void MainWindow::dropEvent(QDropEvent* event)
{
    if (takeFileDrag(event, isWorking()))
        QMetaObject::invokeMethod(this, [this, paths = droppedLocalFiles(event->mimeData())] { dropFiles(paths, 0); },
                                  Qt::QueuedConnection);
}

void MainWindow::dropFiles(const QStringList& paths, int before)
{
    if (isWorking())
        return;
    const DroppedFiles dropped = sortDroppedFiles(paths);
    if (!dropped.project.isEmpty()) {
        OpenProjectFile(dropped.project);  // as File, "&Open Project ..." opens the one chosen
    } else if (!dropped.holdsMedia()) {
        context_.dialogs().inform(this, tr("None of the dropped files or folders holds a picture."));
    } else {
        frameListCommands_->addPictureRows(dropped.pictures, {}, before);
        // One dialog at a time: a video's, or else an animation's.
        if (!dropped.video.isEmpty())
            addVideoFramesFrom(dropped.video);
        else if (!dropped.animation.isEmpty())
            importAnimationFramesFrom(dropped.animation);
    }
    applyAutoSizeRule();
}

}  // namespace pictoreel
