// Edit, "Captions ...", and the captions dragged on the frame view.
#include "gui/main_window/main_window.h"

#include "gui/dialogs/captions_dialog.h"
#include "gui/main_window/caption_placer.h"
#include "gui/main_window/undo_commands.h"
#include "gui/main_window/property_panel.h"
#include "gui/widgets/image_view.h"

namespace pictoreel {

void MainWindow::connectCaptions()
{
    captionPlacer_ = std::make_unique<CaptionPlacer>(frameImage_, [this](const CaptionLayers& placed) {
        changeProjectProperties([&placed](ProjectProperties& p) { p.captions = placed; });
    });
    frameView_->setTool(captionPlacer_.get());
}

void MainWindow::changeProjectProperties(const std::function<void(ProjectProperties&)>& change)
{
    ProjectProperties properties = panel_->projectProperties();
    change(properties);
    panel_->setProjectProperties(properties);
    undoCommands_->recordLater();
    refreshFrameImage();
}

void MainWindow::EditCaptions()
{
    if (isWorking())
        return;
    auto* dialog = new CaptionsDialog(context_.dialogs(), panel_->projectProperties().captions, frames_.rowCount(), this);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        changeProjectProperties([dialog](ProjectProperties& p) { p.captions = dialog->layers(); });
    });
    showModal(dialog, runModal_);
}

}  // namespace pictoreel
