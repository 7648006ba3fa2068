// Edit, "Crop ...", the rotations and the flips: how the make cuts and turns every picture. The
// crop is drawn on the frame view over the picture as it is (before the turn), and shown dimmed
// around it on the original picture's view whenever it is set.
#include "gui/main_window/main_window.h"

#include "core/formats/picture_formats.h"
#include "core/project/crop_region.h"
#include "core/project/orientation.h"
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

// The crop of a project's text on a picture of this size; empty for none.
QRect cropRectOf(const QString& text, QSize picture)
{
    const std::optional<CropRegion> region = cropRegionFromText(text);
    if (!region || picture.isEmpty())
        return {};
    const PixelRect r = cropRectIn(*region, picture.width(), picture.height());
    return {r.x, r.y, r.width, r.height};
}

}  // namespace

void MainWindow::connectShapeTools()
{
    cropEditor_ = std::make_unique<CropEditor>(
        [this](QRect rect) {
            if (cropDialog_)
                cropDialog_->showRect(rect);
        },
        [this](bool apply) { finishCrop(apply); });
    cropShade_ = std::make_unique<CropShade>();
    wpdlx3View->setTool(cropShade_.get());
}

void MainWindow::showCropShade()
{
    const QSize picture(wpdlx3.ImageWidth(), wpdlx3.ImageHeight());
    cropShade_->setCrop(picture, cropRectOf(SSTab1->projectProperties().crop, picture));
    wpdlx3View->viewport()->update();
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

void MainWindow::EditCrop()
{
    tellWhenNoFrames();
    if (frames_.isEmpty() || isWorking() || cropDialog_)
        return;
    if (!wpdlx3.hasImage()) {
        context_.dialogs().inform(this, tr("The picture of this frame cannot be read, so there is nothing to crop."));
        return;
    }
    const QSize picture(wpdlx3.ImageWidth(), wpdlx3.ImageHeight());
    cropDialog_ = new CropDialog(this);
    cropDialog_->setPicture(picture);
    connect(cropDialog_, &CropDialog::rectEdited, this, [this](QRect rect) { cropEditor_->setRect(rect); wpdlx1View->viewport()->update(); });
    connect(cropDialog_, &CropDialog::aspectChosen, this, [this](double aspect) { cropEditor_->setAspect(aspect); wpdlx1View->viewport()->update(); });
    connect(cropDialog_, &CropDialog::resetClicked, this, [this, picture] {
        cropEditor_->setAspect(0);
        cropEditor_->setRect(QRect(QPoint(), picture));
        wpdlx1View->viewport()->update();
    });
    connect(cropDialog_, &QDialog::accepted, this, [this] { finishCrop(true); });
    connect(cropDialog_, &QDialog::rejected, this, [this] { finishCrop(false); });
    // The frame view shows the whole picture, the crop drawn on it.
    SSTab2->setCurrentIndex(0);
    wpdlx1.setImage(wpdlx3.image());
    wpdlx1View->setTool(cropEditor_.get());
    cropEditor_->start(picture, cropRectOf(SSTab1->projectProperties().crop, picture));
    // Over the property panel, which has nothing to do meanwhile, so that the picture stays in sight.
    cropDialog_->move(SSTab1->mapToGlobal(QPoint(0, 0)));
    cropDialog_->show();
    wpdlx1View->setFocus();
}

void MainWindow::finishCrop(bool apply)
{
    if (!cropDialog_)
        return;
    CropDialog* dialog = std::exchange(cropDialog_, nullptr);
    dialog->hide();
    dialog->deleteLater();
    wpdlx1View->setTool(captionPlacer_.get());
    if (!apply) {
        refreshFrameImage();
        return;
    }
    const QRect rect = cropEditor_->rect();
    const QSize picture = cropEditor_->picture();
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
