#include "gui/dialogs/video_frames_dialog.h"

#include "gui/app/dialogs.h"
#include "gui/dialogs/video_preview.h"
#include "gui/widgets/compact_font.h"
#include "gui/widgets/one_line_box.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cmath>
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

// Slider steps are milliseconds; the boxes hold seconds ("1.5").
QString secondsText(int milliseconds) { return QString::number(milliseconds / 1000.0, 'f', 3).remove(QRegularExpression(QStringLiteral("\\.?0+$"))); }

int millisecondsOf(std::int64_t microseconds) { return static_cast<int>(std::min<std::int64_t>(microseconds / 1000, 1 << 30)); }

QSlider* makeSlider(const char* name, const QString& accessible)
{
    auto* slider = new QSlider(Qt::Horizontal);
    slider->setObjectName(QLatin1String(name));
    slider->setAccessibleName(accessible);
    slider->setMinimumWidth(260);
    slider->setEnabled(false);  // until the length is known
    return slider;
}

}  // namespace

VideoFramesDialog::VideoFramesDialog(Dialogs& dialogs, const QString& video, const QString& folder, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), video_(video), folder_(folder)
{
    setObjectName(QStringLiteral("frmVideoFrames"));
    setWindowTitle(tr("Add Video Frames"));
    setAccessibleName(windowTitle());
    applyCompactFont(this);

    auto* form = new QFormLayout(this);
    auto* videoName = new QLabel(QFileInfo(video).fileName());
    videoName->setObjectName(QStringLiteral("lblVideo"));
    form->addRow(tr("Video:"), videoName);
    buildScrubber(form);
    startBox_ = addBox(form, "txtStart", tr("&Start (seconds):"), QStringLiteral("0"), {});
    durationBox_ = addBox(form, "txtDuration", tr("&Duration (seconds):"), {}, tr("to the end"));
    rateBox_ = addBox(form, "txtFps", tr("&Frames a second:"), {}, tr("as the video"));
    progressBar_ = new QProgressBar;
    progressBar_->setObjectName(QStringLiteral("pbPer"));
    progressBar_->setAccessibleName(tr("Progress"));
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    // Kept in its place while hidden, so the dialog does not change size.
    QSizePolicy keepPlace = progressBar_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    progressBar_->setSizePolicy(keepPlace);
    progressBar_->hide();
    form->addRow(progressBar_);
    okButton_ = makeButton("OKButton", tr("OK"));
    okButton_->setDefault(true);
    auto* cancelButton = makeButton("CancelButton", tr("Cancel"));
    cancelButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton);
    form->addRow(buttons);
    form->setSizeConstraint(QLayout::SetFixedSize);

    connect(okButton_, &QPushButton::clicked, this, &VideoFramesDialog::extract);
    connect(cancelButton, &QPushButton::clicked, this, &VideoFramesDialog::reject);
    for (QLineEdit* box : {startBox_, durationBox_})
        connect(box, &QLineEdit::textEdited, this, &VideoFramesDialog::boxesEdited);
    preview_->request(0);
}

void VideoFramesDialog::buildScrubber(QFormLayout* form)
{
    lengthLabel_ = new QLabel(tr("reading ..."));
    lengthLabel_->setObjectName(QStringLiteral("lblLength"));
    lengthLabel_->setAccessibleName(tr("Length"));
    form->addRow(tr("Length:"), lengthLabel_);
    pictureLabel_ = new QLabel;
    pictureLabel_->setObjectName(QStringLiteral("picPreview"));
    pictureLabel_->setAccessibleName(tr("Picture at the slider's time"));
    pictureLabel_->setFixedSize(260, 146);
    pictureLabel_->setAlignment(Qt::AlignCenter);
    pictureLabel_->setStyleSheet(QStringLiteral("background: black;"));
    form->addRow(pictureLabel_);
    startSlider_ = makeSlider("sldStart", tr("Start"));
    endSlider_ = makeSlider("sldEnd", tr("End"));
    form->addRow(tr("From:"), startSlider_);
    form->addRow(tr("To:"), endSlider_);
    preview_ = new VideoPreview(video_, this);
    connect(preview_, &VideoPreview::lengthKnown, this, &VideoFramesDialog::lengthKnown);
    connect(preview_, &VideoPreview::pictureReady, this, &VideoFramesDialog::showPicture);
    for (QSlider* slider : {startSlider_, endSlider_})
        connect(slider, &QSlider::valueChanged, this, [this, slider] {
            if (!syncing_)
                sliderMoved(slider);
        });
}

void VideoFramesDialog::lengthKnown(qint64 microseconds)
{
    const int length = millisecondsOf(microseconds);
    lengthLabel_->setText(length > 0 ? secondsText(length) + tr(" s") : tr("unknown"));
    if (length <= 0)
        return;
    for (QSlider* slider : {startSlider_, endSlider_}) {
        slider->setRange(0, length);
        slider->setSingleStep(std::max(1, length / 100));
        slider->setPageStep(std::max(1, length / 10));
        slider->setEnabled(startBox_->isEnabled());
    }
    boxesEdited();
}

void VideoFramesDialog::sliderMoved(QSlider* moved)
{
    syncing_ = true;
    if (endSlider_->value() < startSlider_->value())
        (moved == startSlider_ ? endSlider_ : startSlider_)->setValue(moved->value());
    syncing_ = false;
    startBox_->setText(secondsText(startSlider_->value()));
    durationBox_->setText(endSlider_->value() >= endSlider_->maximum() ? QString() : secondsText(endSlider_->value() - startSlider_->value()));
    preview_->request(std::int64_t{moved->value()} * 1000);
}

void VideoFramesDialog::boxesEdited()
{
    if (!startSlider_->isEnabled())
        return;
    const auto start = microsecondsFromSeconds(startBox_->text().trimmed().isEmpty() ? QStringLiteral("0") : startBox_->text());
    const auto duration = microsecondsFromSeconds(durationBox_->text());
    if (!start)
        return;
    syncing_ = true;
    startSlider_->setValue(millisecondsOf(*start));
    endSlider_->setValue(duration ? millisecondsOf(*start + *duration) : endSlider_->maximum());
    syncing_ = false;
    preview_->request(*start);
}

void VideoFramesDialog::showPicture(const QImage& picture, qint64)
{
    pictureLabel_->setPixmap(picture.isNull() ? QPixmap()
                                           : QPixmap::fromImage(picture.scaled(pictureLabel_->size(), Qt::KeepAspectRatio,
                                                                               Qt::SmoothTransformation)));
}

void VideoFramesDialog::extract()
{
    if (isExtracting())
        return;
    // Empty boxes: from the start, to the end, at the video's own rate.
    const auto start = microsecondsFromSeconds(startBox_->text().trimmed().isEmpty() ? QStringLiteral("0") : startBox_->text());
    const bool wholeVideo = durationBox_->text().trimmed().isEmpty();
    const auto duration = microsecondsFromSeconds(durationBox_->text());
    const bool ownRate = rateBox_->text().trimmed().isEmpty();
    const auto fps = framesPerSecondFrom(rateBox_->text());
    QLineEdit* wrong = !start ? startBox_ : !wholeVideo && !(duration && *duration > 0) ? durationBox_ : !ownRate && !fps ? rateBox_ : nullptr;
    if (wrong) {
        dialogs_.inform(this, wrong == rateBox_ ? tr("Please enter a frame rate above 0 and at most %1, or nothing for "
                                                               "the video's own.").arg(kMaxFramesPerSecond)
                                              : tr("Please enter a time in seconds, like 2 or 1.5."));
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
        std::move(work), [this](int percent) { progressBar_->setValue(percent); },
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
        dialogs_.messageBox(this, tr("The frames of the video could not be extracted.\n\n") + outcome.error().text(),
                            QString(), MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

void VideoFramesDialog::setExtracting(bool extracting)
{
    progressBar_->setValue(0);
    progressBar_->setVisible(extracting);
    for (QWidget* w : {static_cast<QWidget*>(startBox_), static_cast<QWidget*>(durationBox_), static_cast<QWidget*>(rateBox_),
                       static_cast<QWidget*>(okButton_)})
        w->setEnabled(!extracting);
    for (QSlider* slider : {startSlider_, endSlider_})
        slider->setEnabled(!extracting && slider->maximum() > 0);
}

void VideoFramesDialog::reject()
{
    job_.cancel();
    job_.finishNow();
    QDialog::reject();
}

}  // namespace pictoreel
