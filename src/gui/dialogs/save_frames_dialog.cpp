#include "gui/dialogs/save_frames_dialog.h"

#include "core/project/paths.h"
#include "gui/widgets/compact_font.h"
#include "gui/widgets/one_line_box.h"
#include "gui/app/dialogs.h"
#include "gui/widgets/twips.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace pictoreel {

namespace {

// The window's places, in twips.
constexpr int kClientWidth = 6015;
constexpr int kClientHeight = 2835;
constexpr int kFrameLeft = 240, kFrameWidth = 5535, kFrameHeight = 855;
constexpr int kFormatTop = 120, kOutputTop = 1200;
constexpr int kButtonTop = 2280, kButtonWidth = 1215, kButtonHeight = 375;
constexpr int kOkLeft = 3120, kCancelLeft = 4560;
// Inside a frame: below its caption, the box and its "..." button.
constexpr int kInnerLeft = 120, kInnerTop = 345, kBoxHeight = 330, kBrowseWidth = 495, kInnerGap = 75;

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption, int top)
{
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    frame->setAccessibleName(caption);
    frame->setGeometry(twipsRect(kFrameLeft, top, kFrameWidth, kFrameHeight));
    return frame;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, const QString& accessible)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(accessible);
    return button;
}

// A text box and its "..." button across a frame.
QLineEdit* fillOutputFrame(QGroupBox* frame, const char* boxName, const QString& label, QPushButton*& browse,
                           const char* browseName)
{
    auto* box = new QLineEdit(frame);
    box->setObjectName(QLatin1String(boxName));
    keepOnOneLine(box);
    box->setAccessibleName(label);
    const int boxWidth = kFrameWidth - 2 * kInnerLeft - kInnerGap - kBrowseWidth;
    box->setGeometry(twipsRect(kInnerLeft, kInnerTop, boxWidth, kBoxHeight));
    browse = makeButton(frame, browseName, QStringLiteral("..."), QCoreApplication::translate("pictoreel::SaveFramesDialog", "Browse for the %1").arg(label.toLower()));
    browse->setAutoDefault(false);
    browse->setGeometry(twipsRect(kInnerLeft + boxWidth + kInnerGap, kInnerTop, kBrowseWidth, kBoxHeight));
    return box;
}

}  // namespace

SaveFramesDialog::SaveFramesDialog(Dialogs& dialogs, SaveFramesRequest& request, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), request_(request)
{
    setObjectName(QStringLiteral("frmSaveFrames"));
    setWindowTitle(tr("Save Frame(s)"));
    setAccessibleName(tr("Save Frame(s)"));
    applyCompactFont(this);

    Frame1 = makeFrame(this, "Frame1", tr("Choose Output Format"), kFormatTop);
    cboFormats = new QComboBox(Frame1);
    cboFormats->setObjectName(QStringLiteral("cboFormats"));
    cboFormats->setAccessibleName(tr("Choose Output Format"));
    cboFormats->setGeometry(twipsRect(kInnerLeft, kInnerTop, kFrameWidth - 2 * kInnerLeft, kBoxHeight));

    frmFile = makeFrame(this, "frmFile", tr("Output File"), kOutputTop);
    txtFile = fillOutputFrame(frmFile, "txtFile", tr("Output File"), cmdFile, "cmdFile");
    frmDir = makeFrame(this, "frmDir", tr("Output Directory"), kOutputTop + kFrameHeight);
    txtDir = fillOutputFrame(frmDir, "txtDir", tr("Output Directory"), cmdDir, "cmdDir");

    OKButton = makeButton(this, "OKButton", tr("OK"), tr("OK"));
    OKButton->setGeometry(twipsRect(kOkLeft, kButtonTop, kButtonWidth, kButtonHeight));
    OKButton->setDefault(true);
    CancelButton = makeButton(this, "CancelButton", tr("Cancel"), tr("Cancel"));
    CancelButton->setGeometry(twipsRect(kCancelLeft, kButtonTop, kButtonWidth, kButtonHeight));
    CancelButton->setAutoDefault(false);

    connect(cmdFile, &QPushButton::clicked, this, &SaveFramesDialog::chooseFile);
    connect(cmdDir, &QPushButton::clicked, this, &SaveFramesDialog::chooseFolder);
    connect(OKButton, &QPushButton::clicked, this, &SaveFramesDialog::confirm);
    connect(CancelButton, &QPushButton::clicked, this, &SaveFramesDialog::cancel);
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));

    // Loading: the formats with the first selected, the folder frame over the file frame, the
    // answer a cancel until OK says otherwise, then the caller's format and mode.
    cboFormats->addItems(saveFormatEntries());
    cboFormats->setCurrentIndex(0);
    frmFile->setVisible(true);
    frmDir->move(frmFile->pos());
    request_.Cancelled = true;
    if (request_.Format >= 0 && request_.Format < cboFormats->count())
        cboFormats->setCurrentIndex(request_.Format);
    frmFile->setVisible(request_.SingleFrame);
    frmDir->setVisible(!request_.SingleFrame);

    setTabOrder(cboFormats, request_.SingleFrame ? txtFile : txtDir);
}

void SaveFramesDialog::chooseFile()
{
    const auto chosen = dialogs_.saveFile(this, {QString(), saveFileFilterFor(cboFormats->currentText()), {}});
    if (chosen && !chosen->isEmpty())
        txtFile->setText(*chosen);
}

void SaveFramesDialog::chooseFolder()
{
    const QString folder = BrowseForFolder(dialogs_, this);
    if (!folder.isEmpty())
        txtDir->setText(withTrailingSeparator(folder));
}

void SaveFramesDialog::confirm()
{
    // Only an empty box is refused: a box of spaces passes.
    if (request_.SingleFrame && txtFile->text().isEmpty()) {
        dialogs_.inform(this, tr("Please set a file name to save"));
        txtFile->setFocus();
        return;
    }
    if (!request_.SingleFrame && txtDir->text().isEmpty()) {
        dialogs_.inform(this, tr("Please set folder to save"));
        txtDir->setFocus();
        return;
    }
    request_.Format = formatFromEntry(cboFormats->currentText(), request_.Format);
    request_.Folder = txtDir->text();
    request_.FileName = txtFile->text();
    request_.Cancelled = false;
    accept();
}

void SaveFramesDialog::cancel()
{
    request_.Cancelled = true;
    reject();
}

}  // namespace pictoreel
