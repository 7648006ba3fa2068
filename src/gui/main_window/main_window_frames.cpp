// The main window's frame views: the highlighted frame's picture and values, and the property
// panel's buttons.
#include "gui/main_window/main_window.h"

#include "gui/main_window/new_frame_defaults.h"
#include "gui/app/frame_side_setting.h"

#include "core/formats/picture_formats.h"
#include "core/production/frame_cache.h"
#include "core/production/frame_shaping.h"
#include "core/project/project_file.h"
#include "gui/app/busy_pointer.h"
#include "gui/app/dialogs.h"
#include "gui/main_window/caption_placer.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/property_panel.h"
#include "gui/main_window/undo_commands.h"

#include <algorithm>

namespace pictoreel {

// ---- the highlighted frame ----------------------------------------------------------------------

void MainWindow::ShowFrameProperties()
{
    if (frames_.isEmpty())
        return;
    const int i = frameList_->selectedRow();
    if (i < 1 || i > frames_.rowCount())
        return;
    BusyPointer busy;
    const FrameValues frame = frameValuesAt(frames_, i);
    refreshFrameImage();
    originalImage_.ClearImage();
    const bool loaded = originalImage_.LoadImage(frame.picture).ok();
    showCropShade();
    const std::optional<PictureSize> own = loaded ? drawingSizeBeyondLimits(frame.picture) : std::nullopt;

    panel_->showFrame({.interval = frame.interval, .transparent = frame.transparent, .transColor = frame.transColor,
                       .pictureWidth = originalImage_.ImageWidth(), .pictureHeight = originalImage_.ImageHeight(),
                       .drawingOwnSize = own ? std::optional<QSize>(QSize(own->width, own->height)) : std::nullopt,
                       .fileName = frame.fileName, .folder = frames_.row(i).folder, .picture = frame.picture});
}

void MainWindow::refreshFrameImage()
{
    const int i = frameList_->selectedRow();
    if (frames_.isEmpty() || i < 1 || i > frames_.rowCount())
        return;
    BusyPointer busy;
    // The frame as made (none while the size boxes hold no size) beside its picture.
    const auto [width, height] = panel_->frameSizeTexts();
    if (cropDialog_)
        finishCrop(false);  // another frame, or other values: the crop drawn so far is given up
    frameImage_.ClearImage();
    captionPlacer_->forget();
    showCropShade();
    if (const Result<FrameSize> size = frameSizeFromTexts(width, height)) {
        const FrameValues frame = frameValuesAt(frames_, i);
        const ProjectProperties project = panel_->projectProperties();
        // The picture cropped and turned as the make does it; the captions are drawn over the
        // fitted frame here, so that a caption dragged on the view follows the mouse at once.
        const FrameShaping shaping = frameShapingFor(cropRegionFromText(project.crop), orientationFromTexts(project.rotate, project.mirror), {}, i);
        const Result<QString> frameGif = frameGifFor(frameConversionFor(frame, size.value(), context_.tempFolder(), frameStyleFor(project), shaping));
        if (frameGif && !frameGif.value().isEmpty() && frameImage_.LoadImage(frameGif.value()).ok())
            captionPlacer_->show(frameImage_.image(), project.captions, i);
    }
}

void MainWindow::fitWidthToPicture()
{
    const int w = std::min(originalImage_.ImageWidth(), panel_->largestFrameSide());
    if (w > 1) {
        panel_->setFrameWidth(w);
        ShowFrameProperties();
    }
}

void MainWindow::fitHeightToPicture()
{
    const int h = std::min(originalImage_.ImageHeight(), panel_->largestFrameSide());
    if (h > 1) {
        panel_->setFrameHeight(h);
        ShowFrameProperties();
    }
}

// ---- the property panel's buttons ---------------------------------------------------------------

void MainWindow::connectPanel()
{
    connect(panel_, &PropertyPanel::autoWidthClicked, this, [this] { fitWidthToPicture(); });
    connect(panel_, &PropertyPanel::autoHeightClicked, this, [this] { fitHeightToPicture(); });
    connect(panel_, &PropertyPanel::outputFileRequested, this, [this] { chooseOutputFile(); });
    connect(panel_, &PropertyPanel::transColorRequested, this, [this] { chooseTransColor(); });
    connect(panel_, &PropertyPanel::applyClicked, this, [this] { applyToFrame(); });
    connect(panel_, &PropertyPanel::applyAllClicked, this, [this] { applyToAllFrames(); });
    connect(panel_, &PropertyPanel::frameSizeEdited, this, [this] { refreshFrameImage(); });
    connect(panel_, &PropertyPanel::frameStyleEdited, this, [this] { refreshFrameImage(); });
    connect(panel_, &PropertyPanel::transparentClicked, this,
            [this](bool ticked) { rememberNewFramesTransparent(ticked, context_.settingsFile()); });
    panel_->setAspectPictureSource([this] { return frames_.isEmpty() ? QString() : frameValuesAt(frames_, 1).picture; });
}

void MainWindow::chooseOutputFile()
{
    const auto chosen = context_.dialogs().saveFile(
        this, {tr("Set a gif file name for output ..."),
               QStringLiteral("Animated GIF Files|*.gif|Animated WebP Files|*.webp|Animated PNG Files|*.png;*.apng"), {}});
    if (chosen) {
        panel_->setOutputFile(*chosen);
        undoCommands_->recordLater();
    }
}

void MainWindow::chooseTransColor()
{
    if (const auto colour = context_.dialogs().chooseColor(this))
        panel_->setTransColor(*colour);
}

void MainWindow::writeFrameValues(int row)
{
    const NewFrameValues values = panel_->frameValues();
    frames_.setColumn(row, FrameColumn::Interval, values.intervalText);
    frames_.setColumn(row, FrameColumn::Trans, values.transparent ? QStringLiteral("YES") : QStringLiteral("NO"));
    frames_.setColumn(row, FrameColumn::TransColor, QString::number(values.transColor));
}

void MainWindow::applyToFrame()
{
    if (!panel_->settleRangeChecks())
        return;
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, tr("No frames now!"));
        return;
    }
    // Several selected rows all take the values; otherwise the highlighted row does.
    if (const std::vector<int> rows = frameList_->selectedRows(); rows.size() > 1) {
        for (int row : rows)
            writeFrameValues(row);
    } else if (const int i = frameList_->selectedRow(); i >= 1) {
        writeFrameValues(i);
    }
}

void MainWindow::applyToAllFrames()
{
    if (!panel_->settleRangeChecks())
        return;
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, tr("No frames now!"));
        return;
    }
    for (int i = 1; i <= frames_.rowCount(); ++i)
        writeFrameValues(i);
}

}  // namespace pictoreel
