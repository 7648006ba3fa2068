#include "gui/recorder/recorder_window.h"

#include "core/capture/recording_session.h"
#include "core/capture/x11_grabber.h"
#include "gui/app/dialogs.h"
#include "gui/recorder/region_overlay.h"
#include "gui/widgets/compact_font.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include <exception>

namespace pictoreel {

namespace {

enum What { kRegion, kWindow, kScreen };

template <class W>
W* named(W* widget, const char* name, const QString& accessible)
{
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

QPushButton* makeButton(const char* name, const QString& caption)
{
    auto* button = named(new QPushButton(caption), name, QString(caption).remove(u'&'));
    button->setAutoDefault(false);
    return button;
}

// A screen's area in the display's pixels.
CaptureRect screenPixels(const QScreen* screen)
{
    const QRect area = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return {int(area.x() * ratio), int(area.y() * ratio), int(area.width() * ratio), int(area.height() * ratio)};
}

QString clockText(std::int64_t microseconds)
{
    const std::int64_t tenths = microseconds / 100000;
    return QStringLiteral("%1:%2.%3").arg(tenths / 600, 2, 10, QLatin1Char('0')).arg(tenths / 10 % 60, 2, 10, QLatin1Char('0')).arg(tenths % 10);
}

}  // namespace

RecorderWindow::RecorderWindow(Dialogs& dialogs, std::function<QString(const QString&)> folderFor, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), portal_(isWaylandSession()), folderFor_(std::move(folderFor))
{
    setObjectName(QStringLiteral("frmRecorder"));
    setWindowTitle(tr("Record Screen"));
    setAccessibleName(windowTitle());
    applyCompactFont(this);

    auto* form = new QFormLayout(this);
    sourceKindBox_ = named(new QComboBox, "cboRecordWhat", tr("What to record"));
    sourceKindBox_->addItems({tr("A region of the screen"), tr("A window"), tr("A whole screen")});
    form->addRow(tr("&Record:"), sourceKindBox_);
    drawRegionButton_ = makeButton("cmdRecordDrawRegion", tr("&Draw Region ..."));
    form->addRow(QString(), drawRegionButton_);
    windowBox_ = named(new QComboBox, "cboRecordWindow", tr("Window to record"));
    form->addRow(tr("&Window:"), windowBox_);
    screenBox_ = named(new QComboBox, "cboRecordScreen", tr("Screen to record"));
    for (const QScreen* screen : QGuiApplication::screens()) {
        const CaptureRect area = screenPixels(screen);
        screenBox_->addItem(tr("%1 (%2 x %3)").arg(screen->name()).arg(area.width).arg(area.height));
    }
    form->addRow(tr("&Screen:"), screenBox_);
    rateBox_ = named(new QSpinBox, "spnRecordFps", tr("Frames a second"));
    rateBox_->setRange(kMinRecordingRate, kMaxRecordingRate);
    rateBox_->setValue(kDefaultRecordingRate);
    form->addRow(tr("&Frames a second:"), rateBox_);
    pointerCheck_ = named(new QCheckBox(tr("Show the mouse &pointer")), "chkRecordPointer", tr("Show the mouse pointer"));
    pointerCheck_->setChecked(true);
    form->addRow(pointerCheck_);
    countdownCheck_ = named(new QCheckBox(tr("&Count down 3 seconds first")), "chkRecordCountdown",
                            tr("Count down 3 seconds first"));
    countdownCheck_->setChecked(true);
    form->addRow(countdownCheck_);
    statusLabel_ = named(new QLabel(tr("Ready")), "lblRecordStatus", tr("Recording status"));
    form->addRow(statusLabel_);
    progressBar_ = named(new QProgressBar, "pbRecordWrite", tr("Progress"));
    progressBar_->setRange(0, 100);
    progressBar_->setTextVisible(false);
    QSizePolicy keepPlace = progressBar_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    progressBar_->setSizePolicy(keepPlace);
    progressBar_->hide();
    form->addRow(progressBar_);
    startButton_ = makeButton("cmdRecordStart", tr("Record"));
    startButton_->setDefault(true);
    pauseButton_ = makeButton("cmdRecordPause", tr("Pause"));
    stopButton_ = makeButton("cmdRecordStop", tr("Stop"));
    stopButton_->setToolTip(portal_ ? tr("Where the desktop offers shortcuts to programs, Ctrl+Alt+S (or the key "
                                           "it lets you choose) stops the recording from any window")
                                      : tr("Ctrl+Alt+S stops the recording from any window"));
    if (portal_)
        screenBox_->setToolTip(tr("The desktop asks which screen to share when the recording starts"));
    cancelButton_ = makeButton("cmdRecordCancel", tr("Cancel"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {startButton_, pauseButton_, stopButton_, cancelButton_})
        buttons->addWidget(button);
    form->addRow(buttons);

    connect(sourceKindBox_, &QComboBox::currentIndexChanged, this, [this] {
        if (sourceKindBox_->currentIndex() == kWindow)
            fillWindows();
        setStage(stage_);
    });
    connect(drawRegionButton_, &QPushButton::clicked, this, &RecorderWindow::drawRegion);
    connect(startButton_, &QPushButton::clicked, this, [this] {
        stage_ == Stage::CountingDown ? startRecording() : chooseSource();
    });
    connect(pauseButton_, &QPushButton::clicked, this, &RecorderWindow::togglePause);
    connect(stopButton_, &QPushButton::clicked, this, &RecorderWindow::stopRecording);
    connect(cancelButton_, &QPushButton::clicked, this, &RecorderWindow::reject);
    ticker_.setInterval(200);
    connect(&ticker_, &QTimer::timeout, this, [this] {
        if (stage_ == Stage::Recording)
            return showCounts();
        if (stage_ == Stage::CountingDown && (countdown_ -= 200) <= 0)
            return startRecording();
        if (stage_ == Stage::CountingDown)
            statusLabel_->setText(tr("Recording starts in %1 ...").arg((countdown_ + 999) / 1000));
    });
    sourceKindBox_->setCurrentIndex(kScreen);
    setStage(Stage::Choosing);
}

RecorderWindow::~RecorderWindow()
{
    job_.cancel();
    job_.finishNow();
}

void RecorderWindow::setRegion(const CaptureRect& region)
{
    region_ = region;
    sourceKindBox_->setCurrentIndex(kRegion);
    statusLabel_->setText(tr("Region %1 x %2 at %3, %4").arg(region.width).arg(region.height).arg(region.x).arg(region.y));
    setStage(stage_);
}

void RecorderWindow::drawRegion()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    auto* overlay = new RegionOverlay(screen->geometry());
    const qreal ratio = portal_ ? 1.0 : screen->devicePixelRatio();  // the portal places screens in logical units
    connect(overlay, &RegionOverlay::regionChosen, this, [this, ratio](const QRect& region) {
        show();
        setRegion({int(region.x() * ratio), int(region.y() * ratio), int(region.width() * ratio), int(region.height() * ratio)});
    });
    connect(overlay, &RegionOverlay::abandoned, this, [this] { show(); });
    hide();
    overlay->show();
    overlay->activateWindow();
}

void RecorderWindow::fillWindows()
{
    windowBox_->clear();
    if (portal_) {  // the desktop lists them itself, when recording starts
        windowBox_->addItem(tr("The one the desktop asks for"), QVariant::fromValue(std::uint32_t(0)));
        return;
    }
    Result<std::vector<X11Window>> windows = listX11Windows();
    if (!windows)
        return;
    // The program's own windows are left out: they would record themselves.
    QList<quintptr> own;
    for (const QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isWindow() && widget->testAttribute(Qt::WA_WState_Created))
            own.append(quintptr(widget->winId()));
    for (const X11Window& window : windows.value())
        if (!own.contains(quintptr(window.id)))
            windowBox_->addItem(tr("%1 (%2 x %3)").arg(window.title).arg(window.rect.width).arg(window.rect.height),
                                QVariant::fromValue(window.id));
}

std::optional<CaptureTarget> RecorderWindow::chosenTarget() const
{
    CaptureTarget target;
    switch (sourceKindBox_->currentIndex()) {
    case kRegion:
        if (!region_)
            return std::nullopt;
        target.kind = CaptureTarget::Kind::Region;
        target.region = *region_;
        return target;
    case kWindow:
        if (windowBox_->currentIndex() < 0)
            return std::nullopt;
        target.kind = CaptureTarget::Kind::Window;
        target.window = windowBox_->currentData().value<std::uint32_t>();
        return target;
    default: {
        if (portal_) {  // the desktop asks which
            target.kind = CaptureTarget::Kind::Screen;
            return target;
        }
        const QList<QScreen*> screens = QGuiApplication::screens();
        const int n = screenBox_->currentIndex();
        if (n < 0 || n >= screens.size())
            return std::nullopt;
        // The screens of one X11 display are parts of its one picture.
        target.kind = CaptureTarget::Kind::Region;
        target.region = screenPixels(screens[n]);
        return target;
    }
    }
}

// Under Wayland the desktop asks the user what to share, for as long as the user takes; the
// countdown waits for the answer.
void RecorderWindow::chooseSource()
{
    const std::optional<CaptureTarget> target = chosenTarget();
    if (!target) {
        dialogs_.inform(this, sourceKindBox_->currentIndex() == kRegion ? tr("Please draw the region to record first.")
                                                                       : tr("Please choose what to record first."));
        return;
    }
    setStage(Stage::WaitingForChoice);
    if (portal_)
        statusLabel_->setText(tr("Waiting for the screen to be chosen ..."));
    Result<ChosenSource> chosen = chooseSessionSource(*target, pointerCheck_->isChecked(), QDBusConnection::sessionBus(),
                                                      [this] { return stage_ != Stage::WaitingForChoice; });
    if (stage_ != Stage::WaitingForChoice)  // given up meanwhile: the choice goes unused
        return;
    setStage(Stage::Choosing);
    if (!chosen) {
        statusLabel_->setText(chosen.error().code == ErrorCode::Cancelled ? chosen.error().message : tr("Ready"));
        if (chosen.error().code != ErrorCode::Cancelled)
            dialogs_.messageBox(this, tr("The screen could not be recorded.\n\n") + chosen.error().text(), QString(),
                                MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    chosen_.emplace(std::move(chosen).value());
    startCountdown();
}

void RecorderWindow::startCountdown()
{
    if (!countdownCheck_->isChecked())
        return startRecording();
    countdown_ = 3000;
    setStage(Stage::CountingDown);
    statusLabel_->setText(tr("Recording starts in 3 ..."));
    ticker_.start();
}

void RecorderWindow::startRecording()
{
    ticker_.stop();
    if (!chosen_)
        return setStage(Stage::Choosing);
    const CaptureTarget target = chosen_->target();
    Result<std::unique_ptr<FrameGrabber>> grabber = chosen_->open();
    chosen_.reset();
    const QString name = QStringLiteral("screen-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    RecordingSettings settings;
    settings.framesPerSecond = rateBox_->value();
    settings.baseName = name;
    Result<std::unique_ptr<ScreenRecording>> started =
        grabber ? ScreenRecording::start(std::move(grabber).value(), folderFor_(name), settings) : Result<std::unique_ptr<ScreenRecording>>(grabber.error());
    if (!started) {
        setStage(Stage::Choosing);
        dialogs_.messageBox(this, tr("The screen could not be recorded.\n\n") + started.error().text(), QString(),
                            MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    recording_ = std::move(started).value();
    recordedSize_ = QSize(recording_->width(), recording_->height());
    if (portal_ && target.kind != CaptureTarget::Kind::Window && isVisible())
        showMinimized();  // a Wayland window cannot place itself beside what is recorded
    else if (target.kind == CaptureTarget::Kind::Region)
        stepAside(target.region);
    setStage(Stage::Recording);
    showCounts();
    ticker_.start();
}

// Out of the recorded area: beside it on the same screen where the window fits, minimised
// where it does not.
void RecorderWindow::stepAside(const CaptureRect& recorded)
{
    if (!isVisible() || !windowHandle())
        return;
    const qreal ratio = devicePixelRatio();
    const QRect area(int(recorded.x / ratio), int(recorded.y / ratio), int(recorded.width / ratio), int(recorded.height / ratio));
    const QRect frame = frameGeometry();
    if (!frame.intersects(area))
        return;
    const QRect screen = this->screen()->availableGeometry();
    const QPoint places[] = {{area.right() + 8, frame.y()}, {area.left() - frame.width() - 8, frame.y()},
                             {frame.x(), area.bottom() + 8}, {frame.x(), area.top() - frame.height() - 8}};
    for (const QPoint& place : places) {
        const QRect moved(place, frame.size());
        if (screen.contains(moved) && !moved.intersects(area))
            return move(place);
    }
    showMinimized();
}

void RecorderWindow::togglePause()
{
    if (!recording_)
        return;
    if (recording_->counts().paused)
        recording_->resume();
    else
        recording_->pause();
    showCounts();
}

void RecorderWindow::showCounts()
{
    if (!recording_)
        return;
    const RecordingCounts counts = recording_->counts();
    const bool paused = counts.paused;
    pauseButton_->setText(paused ? tr("Resume") : tr("Pause"));
    pauseButton_->setAccessibleName(pauseButton_->text());
    QString text = tr("%1 %2, %3 frames").arg(paused ? tr("Paused at") : tr("Recording"),
                                                          clockText(counts.elapsedMicroseconds)).arg(counts.kept);
    if (counts.dropped > 0)
        text += tr(", %1 dropped (the disk is too slow)").arg(counts.dropped);
    statusLabel_->setText(text);
    if (counts.ended)
        stopRecording();  // it met a failure: what it took is written, and the failure told
}

void RecorderWindow::stopRecording()
{
    if (!recording_ || stage_ != Stage::Recording)
        return;
    ticker_.stop();
    recording_->stop();
    if (isMinimized())
        showNormal();
    setStage(Stage::Writing);
    auto outcome = std::make_shared<Result<std::vector<ExtractedFrame>>>(std::vector<ExtractedFrame>{});
    auto work = [job = &job_, recording = recording_.get(), outcome] {
        try {
            *outcome = recording->finish([job](int percent) {
                job->report(percent);
                return !job->stopRequested();
            });
        } catch (const std::exception& e) {  // out of memory and the like: told like any failure
            *outcome = makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
        }
    };
    job_.start(std::move(work), [this](int percent) { progressBar_->setValue(percent); }, [this, outcome] { writingDone(*outcome); });
}

void RecorderWindow::writingDone(const Result<std::vector<ExtractedFrame>>& outcome)
{
    const RecordingCounts counts = recording_->counts();
    recording_.reset();
    setStage(Stage::Choosing);
    if (!outcome) {
        if (outcome.error().code != ErrorCode::Cancelled)
            dialogs_.messageBox(this, tr("The recording could not be kept.\n\n") + outcome.error().text(), QString(),
                                MessageIcon::Exclamation, MessageButtons::Ok);
        statusLabel_->setText(tr("Nothing was kept"));
        return;
    }
    frames_ = outcome.value();
    if (counts.dropped > 0)
        dialogs_.messageBox(this, tr("%1 of %2 pictures were dropped because the disk could not keep up; the frames "
                                                 "before them last longer.").arg(counts.dropped).arg(counts.dropped + counts.kept),
                            QString(), MessageIcon::Exclamation, MessageButtons::Ok);
    accept();
}

void RecorderWindow::setStage(Stage stage)
{
    stage_ = stage;
    const bool choosing = stage == Stage::Choosing;
    const int what = sourceKindBox_->currentIndex();
    for (QWidget* w : std::initializer_list<QWidget*>{sourceKindBox_, rateBox_, pointerCheck_, countdownCheck_})
        w->setEnabled(choosing);
    drawRegionButton_->setEnabled(choosing && what == kRegion);
    windowBox_->setEnabled(choosing && what == kWindow);
    screenBox_->setEnabled(choosing && what == kScreen && !portal_);
    startButton_->setEnabled(choosing || stage == Stage::CountingDown);
    startButton_->setText(stage == Stage::CountingDown ? tr("Start Now") : tr("Record"));
    startButton_->setAccessibleName(startButton_->text());
    pauseButton_->setEnabled(stage == Stage::Recording);
    stopButton_->setEnabled(stage == Stage::Recording);
    progressBar_->setValue(0);
    progressBar_->setVisible(stage == Stage::Writing);
}

void RecorderWindow::reject()
{
    ticker_.stop();
    stage_ = Stage::Choosing;
    chosen_.reset();
    job_.cancel();
    job_.finishNow();
    recording_.reset();  // nothing of it is kept
    QDialog::reject();
}

}  // namespace pictoreel
