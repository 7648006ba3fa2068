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

    auto* formatGroup = makeFrame(this, "Frame1", tr("Choose Output Format"), kFormatTop);
    formatBox_ = new QComboBox(formatGroup);
    formatBox_->setObjectName(QStringLiteral("cboFormats"));
    formatBox_->setAccessibleName(tr("Choose Output Format"));
    formatBox_->setGeometry(twipsRect(kInnerLeft, kInnerTop, kFrameWidth - 2 * kInnerLeft, kBoxHeight));

    QPushButton* fileButton = nullptr;
    QPushButton* folderButton = nullptr;
    fileGroup_ = makeFrame(this, "frmFile", tr("Output File"), kOutputTop);
    fileBox_ = fillOutputFrame(fileGroup_, "txtFile", tr("Output File"), fileButton, "cmdFile");
    folderGroup_ = makeFrame(this, "frmDir", tr("Output Directory"), kOutputTop + kFrameHeight);
    folderBox_ = fillOutputFrame(folderGroup_, "txtDir", tr("Output Directory"), folderButton, "cmdDir");

    auto* okButton = makeButton(this, "OKButton", tr("OK"), tr("OK"));
    okButton->setGeometry(twipsRect(kOkLeft, kButtonTop, kButtonWidth, kButtonHeight));
    okButton->setDefault(true);
    auto* cancelButton = makeButton(this, "CancelButton", tr("Cancel"), tr("Cancel"));
    cancelButton->setGeometry(twipsRect(kCancelLeft, kButtonTop, kButtonWidth, kButtonHeight));
    cancelButton->setAutoDefault(false);

    connect(fileButton, &QPushButton::clicked, this, &SaveFramesDialog::chooseFile);
    connect(folderButton, &QPushButton::clicked, this, &SaveFramesDialog::chooseFolder);
    connect(okButton, &QPushButton::clicked, this, &SaveFramesDialog::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &SaveFramesDialog::cancel);
    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));

    // Loading: the formats with the first selected, the folder frame over the file frame, the
    // answer a cancel until OK says otherwise, then the caller's format and mode.
    formatBox_->addItems(saveFormatEntries());
    formatBox_->setCurrentIndex(0);
    fileGroup_->setVisible(true);
    folderGroup_->move(fileGroup_->pos());
    request_.Cancelled = true;
    if (request_.Format >= 0 && request_.Format < formatBox_->count())
        formatBox_->setCurrentIndex(request_.Format);
    fileGroup_->setVisible(request_.SingleFrame);
    folderGroup_->setVisible(!request_.SingleFrame);

    setTabOrder(formatBox_, request_.SingleFrame ? fileBox_ : folderBox_);
}

void SaveFramesDialog::chooseFile()
{
    const auto chosen = dialogs_.saveFile(this, {QString(), saveFileFilterFor(formatBox_->currentText()), {}});
    if (chosen && !chosen->isEmpty())
        fileBox_->setText(*chosen);
}

void SaveFramesDialog::chooseFolder()
{
    const QString folder = BrowseForFolder(dialogs_, this);
    if (!folder.isEmpty())
        folderBox_->setText(withTrailingSeparator(folder));
}

void SaveFramesDialog::confirm()
{
    // Only an empty box is refused: a box of spaces passes.
    if (request_.SingleFrame && fileBox_->text().isEmpty()) {
        dialogs_.inform(this, tr("Please set a file name to save"));
        fileBox_->setFocus();
        return;
    }
    if (!request_.SingleFrame && folderBox_->text().isEmpty()) {
        dialogs_.inform(this, tr("Please set folder to save"));
        folderBox_->setFocus();
        return;
    }
    request_.Format = formatFromEntry(formatBox_->currentText(), request_.Format);
    request_.Folder = folderBox_->text();
    request_.FileName = fileBox_->text();
    request_.Cancelled = false;
    accept();
}

void SaveFramesDialog::cancel()
{
    request_.Cancelled = true;
    reject();
}

}  // namespace pictoreel
