// The main window's frame commands: adding, removing and moving frames, showing the selected
// frame's picture and values, and the property panel's buttons.
#include "gui/main_window/main_window.h"

#include "core/formats/picture_formats.h"
#include "core/production/frame_cache.h"
#include "gui/app/busy_pointer.h"
#include "gui/app/dialogs.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/property_panel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pictoreel {

// The file types of the picture formats we read, from the format table.
QString imageFilesFilter() { return pictureFilesFilter(); }

// ---- frame editing ------------------------------------------------------------------------------

void MainWindow::AddFrames()
{
    const bool wasEmpty = frames_.isEmpty();
    const QStringList paths =
        context_.dialogs().openFiles(this, {QStringLiteral("Open Image Files ..."), imageFilesFilter(), {}});
    if (paths.isEmpty())
        return;
    for (const QString& path : paths) {
        if (!frames_.AddFrameEntry(path, SSTab1->frameValues()).ok())
            return;  // the frame values cannot make a row: the command ends, added rows stay
    }
    frames_.RenumberFrames();
    if (ListView1->selectedRow() == 0)
        ListView1->selectRow(1);
    ShowFrameProperties();
    ListView1->setFocus();
    if (wasEmpty) {
        cmdAutoW_Click();
        cmdAutoH_Click();
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
        context_.dialogs().inform(this, QStringLiteral("No files in the list!"));
}

void MainWindow::RemoveCheckedFrames()
{
    tellWhenNoFrames();
    frames_.removeCheckedRows();
    frames_.RenumberFrames();
    ShowFrameProperties();
    ListView1->setFocus();
}

void MainWindow::MoveFrameUp()
{
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, QStringLiteral("There is no frames for moving, Please add frames first"));
        return;
    }
    const int i = ListView1->selectedRow();
    if (i == 0)
        return;  // nothing highlighted: passed over
    if (i < 2) {
        context_.dialogs().inform(this, QStringLiteral("The frame is already at the top."));
        return;
    }
    SwapFrames(i - 1, i);
}

void MainWindow::MoveFrameDown()
{
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, QStringLiteral("There is no frames for moving, Please add frames first"));
        return;
    }
    const int i = ListView1->selectedRow();
    if (i == 0)
        return;
    if (i >= frames_.rowCount()) {
        context_.dialogs().inform(this, QStringLiteral("The frame is already at the bottom."));
        return;
    }
    SwapFrames(i + 1, i);
}

void MainWindow::SwapFrames(int a, int b)
{
    frames_.SwapFrames(a, b);
    ListView1->selectRow(a);
    ListView1->setFocus();
}

void MainWindow::ShowFrameProperties()
{
    if (frames_.isEmpty())
        return;
    const int i = ListView1->selectedRow();
    if (i < 1 || i > frames_.rowCount())
        return;
    BusyPointer busy;
    const FrameValues frame = frameValuesAt(frames_, i);
    // The frame as made (none while the size boxes hold no size) beside its picture.
    wpdlx1.ClearImage();
    if (const Result<FrameSize> size = frameSizeFromTexts(SSTab1->txtWidth->text(), SSTab1->txtHeight->text())) {
        const Result<QString> frameGif = frameGifFor(frameConversionFor(frame, size.value(), context_.tempFolder()));
        if (frameGif && !frameGif.value().isEmpty())
            (void)wpdlx1.LoadImage(frameGif.value());
    }
    wpdlx3.ClearImage();
    (void)wpdlx3.LoadImage(frame.picture);

    SSTab1->chkTrans->setChecked(frame.transparent);
    if (frame.transColor)
        SSTab1->setTransColor(*frame.transColor);
    SSTab1->txtInterval->setText(QString::number(frame.interval));
    SSTab1->lWidth->setText(QString::number(wpdlx3.ImageWidth()) + QStringLiteral(" Pixels"));
    SSTab1->lHeight->setText(QString::number(wpdlx3.ImageHeight()) + QStringLiteral(" Pixels"));
    SSTab1->lName->setText(frame.fileName);
    SSTab1->lPath->setText(frames_.row(i).folder);
    SSTab1->lSize->setText(FileSizeText(frame.picture));
}

void MainWindow::cmdAutoW_Click()
{
    const int w = wpdlx3.ImageWidth();
    if (w > 1) {
        SSTab1->txtWidth->setText(QString::number(w));
        ShowFrameProperties();
    }
}

void MainWindow::cmdAutoH_Click()
{
    const int h = wpdlx3.ImageHeight();
    if (h > 1) {
        SSTab1->txtHeight->setText(QString::number(h));
        ShowFrameProperties();
    }
}

// ---- the property panel's buttons ---------------------------------------------------------------

void MainWindow::connectPanel()
{
    connect(SSTab1->cmdAutoW, &QPushButton::clicked, this, [this] { cmdAutoW_Click(); });
    connect(SSTab1->cmdAutoH, &QPushButton::clicked, this, [this] { cmdAutoH_Click(); });
    connect(SSTab1->cmdOutputFile, &QPushButton::clicked, this, [this] { cmdOutputFile_Click(); });
    connect(SSTab1, &PropertyPanel::outputFileKeyPressed, this, [this] { cmdOutputFile_Click(); });
    connect(SSTab1->cmdTransColor, &QPushButton::clicked, this, [this] { cmdTransColor_Click(); });
    connect(SSTab1->cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(SSTab1->cmdApplyAll, &QPushButton::clicked, this, [this] { cmdApplyAll_Click(); });
}

void MainWindow::cmdOutputFile_Click()
{
    const auto chosen = context_.dialogs().saveFile(
        this, {QStringLiteral("Set a gif file name for output ..."), QStringLiteral("Animated GIF Files|*.gif"), {}});
    if (chosen)
        SSTab1->txtOutputFile->setText(*chosen);
}

void MainWindow::cmdTransColor_Click()
{
    if (const auto colour = context_.dialogs().chooseColor(this))
        SSTab1->setTransColor(*colour);
}

void MainWindow::writeFrameValues(int row)
{
    frames_.setColumn(row, FrameColumn::Interval, SSTab1->txtInterval->text());
    frames_.setColumn(row, FrameColumn::Trans,
                      SSTab1->chkTrans->isChecked() ? QStringLiteral("YES") : QStringLiteral("NO"));
    frames_.setColumn(row, FrameColumn::TransColor, QString::number(SSTab1->transColor()));
}

void MainWindow::cmdApply_Click()
{
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, QStringLiteral("No frames now!"));
        return;
    }
    if (const int i = ListView1->selectedRow(); i >= 1)
        writeFrameValues(i);
}

void MainWindow::cmdApplyAll_Click()
{
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, QStringLiteral("No frames now!"));
        return;
    }
    for (int i = 1; i <= frames_.rowCount(); ++i)
        writeFrameValues(i);
}

}  // namespace pictoreel
