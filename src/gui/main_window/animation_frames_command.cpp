// File, "Import Animation Frames ...": the frames of an animated GIF, WebP or PNG become rows of
// the project, each with its delay, and the animation's loop count becomes the project's.
#include "gui/main_window/main_window.h"

#include "gui/main_window/frame_list_commands.h"

#include "gui/app/dialogs.h"
#include "gui/dialogs/animation_frames_dialog.h"
#include "gui/main_window/property_panel.h"

namespace pictoreel {

void MainWindow::ImportAnimationFrames()
{
    const auto animation = context_.dialogs().openFile(
        this, {tr("Open Animation ..."),
               QStringLiteral("Animations (*.gif;*.webp;*.png;*.apng)|*.gif;*.webp;*.png;*.apng|All Files(*.*)|*.*"), {}});
    if (animation)
        importAnimationFramesFrom(*animation);
}

void MainWindow::importAnimationFramesFrom(const QString& animation)
{
    auto* dialog = new AnimationFramesDialog(context_.dialogs(), animation, framesFolderFor(projectFile_, animation), this);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        const ImportedAnimation& imported = dialog->animation();
        QStringList paths;
        std::vector<int> delays;
        for (const ExtractedFrame& frame : imported.frames) {
            paths.append(frame.path);
            delays.push_back(frame.delayCentiseconds);
        }
        if (imported.loopCount) {
            ProjectProperties properties = panel_->projectProperties();
            properties.loopInfinitely = *imported.loopCount == 0 ? kLoopTicked : kLoopUnticked;
            if (*imported.loopCount != 0)
                properties.loopTimes = QString::number(*imported.loopCount);
            panel_->setProjectProperties(properties);
        }
        frameListCommands_->addPictureRows(paths, delays);
        applyAutoSizeRule();
    });
    showModal(dialog, runModal_);
}

}  // namespace pictoreel
