#include "gui/dialogs/video_frames_dialog.h"

#include "gui/app/dialogs.h"
#include "gui/widgets/compact_font.h"
#include "gui/widgets/one_line_box.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <exception>
#include <memory>

namespace pictoreel {

namespace {

QLineEdit* addBox(QFormLayout* form, const char* name, const QString& label, const QString& text, const QString& placeholder)
{
    auto* box = new QLineEdit(text);
    box->setObjectName(QLatin1String(name));
    keepOnOneLine(box);
    box->setAccessibleName(QString(label).remove(u'&').remove(u':'));
    box->setPlaceholderText(placeholder);
    form->addRow(label, box);
    return box;
}

QPushButton* makeButton(const char* name, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(caption);
    return button;
}

}  // namespace

VideoFramesDialog::VideoFramesDialog(Dialogs& dialogs, const QString& video, const QString& folder, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), video_(video), folder_(folder)
{
    setObjectName(QStringLiteral("frmVideoFrames"));
    setWindowTitle(QStringLiteral("Add Video Frames"));
    setAccessibleName(windowTitle());
    applyCompactFont(this);

    auto* form = new QFormLayout(this);
    auto* videoName = new QLabel(QFileInfo(video).fileName());
    videoName->setObjectName(QStringLiteral("lblVideo"));
    form->addRow(QStringLiteral("Video:"), videoName);
    txtStart = addBox(form, "txtStart", QStringLiteral("&Start (seconds):"), QStringLiteral("0"), {});
    txtDuration = addBox(form, "txtDuration", QStringLiteral("&Duration (seconds):"), {}, QStringLiteral("to the end"));
    txtFps = addBox(form, "txtFps", QStringLiteral("&Frames a second:"), {}, QStringLiteral("as the video"));
    pbPer = new QProgressBar;
    pbPer->setObjectName(QStringLiteral("pbPer"));
    pbPer->setAccessibleName(QStringLiteral("Progress"));
    pbPer->setRange(0, 100);
    pbPer->setTextVisible(false);
    // Kept in its place while hidden, so the dialog does not change size.
    QSizePolicy keepPlace = pbPer->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    pbPer->setSizePolicy(keepPlace);
    pbPer->hide();
    form->addRow(pbPer);
    OKButton = makeButton("OKButton", QStringLiteral("OK"));
    OKButton->setDefault(true);
    CancelButton = makeButton("CancelButton", QStringLiteral("Cancel"));
    CancelButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    form->addRow(buttons);
    form->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKButton, &QPushButton::clicked, this, &VideoFramesDialog::extract);
    connect(CancelButton, &QPushButton::clicked, this, &VideoFramesDialog::reject);
}

void VideoFramesDialog::extract()
{
    if (isExtracting())
        return;
    // Empty boxes: from the start, to the end, at the video's own rate.
    const auto start = microsecondsFromSeconds(txtStart->text().trimmed().isEmpty() ? QStringLiteral("0") : txtStart->text());
    const bool wholeVideo = txtDuration->text().trimmed().isEmpty();
    const auto duration = microsecondsFromSeconds(txtDuration->text());
    const bool ownRate = txtFps->text().trimmed().isEmpty();
    const auto fps = framesPerSecondFrom(txtFps->text());
    QLineEdit* wrong = !start ? txtStart : !wholeVideo && !(duration && *duration > 0) ? txtDuration : !ownRate && !fps ? txtFps : nullptr;
    if (wrong) {
        dialogs_.inform(this, wrong == txtFps ? QStringLiteral("Please enter a frame rate above 0 and at most %1, or nothing for "
                                                               "the video's own.").arg(kMaxFramesPerSecond)
                                              : QStringLiteral("Please enter a time in seconds, like 2 or 1.5."));
        wrong->setFocus();
        wrong->selectAll();
        return;
    }
    VideoFrameRange range{.startMicroseconds = *start, .durationMicroseconds = {}, .framesPerSecond = ownRate ? 0 : *fps};
    if (!wholeVideo)
        range.durationMicroseconds = duration;

    auto outcome = std::make_shared<Result<std::vector<ExtractedFrame>>>(std::vector<ExtractedFrame>{});
    auto read = std::make_shared<VideoReadReport>();
    auto work = [job = &job_, outcome, read, video = video_, folder = folder_, range] {
        ConversionLimits limits;
        limits.stopRequested = [job] { return job->stopRequested(); };
        const auto progress = [job](int percent) {
            job->report(percent);
            return !job->stopRequested();
        };
        try {
            *outcome = extractVideoFrames(video, folder, range, progress, limits, read.get());
        } catch (const std::exception& e) {  // out of memory and the like: told like any failure
            *outcome = makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
        }
    };
    setExtracting(true);
    job_.start(
        std::move(work), [this](int percent) { pbPer->setValue(percent); },
        [this, outcome, read] { extractionDone(*outcome, *read); });
}

void VideoFramesDialog::extractionDone(const Result<std::vector<ExtractedFrame>>& outcome, const VideoReadReport& read)
{
    setExtracting(false);
    if (outcome) {
        frames_ = outcome.value();
        // Told, not passed over: the frames end where the file breaks off.
        if (read.videoCutShort)
            dialogs_.messageBox(this, videoCutShortText(QFileInfo(video_).fileName(), read) +
                                          QStringLiteral(".\n\nThe frames before the break are added."),
                                QString(), MessageIcon::Exclamation, MessageButtons::Ok);
        accept();
    } else if (outcome.error().code != ErrorCode::Cancelled && !job_.stopRequested()) {
        dialogs_.messageBox(this, QStringLiteral("The frames of the video could not be extracted.\n\n") + outcome.error().text(),
                            QString(), MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

void VideoFramesDialog::setExtracting(bool extracting)
{
    pbPer->setValue(0);
    pbPer->setVisible(extracting);
    for (QWidget* w : {static_cast<QWidget*>(txtStart), static_cast<QWidget*>(txtDuration), static_cast<QWidget*>(txtFps),
                       static_cast<QWidget*>(OKButton)})
        w->setEnabled(!extracting);
}

void VideoFramesDialog::reject()
{
    job_.cancel();
    job_.finishNow();
    QDialog::reject();
}

}  // namespace pictoreel
