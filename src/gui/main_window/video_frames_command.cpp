// File, "Add Video Frames ...": the frames of a video become rows of the project.
#include "gui/main_window/main_window.h"

#include "gui/main_window/frame_list_commands.h"

#include "core/media/video_frames_export.h"
#include "gui/app/dialogs.h"
#include "gui/converters/avi_to_gif_window.h"
#include "gui/dialogs/video_frames_dialog.h"

namespace pictoreel {

void MainWindow::AddVideoFrames()
{
    const auto video = context_.dialogs().openFile(
        this, {tr("Open Video File ..."), QLatin1String(kVideoFilesFilter) + QStringLiteral("|All Files(*.*)|*.*"), {}});
    if (video)
        addVideoFramesFrom(*video);
}

void MainWindow::addVideoFramesFrom(const QString& video)
{
    auto* dialog = new VideoFramesDialog(context_.dialogs(), video, framesFolderFor(projectFile_, video), this);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        QStringList paths;
        std::vector<int> delays;
        for (const ExtractedFrame& frame : dialog->frames()) {
            paths.append(frame.path);
            delays.push_back(frame.delayCentiseconds);
        }
        frameListCommands_->addPictureRows(paths, delays);
        applyAutoSizeRule();
    });
    showModal(dialog, runModal_);
}

}  // namespace pictoreel
