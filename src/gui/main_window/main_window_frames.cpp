// The main window's frame commands: adding, removing and moving frames, showing the selected
// frame's picture and values, and the property panel's buttons.
#include "gui/main_window/main_window.h"

#include "gui/main_window/new_frame_defaults.h"
#include "gui/main_window/add_pictures_dialog.h"
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

#include <QCoreApplication>

#include <algorithm>
#include <numeric>

namespace pictoreel {

// The file types of the picture formats we read, from the format table.
QString imageFilesFilter()
{
    // WebP, HEIC and AVIF pictures by themselves, after the entries the dialog always had.
    return pictureFilesFilter()
           + QStringLiteral("|WebP Files (*.webp)|*.webp|HEIC/HEIF Files (*.heic;*.heif)|*.heic;*.heif;*.hif"
                            "|AVIF Files (*.avif)|*.avif");
}

namespace {

// Up to ten of them by name, then how many more.
QString unnameablePicturesMessage(const QStringList& pictures)
{
    constexpr qsizetype kNamed = 10;
    QString list = pictures.mid(0, kNamed).join(u'\n');
    if (pictures.size() > kNamed)
        list += QCoreApplication::translate("pictoreel::MainWindow", "\n... and %1 more").arg(pictures.size() - kNamed);
    return QCoreApplication::translate("pictoreel::MainWindow", "%1 not added: %2. Rename or move %3, then add %3 again.\n\n%4")
        .arg(pictures.size() == 1 ? QCoreApplication::translate("pictoreel::MainWindow", "This picture was") : QCoreApplication::translate("pictoreel::MainWindow", "These pictures were"),
             unnameablePictureReasons(), pictures.size() == 1 ? QCoreApplication::translate("pictoreel::MainWindow", "it") : QCoreApplication::translate("pictoreel::MainWindow", "them"), list);
}

}  // namespace

// ---- frame editing ------------------------------------------------------------------------------

void MainWindow::AddFrames()
{
    addPictureRows(askForPictures(this, context_.dialogs(), imageFilesFilter(), context_.settingsFile()));
}

void MainWindow::addPictureRows(const QStringList& paths, const std::vector<int>& intervals, int before)
{
    // A picture the project could not name is told about and left out here, not when saving.
    QStringList refused;
    for (const QString& path : paths)
        if (!projectCanName(path))
            refused.append(path);
    if (!refused.isEmpty())
        context_.dialogs().inform(this, unnameablePicturesMessage(refused));
    if (refused.size() == paths.size())
        return;
    const bool wasEmpty = frames_.isEmpty();
    const int oldCount = frames_.rowCount();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (!projectCanName(paths[i]))
            continue;
        NewFrameValues values = panel_->frameValues();
        if (std::size_t(i) < intervals.size())
            values.intervalText = QString::number(intervals[std::size_t(i)]);
        if (!frames_.AddFrameEntry(paths[i], values).ok())
            return;  // the frame values cannot make a row: the command ends, added rows stay
    }
    if (before >= 1 && before <= oldCount) {
        // The highlight stays on its frame.
        const int selected = frameList_->selectedRow();
        std::vector<int> added(std::size_t(frames_.rowCount() - oldCount));
        std::iota(added.begin(), added.end(), oldCount + 1);
        frames_.moveRows(added, before);
        if (selected >= before)
            frameList_->selectRow(selected + int(added.size()));
    }
    frames_.RenumberFrames();
    if (frameList_->selectedRow() == 0)
        frameList_->selectRow(1);
    ShowFrameProperties();
    frameList_->setFocus();
    if (wasEmpty) {
        // The first picture's size, scaled down into the size boxes' range when it is larger.
        const QSize size = frameSizeWithin({originalImage_.ImageWidth(), originalImage_.ImageHeight()}, panel_->largestFrameSide());
        if (size.width() > 1)
            panel_->setFrameWidth(size.width());
        if (size.height() > 1)
            panel_->setFrameHeight(size.height());
        if (size.width() > 1 || size.height() > 1)
            ShowFrameProperties();
    }
}

void MainWindow::CheckAllFrames()
{
    tellWhenNoFrames();
    frames_.SetAllChecked(true);
}

void MainWindow::UncheckAllFrames()
{
    tellWhenNoFrames();
    frames_.SetAllChecked(false);
}

void MainWindow::ClearAllFrames()
{
    tellWhenNoFrames();
    frames_.clear();
}

void MainWindow::tellWhenNoFrames()
{
    if (frames_.isEmpty())
        context_.dialogs().inform(this, tr("No files in the list!"));
}

void MainWindow::RemoveCheckedFrames()
{
    tellWhenNoFrames();
    frames_.removeCheckedRows();
    frames_.RenumberFrames();
    ShowFrameProperties();
    frameList_->setFocus();
}

void MainWindow::MoveFrameUp()
{
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, tr("There is no frames for moving, Please add frames first"));
        return;
    }
    if (frameList_->selectedRows().size() > 1) {
        moveSelectedFrames(-1);
        return;
    }
    const int i = frameList_->selectedRow();
    if (i == 0)
        return;  // nothing highlighted: passed over
    if (i < 2) {
        context_.dialogs().inform(this, tr("The frame is already at the top."));
        return;
    }
    SwapFrames(i - 1, i);
}

void MainWindow::MoveFrameDown()
{
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, tr("There is no frames for moving, Please add frames first"));
        return;
    }
    if (frameList_->selectedRows().size() > 1) {
        moveSelectedFrames(+1);
        return;
    }
    const int i = frameList_->selectedRow();
    if (i == 0)
        return;
    if (i >= frames_.rowCount()) {
        context_.dialogs().inform(this, tr("The frame is already at the bottom."));
        return;
    }
    SwapFrames(i + 1, i);
}

void MainWindow::SwapFrames(int a, int b)
{
    frames_.SwapFrames(a, b);
    frameList_->selectRow(a);
    frameList_->setFocus();
}

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
        recordProjectStateLater();
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
