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
    txtStart = addBox(form, "txtStart", tr("&Start (seconds):"), QStringLiteral("0"), {});
    txtDuration = addBox(form, "txtDuration", tr("&Duration (seconds):"), {}, tr("to the end"));
    txtFps = addBox(form, "txtFps", tr("&Frames a second:"), {}, tr("as the video"));
    pbPer = new QProgressBar;
    pbPer->setObjectName(QStringLiteral("pbPer"));
    pbPer->setAccessibleName(tr("Progress"));
    pbPer->setRange(0, 100);
    pbPer->setTextVisible(false);
    // Kept in its place while hidden, so the dialog does not change size.
    QSizePolicy keepPlace = pbPer->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    pbPer->setSizePolicy(keepPlace);
    pbPer->hide();
    form->addRow(pbPer);
    OKButton = makeButton("OKButton", tr("OK"));
    OKButton->setDefault(true);
    CancelButton = makeButton("CancelButton", tr("Cancel"));
    CancelButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    form->addRow(buttons);
    form->setSizeConstraint(QLayout::SetFixedSize);

    connect(OKButton, &QPushButton::clicked, this, &VideoFramesDialog::extract);
    connect(CancelButton, &QPushButton::clicked, this, &VideoFramesDialog::reject);
    for (QLineEdit* box : {txtStart, txtDuration})
        connect(box, &QLineEdit::textEdited, this, &VideoFramesDialog::boxesEdited);
    preview_->request(0);
}

void VideoFramesDialog::buildScrubber(QFormLayout* form)
{
    lblLength = new QLabel(tr("reading ..."));
    lblLength->setObjectName(QStringLiteral("lblLength"));
    lblLength->setAccessibleName(tr("Length"));
    form->addRow(tr("Length:"), lblLength);
    picPreview = new QLabel;
    picPreview->setObjectName(QStringLiteral("picPreview"));
    picPreview->setAccessibleName(tr("Picture at the slider's time"));
    picPreview->setFixedSize(260, 146);
    picPreview->setAlignment(Qt::AlignCenter);
    picPreview->setStyleSheet(QStringLiteral("background: black;"));
    form->addRow(picPreview);
    sldStart = makeSlider("sldStart", tr("Start"));
    sldEnd = makeSlider("sldEnd", tr("End"));
    form->addRow(tr("From:"), sldStart);
    form->addRow(tr("To:"), sldEnd);
    preview_ = new VideoPreview(video_, this);
    connect(preview_, &VideoPreview::lengthKnown, this, &VideoFramesDialog::lengthKnown);
    connect(preview_, &VideoPreview::pictureReady, this, &VideoFramesDialog::showPicture);
    for (QSlider* slider : {sldStart, sldEnd})
        connect(slider, &QSlider::valueChanged, this, [this, slider] {
            if (!syncing_)
                sliderMoved(slider);
        });
}

void VideoFramesDialog::lengthKnown(qint64 microseconds)
{
    const int length = millisecondsOf(microseconds);
    lblLength->setText(length > 0 ? secondsText(length) + tr(" s") : tr("unknown"));
    if (length <= 0)
        return;
    for (QSlider* slider : {sldStart, sldEnd}) {
        slider->setRange(0, length);
        slider->setSingleStep(std::max(1, length / 100));
        slider->setPageStep(std::max(1, length / 10));
        slider->setEnabled(txtStart->isEnabled());
    }
    boxesEdited();
}

void VideoFramesDialog::sliderMoved(QSlider* moved)
{
    syncing_ = true;
    if (sldEnd->value() < sldStart->value())
        (moved == sldStart ? sldEnd : sldStart)->setValue(moved->value());
    syncing_ = false;
    txtStart->setText(secondsText(sldStart->value()));
    txtDuration->setText(sldEnd->value() >= sldEnd->maximum() ? QString() : secondsText(sldEnd->value() - sldStart->value()));
    preview_->request(std::int64_t{moved->value()} * 1000);
}

void VideoFramesDialog::boxesEdited()
{
    if (!sldStart->isEnabled())
        return;
    const auto start = microsecondsFromSeconds(txtStart->text().trimmed().isEmpty() ? QStringLiteral("0") : txtStart->text());
    const auto duration = microsecondsFromSeconds(txtDuration->text());
    if (!start)
        return;
    syncing_ = true;
    sldStart->setValue(millisecondsOf(*start));
    sldEnd->setValue(duration ? millisecondsOf(*start + *duration) : sldEnd->maximum());
    syncing_ = false;
    preview_->request(*start);
}

void VideoFramesDialog::showPicture(const QImage& picture, qint64)
{
    picPreview->setPixmap(picture.isNull() ? QPixmap()
                                           : QPixmap::fromImage(picture.scaled(picPreview->size(), Qt::KeepAspectRatio,
                                                                               Qt::SmoothTransformation)));
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
        dialogs_.inform(this, wrong == txtFps ? tr("Please enter a frame rate above 0 and at most %1, or nothing for "
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
        dialogs_.messageBox(this, tr("The frames of the video could not be extracted.\n\n") + outcome.error().text(),
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
    for (QSlider* slider : {sldStart, sldEnd})
        slider->setEnabled(!extracting && slider->maximum() > 0);
}

void VideoFramesDialog::reject()
{
    job_.cancel();
    job_.finishNow();
    QDialog::reject();
}

}  // namespace pictoreel
