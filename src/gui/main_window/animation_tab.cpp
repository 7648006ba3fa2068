#include "gui/main_window/animation_tab.h"

#include "core/gif/gif_reader.h"
#include "core/production/make_gif.h"
#include "core/project/frame_list.h"
#include "core/project/paths.h"
#include "gui/app/app_context.h"
#include "gui/main_window/property_panel.h"
#include "gui/widgets/gif_view.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <exception>
#include <memory>
#include <optional>

namespace pictoreel {

namespace {

// From the last change of the project to the make.
constexpr int kPauseMilliseconds = 400;

QPushButton* makeButton(const QString& caption, const char* name, const QString& accessibleName, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(accessibleName);
    // Enter presses the button that has the focus, as Space does.
    button->setAutoDefault(true);
    return button;
}

}  // namespace

// What the worker leaves for the tab.
struct AnimationTab::Outcome {
    std::optional<Result<MakeReport>> made;
    std::optional<Result<GifDecoder>> opened;  // the made file, read into memory
};

AnimationTab::AnimationTab(const FrameList& frames, const PropertyPanel& panel, const AppContext& context,
                           QWidget* parent)
    : QWidget(parent), frames_(frames), panel_(panel), context_(context)
{
    setObjectName(QStringLiteral("picAnimationTab"));
    cmdAnimBack = makeButton(tr("&Back"), "cmdAnimBack", tr("Previous frame"), this);
    cmdAnimPlay = makeButton(tr("&Play"), "cmdAnimPlay", tr("Play"), this);
    cmdAnimNext = makeButton(tr("&Next"), "cmdAnimNext", tr("Next frame"), this);
    lAnimFrame = new QLabel(this);
    lAnimFrame->setObjectName(QStringLiteral("lAnimFrame"));
    lAnimFrame->setAccessibleDescription(tr("Shown frame"));  // read by its text
    lAnimFrame->setMinimumWidth(1);  // the narrowest right pane cuts it rather than the buttons
    lAnimMessage = new QLabel(this);
    lAnimMessage->setObjectName(QStringLiteral("lAnimMessage"));
    lAnimMessage->setAccessibleDescription(tr("Animation message"));
    lAnimMessage->setWordWrap(true);
    lAnimMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PlayGifAnim = new GifView;
    PlayGifAnim->setObjectName(QStringLiteral("PlayGifAnim"));
    PlayGifAnim->setAccessibleName(tr("Animation"));
    picAnimation = new QScrollArea(this);
    picAnimation->setObjectName(QStringLiteral("picAnimation"));
    picAnimation->setAccessibleName(tr("Animation view"));  // a Tab stop: the arrow keys scroll a large GIF
    picAnimation->setWidget(PlayGifAnim);
    picAnimation->setFrameShape(QFrame::NoFrame);
    picAnimation->setAlignment(Qt::AlignCenter);  // on the page, as the other viewers show pictures
    picAnimation->viewport()->setAutoFillBackground(false);
    // Fit (a larger GIF scaled down into the view) or 100 % (scrolled), from the view's context menu.
    PlayGifAnim->offerScaleChoice();
    connect(PlayGifAnim, &GifView::fitChanged, this, &AnimationTab::placeAnimation);
    picAnimation->viewport()->installEventFilter(this);

    auto* controls = new QHBoxLayout;
    for (QWidget* part : std::initializer_list<QWidget*>{cmdAnimBack, cmdAnimPlay, cmdAnimNext, lAnimFrame})
        controls->addWidget(part);
    controls->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(lAnimMessage);
    layout->addWidget(picAnimation, 1);
    setTabOrder(cmdAnimBack, cmdAnimPlay);
    setTabOrder(cmdAnimPlay, cmdAnimNext);

    connect(cmdAnimPlay, &QPushButton::clicked, this, &AnimationTab::playOrPause);
    connect(cmdAnimBack, &QPushButton::clicked, this, [this] { step(-1); });
    connect(cmdAnimNext, &QPushButton::clicked, this, [this] { step(1); });
    connect(PlayGifAnim, &GifView::playbackChanged, this, &AnimationTab::showPlayback);

    pause_.setSingleShot(true);
    pause_.setInterval(kPauseMilliseconds);
    connect(&pause_, &QTimer::timeout, this, &AnimationTab::remakeIfChanged);
    showResult(false, QLatin1String(kTooFewFramesToPreview));
}

AnimationTab::~AnimationTab() = default;

void AnimationTab::followProject(const QAbstractItemModel& model, const PropertyPanel& panel)
{
    const auto changed = [this] {
        closing_ = false;  // the window stayed open
        pause_.start();
    };
    connect(&model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(&model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(&model, &QAbstractItemModel::rowsMoved, this, changed);
    connect(&model, &QAbstractItemModel::dataChanged, this, changed);
    connect(&model, &QAbstractItemModel::modelReset, this, changed);
    // Any edit of the panel may change a global property; the state is compared before anything
    // is made.
    for (const auto edited : {&PropertyPanel::projectPropertiesEdited, &PropertyPanel::frameSizeEdited,
                              &PropertyPanel::frameStyleEdited, &PropertyPanel::autoWidthClicked,
                              &PropertyPanel::autoHeightClicked})
        connect(&panel, edited, this, changed);
}

AnimationTab::ProjectState AnimationTab::currentState() const
{
    ProjectState state;
    for (int row = 1; row <= frames_.rowCount(); ++row)
        state.rows.append(frames_.FrameToString(row));
    state.properties = panel_.projectProperties();
    state.properties.outputFile.clear();
    // The tab shows the frames as they look; a size budget is searched only by Make.
    state.properties.maxSize.clear();
    return state;
}

// ---- making -------------------------------------------------------------------------------------

void AnimationTab::remakeIfChanged()
{
    pause_.stop();
    if (closing_ || !isVisible() || !isEnabled() || context_.tempFolder().isEmpty())
        return;  // made when the tab shows again or the window takes input again
    const ProjectState state = currentState();
    if (isMaking()) {
        if (!(state == making_))
            job_.cancel();  // its end starts the next make
        return;
    }
    if (state == shown_)
        return;
    if (state.rows.size() < 2) {
        shown_ = state;
        PlayGifAnim->Pause();
        showResult(false, QLatin1String(kTooFewFramesToPreview));
        return;
    }
    start(state);
}

void AnimationTab::start(const ProjectState& state)
{
    making_ = state;
    const QString output = joinPath(context_.tempFolder(), QLatin1String(kAnimationTabFile));
    MakeOptions options;
    options.tempFolder = context_.tempFolder();
    options.stopRequested = [job = &job_] { return job->stopRequested(); };
    auto outcome = std::make_shared<Outcome>();
    auto work = [job = &job_, outcome, frames = frames_, properties = state.properties, output, options] {
        MakeEvents events;
        events.frameAdded = [job](int value) { job->report(value); };
        events.saveProgress = [job](int percent) { job->report(saveProgressValue(percent)); };
        try {
            const Result<MakePlan> plan = planMake(frames, properties, output, options);
            outcome->made = plan ? makeFromPlan(plan.value(), options, events) : Result<MakeReport>(plan.error());
            if (*outcome->made) {
                // Read whole, so that the shown animation holds no file the next make replaces.
                QFile file(output);
                outcome->opened = file.open(QIODevice::ReadOnly) ? GifDecoder::openMemory(file.readAll())
                                                                 : GifDecoder::openFile(output);  // its error
            }
        } catch (const std::exception& e) {  // out of memory and the like
            outcome->made = makeError(ErrorCode::LibraryFailure, QString::fromLocal8Bit(e.what()));
        }
    };
    const auto tellProgress = [this](int percent) {
        if (!hasAnimation_)
            showResult(false, tr("Making the animation ... %1 %").arg(percent));
    };
    tellProgress(0);
    job_.start(std::move(work), tellProgress,
        [this, state, outcome] { finished(state, *outcome); });
}

void AnimationTab::finished(const ProjectState& state, Outcome& outcome)
{
    const Result<MakeReport>& made = *outcome.made;
    if (!made && made.error().code == ErrorCode::Cancelled) {
        remakeIfChanged();  // stopped for a newer state, or because the tab went away
        return;
    }
    shown_ = state;
    const Error* failed = !made ? &made.error() : outcome.opened && !*outcome.opened ? &outcome.opened->error() : nullptr;
    if (failed) {
        PlayGifAnim->Pause();
        showResult(false, tr("The animation could not be made.") + QStringLiteral("\n\n") + failed->text());
    } else {
        const int frame = PlayGifAnim->component().currentFrameIndex();
        (void)PlayGifAnim->loadOpenedGif(std::move(*outcome.opened));
        placeAnimation();
        PlayGifAnim->LoopPlayback(true);
        if (stoppedByUser_)
            PlayGifAnim->showFrame(frame);
        else
            PlayGifAnim->Play();
        showResult(true, {});
    }
    remakeIfChanged();  // a change that came while this was made
}

void AnimationTab::stopMaking()
{
    job_.cancel();
    job_.finishNow();
}

// ---- showing ------------------------------------------------------------------------------------

void AnimationTab::showResult(bool animation, const QString& message)
{
    hasAnimation_ = animation;
    lAnimMessage->setText(message);
    lAnimMessage->setVisible(!message.isEmpty());
    picAnimation->setVisible(animation);
    showPlayback();
}

void AnimationTab::showPlayback()
{
    const PlayerComponent& player = PlayGifAnim->component();
    const bool shown = hasAnimation_;
    for (QPushButton* button : {cmdAnimBack, cmdAnimPlay, cmdAnimNext})
        button->setEnabled(shown);
    const bool playing = shown && player.isPlaying();
    cmdAnimPlay->setText(playing ? tr("Pa&use") : tr("&Play"));
    cmdAnimPlay->setAccessibleName(playing ? tr("Pause") : tr("Play"));
    lAnimFrame->setText(shown ? tr("Frame %1 / %2").arg(player.currentFrameIndex() + 1).arg(player.FrameCount())
                              : QString());
}

void AnimationTab::playOrPause()
{
    stoppedByUser_ = PlayGifAnim->component().isPlaying();
    if (stoppedByUser_)
        PlayGifAnim->Pause();
    else
        PlayGifAnim->Play();
}

void AnimationTab::step(int by)
{
    const int count = PlayGifAnim->component().FrameCount();
    if (count == 0)
        return;
    stoppedByUser_ = true;
    PlayGifAnim->Pause();
    PlayGifAnim->showFrame((PlayGifAnim->component().currentFrameIndex() + by + count) % count);
}

// ---- when to make -------------------------------------------------------------------------------

void AnimationTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    closing_ = false;
    if (!watchingWindow_ && window() != this) {
        // Closing the window sweeps the temp folder: the make stops before that.
        window()->installEventFilter(this);
        watchingWindow_ = true;
    }
    remakeIfChanged();
}

void AnimationTab::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    job_.cancel();  // nobody sees it; made again when shown
}

void AnimationTab::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    // The window takes no input while it makes or previews: that work has the temp folder.
    if (!isEnabled())
        stopMaking();
    else
        remakeIfChanged();
}

void AnimationTab::windowStaysOpen()
{
    closing_ = false;
    remakeIfChanged();
}

void AnimationTab::placeAnimation()
{
    PlayGifAnim->resize(PlayGifAnim->sizeWithin(picAnimation->maximumViewportSize()));
}

bool AnimationTab::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == picAnimation->viewport() && event->type() == QEvent::Resize && PlayGifAnim->fitsToView())
        placeAnimation();
    if (watched == window() && event->type() == QEvent::Close) {
        // Nothing is made from here on, not even while the window asks whether to save: should
        // it stay open, windowStaysOpen() makes the animation again.
        closing_ = true;
        stopMaking();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace pictoreel
