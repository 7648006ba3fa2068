#include "gui/converters/converter_window.h"

#include "core/gif/gif_reader.h"
#include "core/media/video_conversion.h"
#include "core/project/paths.h"
#include "gui/widgets/compact_font.h"
#include "gui/widgets/one_line_box.h"
#include "gui/app/dialogs.h"
#include "gui/widgets/twips.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <exception>
#include <memory>
#include <utility>

namespace pictoreel {

namespace {

constexpr int kClientWidth = 6135;

// A group at (240, top), its file box and its "..." button inside.
QGroupBox* makeFileGroup(QWidget* parent, const char* name, const char* caption, int top)
{
    auto* group = new QGroupBox(QCoreApplication::translate("pictoreel::ConverterWindow", caption), parent);
    group->setObjectName(QLatin1String(name));
    group->setGeometry(twipsRect(240, top, 5655, 855));
    return group;
}

QLineEdit* makeFileBox(QGroupBox* group, const char* name, const QString& accessibleName)
{
    auto* box = new QLineEdit(group);
    box->setObjectName(QLatin1String(name));
    keepOnOneLine(box);
    box->setAccessibleName(accessibleName);
    box->setGeometry(twipsRect(240, 360, 4815, 315));
    return box;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect place,
                        const QString& accessibleName)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(accessibleName);
    // Enter presses the button that has the focus, as Space does.
    button->setAutoDefault(true);
    button->setGeometry(place);
    return button;
}

}  // namespace

ConverterWindow::ConverterWindow(const ConverterTexts& texts, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), texts_(texts), dialogs_(dialogs)
{
    setObjectName(QLatin1String(texts.objectName));
    setWindowTitle(tr(texts.caption));
    setAccessibleName(windowTitle());
    applyCompactFont(this);

    QGroupBox* sourceGroup = makeFileGroup(this, "Frame1", texts.sourceGroup, 240);
    QGroupBox* targetGroup = makeFileGroup(this, "Frame2", texts.targetGroup, 1320);
    QGroupBox* aviGroup = texts.aviToGif ? sourceGroup : targetGroup;
    QGroupBox* gifGroup = texts.aviToGif ? targetGroup : sourceGroup;
    aviBox_ = makeFileBox(aviGroup, "txtAVI", tr("AVI file"));
    gifBox_ = makeFileBox(gifGroup, "txtGIF", tr("GIF file"));
    const QRect dots = twipsRect(5040, 360, 405, 315);
    aviButton_ = makeButton(aviGroup, "cmdAVI", QStringLiteral("..."), dots, tr("Choose the AVI file"));
    gifButton_ = makeButton(gifGroup, "cmdGIF", QStringLiteral("..."), dots, tr("Choose the GIF file"));

    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("pbPer"));
    progressBar_->setAccessibleName(tr("Progress"));
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    progressBar_->setGeometry(twipsRect(240, 2430, 3015, 315));
    progressBar_->hide();
    convertButton_ = makeButton(this, "cmdConvert", tr("&Convert"), twipsRect(3360, 2400, 1215, 375),
                                tr("Convert"));
    closeButton_ = makeButton(this, "cmdClose", tr("Close"), twipsRect(4680, 2400, 1215, 375),
                              tr("Close"));

    setTabOrder(sourceBox(), texts.aviToGif ? aviButton_ : gifButton_);
    setTabOrder(texts.aviToGif ? aviButton_ : gifButton_, targetBox());
    setTabOrder(targetBox(), texts.aviToGif ? gifButton_ : aviButton_);
    setTabOrder(texts.aviToGif ? gifButton_ : aviButton_, convertButton_);
    setTabOrder(convertButton_, closeButton_);

    connect(aviButton_, &QPushButton::clicked, this, &ConverterWindow::chooseAviFile);
    connect(gifButton_, &QPushButton::clicked, this, &ConverterWindow::chooseGifFile);
    connect(convertButton_, &QPushButton::clicked, this, &ConverterWindow::convert);
    connect(closeButton_, &QPushButton::clicked, this, &ConverterWindow::closeWindow);

    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(texts.clientHeightTwips));
}

void ConverterWindow::chooseAviFile()
{
    if (texts_.aviToGif)
        chooseSource();
    else
        chooseTarget();
}

void ConverterWindow::chooseGifFile()
{
    if (texts_.aviToGif)
        chooseTarget();
    else
        chooseSource();
}

void ConverterWindow::chooseSource()
{
    const auto chosen = dialogs_.openFile(this, {QString(), QString::fromUtf8(texts_.sourceFilter), {}});
    if (!chosen || chosen->isEmpty())
        return;
    sourceBox()->setText(*chosen);
    // A file of any kind the open dialog offers gives its name to the target: movie.mp4 becomes
    // movie.gif. Other names are treated as ever (the target's extension added).
    const QString suffix = QFileInfo(*chosen).suffix();
    const bool offered = fileFilterPatterns(QString::fromUtf8(texts_.sourceFilter)).contains(QStringLiteral("*.") + suffix, Qt::CaseInsensitive);
    const QString from = offered ? QStringLiteral(".") + suffix : QString::fromLatin1(texts_.sourceExtension);
    targetBox()->setText(ChangeFileExtension(*chosen, from, QLatin1String(texts_.targetExtension)));
}

void ConverterWindow::chooseTarget()
{
    const auto chosen = dialogs_.saveFile(this, {QString(), QString::fromUtf8(texts_.targetFilter), {}});
    if (!chosen || chosen->isEmpty())
        return;
    targetBox()->setText(*chosen);
}

void ConverterWindow::convert()
{
    if (isConverting())
        return;
    const QString source = sourceBox()->text(), target = targetBox()->text();
    if (source.isEmpty()) {
        dialogs_.inform(this, tr(texts_.noSource));
        return;
    }
    if (target.isEmpty()) {
        dialogs_.inform(this, tr(texts_.noTarget));
        return;
    }
    if (!QFileInfo(source).isFile()) {
        dialogs_.inform(this, tr(kFileDoesNotExist) + QStringLiteral("\r\n") + source);
        return;
    }
    if (Status usable = checkConversionTarget(source, target); !usable) {  // it would be destroyed
        dialogs_.inform(this, usable.error().message);
        return;
    }

    // Transparent GIF pixels become white in the video.
    constexpr std::int32_t kVideoBackground = 0xFFFFFF;
    auto status = std::make_shared<Status>();
    auto note = std::make_shared<QString>();
    auto work = [job = &job_, status, note, toGif = texts_.aviToGif, avi = aviBox_->text(), gif = gifBox_->text()] {
        ConversionLimits limits;
        limits.stopRequested = [job] { return job->stopRequested(); };
        const auto progress = [job](int percent) {
            if (percent < 100)  // the end is told once the work is done
                job->report(percent);
            return !job->stopRequested();
        };
        try {
            VideoReadReport video;
            GifToAviReport animation;
            *status = toGif ? aviToGif(avi, gif, progress, limits, &video)
                            : gifToAvi(gif, avi, progress, kVideoBackground, limits, &animation);
            if (*status && video.videoCutShort)
                *note = videoCutShortText(QFileInfo(avi).fileName(), video);
            else if (*status && animation.gifCutShort)
                *note = gifCutShortText(QFileInfo(gif).fileName(), animation.gifFrames);
        } catch (const std::exception& e) {  // out of memory and the like: told like any failure
            *status = makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
        }
    };
    job_.start(
        std::move(work), [this](int percent) { showConversionProgress(percent); },
        [this, status, note] {
            cutShortNote_ = *note;
            conversionDone(*status);
        });
    showConversionProgress(0);  // converting from now on
}

void ConverterWindow::conversionDone(const Status& status)
{
    if (status) {
        showConversionProgress(100);
    } else {
        endConversion();
        if (status.error().code != ErrorCode::Cancelled && !job_.stopRequested())
            dialogs_.messageBox(this, tr(texts_.failed) + QStringLiteral("\n\n") + status.error().text(),
                                QString(), MessageIcon::Exclamation, MessageButtons::Ok);
    }
    Q_EMIT conversionFinished();
}

void ConverterWindow::closeWindow() { reject(); }

void ConverterWindow::showConversionProgress(int percent)
{
    progressBar_->setValue(std::clamp(percent, 0, 100));
    if (percent < 100) {
        progressBar_->show();
        convertButton_->setEnabled(false);
        closeButton_->setEnabled(false);
        return;
    }
    endConversion();
    const QString note = std::exchange(cutShortNote_, QString());
    if (note.isEmpty())
        dialogs_.messageBox(this, tr(kConvertedSuccessfully), QString(), MessageIcon::None, MessageButtons::Ok);
    else  // told, not passed over: the target holds only the part before the break
        dialogs_.messageBox(this, tr(kConvertedSuccessfully) + QStringLiteral("\n\n") + note + u'.', QString(),
                            MessageIcon::Exclamation, MessageButtons::Ok);
}

void ConverterWindow::endConversion()
{
    progressBar_->hide();
    convertButton_->setEnabled(true);
    closeButton_->setEnabled(true);
}

void ConverterWindow::reject()
{
    job_.cancel();
    job_.finishNow();
    QDialog::reject();
}


}  // namespace pictoreel
