// Tools, "Record Screen ...": what the recorder window records becomes rows of the project, as
// the frames of a video do.
#include "gui/main_window/record_screen_command.h"

#include "core/media/video_frames_export.h"
#include "gui/app/app_context.h"
#include "gui/main_window/frame_list_commands.h"
#include "gui/main_window/main_window.h"
#include "gui/recorder/recorder_window.h"
#include "portal/recording_path.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace pictoreel {

void explainRecordScreen(QAction& action)
{
    const std::optional<QString> unavailable = screenRecordingUnavailable();
    action.setEnabled(!unavailable);
    if (!unavailable)
        return;
    action.setToolTip(*unavailable);
    action.setStatusTip(*unavailable);
    if (auto* menu = qobject_cast<QMenu*>(action.parent()))
        menu->setToolTipsVisible(true);
}

void MainWindow::RecordScreen()
{
    // Beside the project, as a video's frames are; in the temp folder while it was never saved.
    const auto folderFor = [this](const QString& name) {
        return framesFolderFor(projectFile_, QDir(context_.tempFolder()).filePath(name));
    };
    auto* recorder = new RecorderWindow(context_.dialogs(), folderFor, this);
    connect(recorder, &QDialog::accepted, this, [this, recorder] {
        QStringList paths;
        std::vector<int> delays;
        for (const ExtractedFrame& frame : recorder->frames()) {
            paths.append(frame.path);
            delays.push_back(frame.delayCentiseconds);
        }
        frameListCommands_->addPictureRows(paths, delays);
        applyAutoSizeRule();
    });
    showModal(recorder, runModal_);
}

}  // namespace pictoreel
