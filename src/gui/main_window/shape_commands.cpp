// Edit, "Crop ...", the rotations and the flips: how the make cuts and turns every picture. The
// crop is drawn on the frame view over the frame as it is made without the crop (turned and
// fitted), kept in the picture's own pixels, and shown dimmed around it on the original picture's
// view whenever it is set.
#include "gui/main_window/main_window.h"

#include "core/formats/picture_formats.h"
#include "core/production/frame_cache.h"
#include "core/production/frame_shaping.h"
#include "core/project/crop_region.h"
#include "core/project/frame_style.h"
#include "core/project/orientation.h"
#include "core/project/picture_placement.h"
#include "gui/app/busy_pointer.h"
#include "gui/app/dialogs.h"
#include "gui/dialogs/crop_dialog.h"
#include "gui/main_window/caption_placer.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/property_panel.h"
#include "gui/widgets/crop_editor.h"
#include "gui/widgets/image_view.h"

#include <QTabWidget>

#include <utility>

namespace pictoreel {

namespace {

QRect qRect(const PixelRect& r) { return {r.x, r.y, r.width, r.height}; }
PixelRect pixelRect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// The crop of a project's text on a picture of this size; empty for none.
QRect cropRectOf(const QString& text, QSize picture)
{
    const std::optional<CropRegion> region = cropRegionFromText(text);
    if (!region || picture.isEmpty())
        return {};
    return qRect(cropRectIn(*region, picture.width(), picture.height()));
}

}  // namespace

void MainWindow::connectShapeTools()
{
    cropEditor_ = std::make_unique<CropEditor>(
        [this](QRect rect) {
            if (!cropDialog_ || !cropPlacement_)
                return;
            cropInPicture_ = qRect(cropPlacement_->inPicture(pixelRect(rect)));
            cropDialog_->showRect(cropInPicture_);
        },
        [this](bool apply) { finishCrop(apply); });
    cropShade_ = std::make_unique<CropShade>();
    originalView_->setTool(cropShade_.get());
}

void MainWindow::showCropShade()
{
    const QSize picture(originalImage_.ImageWidth(), originalImage_.ImageHeight());
    cropShade_->setCrop(picture, cropRectOf(panel_->projectProperties().crop, picture));
    originalView_->viewport()->update();
}

bool MainWindow::picturesDifferInSize() const
{
    std::optional<PictureSize> first;
    for (int row = 1; row <= frames_.rowCount(); ++row) {
        const std::optional<PictureSize> size = peekPictureFileSize(frameValuesAt(frames_, row).picture);
        if (!size)
            continue;
        if (first && (size->width != first->width || size->height != first->height))
            return true;
        first = first ? first : size;
    }
    return false;
}

void MainWindow::showUncroppedFrame()
{
    BusyPointer busy;
    const int row = frameList_->selectedRow();
    const ProjectProperties project = panel_->projectProperties();
    const Orientation orientation = orientationFromTexts(project.rotate, project.mirror);
    const FrameStyle style = frameStyleFor(project);
    const auto [width, height] = panel_->frameSizeTexts();
    const Result<FrameSize> size = frameSizeFromTexts(width, height);
    const FrameShaping turnedOnly = frameShapingFor(std::nullopt, orientation, {}, 1);  // no captions either
    Result<QString> frameGif{QString()};
    if (size && row >= 1 && row <= frames_.rowCount())
        frameGif = frameGifFor(frameConversionFor(frameValuesAt(frames_, row), size.value(), context_.tempFolder(), style, turnedOnly));
    frameImage_.ClearImage();
    const bool made = frameGif && !frameGif.value().isEmpty() && frameImage_.LoadImage(frameGif.value()).ok();
    if (!made)  // no frame size yet: the turned picture at its own size
        frameImage_.setImage(shapePicture(originalImage_.image(), std::nullopt, orientation));
    cropPlacement_ = std::make_unique<PicturePlacement>(originalImage_.ImageWidth(), originalImage_.ImageHeight(), orientation,
                                                        frameImage_.ImageWidth(), frameImage_.ImageHeight(),
                                                        made ? style.fit : FitMode::Stretch);
}

void MainWindow::EditCrop()
{
    tellWhenNoFrames(rowsHost());
    if (frames_.isEmpty() || isWorking() || cropDialog_)
        return;
    if (!originalImage_.hasImage()) {
        context_.dialogs().inform(this, tr("The picture of this frame cannot be read, so there is nothing to crop."));
        return;
    }
    const QSize picture(originalImage_.ImageWidth(), originalImage_.ImageHeight());
    // The frame view shows the frame as made but for the crop, which is drawn on it.
    viewerTabs_->setCurrentIndex(0);
    captionPlacer_->forget();
    showUncroppedFrame();
    const QRect shownArea = qRect(cropPlacement_->shownArea());
    const auto showTyped = [this](QRect inPicture) {  // what the boxes say, shown on the frame
        cropInPicture_ = inPicture;
        cropEditor_->showRect(qRect(cropPlacement_->onFrame(pixelRect(inPicture))));
        frameView_->viewport()->update();
    };
    cropDialog_ = new CropDialog(this);
    cropDialog_->setPicture(picture);
    connect(cropDialog_, &CropDialog::rectEdited, this, showTyped);
    connect(cropDialog_, &CropDialog::aspectChosen, this, [this](double aspect) { cropEditor_->setAspect(aspect); frameView_->viewport()->update(); });
    connect(cropDialog_, &CropDialog::resetClicked, this, [this, picture, showTyped] {
        cropEditor_->setAspect(0);
        showTyped(QRect(QPoint(), picture));
        cropDialog_->showRect(cropInPicture_);
    });
    connect(cropDialog_, &QDialog::accepted, this, [this] { finishCrop(true); });
    connect(cropDialog_, &QDialog::rejected, this, [this] { finishCrop(false); });
    frameView_->setTool(cropEditor_.get());
    const QRect current = cropRectOf(panel_->projectProperties().crop, picture);
    cropEditor_->start(shownArea, current.isEmpty() ? QRect() : qRect(cropPlacement_->onFrame(pixelRect(current))));
    cropInPicture_ = current.isEmpty() ? QRect(QPoint(), picture) : current;
    cropDialog_->showRect(cropInPicture_);
    // Over the property panel, which has nothing to do meanwhile, so that the picture stays in sight.
    cropDialog_->move(panel_->mapToGlobal(QPoint(0, 0)));
    cropDialog_->show();
    frameView_->setFocus();
}

void MainWindow::finishCrop(bool apply)
{
    if (!cropDialog_)
        return;
    CropDialog* dialog = std::exchange(cropDialog_, nullptr);
    dialog->hide();
    dialog->deleteLater();
    frameView_->setTool(captionPlacer_.get());
    const QRect rect = cropInPicture_;
    const QSize picture(originalImage_.ImageWidth(), originalImage_.ImageHeight());
    cropPlacement_.reset();
    if (!apply) {
        refreshFrameImage();
        return;
    }
    QString text;  // the whole picture: no crop
    if (rect != QRect(QPoint(), picture)) {
        CropRegion region{CropRegion::Unit::Pixels, double(rect.x()), double(rect.y()), double(rect.width()), double(rect.height())};
        if (picturesDifferInSize())  // the same part of each picture, whatever its size
            region = {CropRegion::Unit::Fraction, region.x / picture.width(), region.y / picture.height(),
                      region.width / picture.width(), region.height / picture.height()};
        text = cropRegionText(region);
    }
    changeProjectProperties([&text](ProjectProperties& p) { p.crop = text; });
}

void MainWindow::changeOrientation(const std::function<Orientation(Orientation)>& change)
{
    if (isWorking())
        return;
    changeProjectProperties([&change](ProjectProperties& p) {
        const Orientation before = orientationFromTexts(p.rotate, p.mirror);
        const Orientation after = change(before);
        p.rotate = rotateText(after);
        p.mirror = mirrorText(after);
        if (swapsSides(before) != swapsSides(after))  // the frame turns with its pictures
            std::swap(p.width, p.height);
    });
}

void MainWindow::RotateLeft() { changeOrientation([](Orientation o) { return turned(o, -1); }); }
void MainWindow::RotateRight() { changeOrientation([](Orientation o) { return turned(o, 1); }); }
void MainWindow::Rotate180() { changeOrientation([](Orientation o) { return turned(o, 2); }); }
void MainWindow::FlipHorizontal() { changeOrientation([](Orientation o) { return flipped(o, FlipAxis::Horizontal); }); }
void MainWindow::FlipVertical() { changeOrientation([](Orientation o) { return flipped(o, FlipAxis::Vertical); }); }

}  // namespace pictoreel
