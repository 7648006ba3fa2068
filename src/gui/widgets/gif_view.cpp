#include "gui/widgets/gif_view.h"

#include "core/gif/gif_reader.h"
#include "gui/widgets/checkerboard.h"

#include <QAction>
#include <QActionGroup>
#include <QPainter>

namespace pictoreel {

GifView::GifView(QWidget* parent) : QWidget(parent)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &GifView::showNextFrame);
    player_.setFrameChangedHandler([this] {
        pictureIndex_ = -1;
        update();
        Q_EMIT playbackChanged();
    });
}

GifView::~GifView() { player_.setFrameChangedHandler({}); }

Status GifView::LoadGif(const QString& fileName) { return showLoaded(player_.LoadGif(fileName)); }

Status GifView::loadOpenedGif(Result<GifDecoder> opened)
{
    return showLoaded(player_.loadOpenedGif(std::move(opened)));
}

Status GifView::showLoaded(Status loaded)
{
    pictureIndex_ = -1;
    syncTimer();
    update();
    return loaded;
}

void GifView::Play()
{
    player_.Play();
    syncTimer();
    Q_EMIT playbackChanged();
}

void GifView::Pause()
{
    player_.Pause();
    syncTimer();
    Q_EMIT playbackChanged();
}

void GifView::showFrame(int index)
{
    player_.showFrame(index);
    syncTimer();
}

void GifView::showNextFrame()
{
    if (!player_.advance()) {
        timer_.stop();
        Q_EMIT playbackChanged();
        return;
    }
    timer_.start(player_.currentDelayMilliseconds());
}

void GifView::syncTimer()
{
    // A pause and a new play both begin the shown frame's delay afresh.
    if (player_.isPlaying() && player_.hasGif() && isVisible())
        timer_.start(player_.currentDelayMilliseconds());
    else
        timer_.stop();
}

void GifView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    syncTimer();
}

void GifView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    timer_.stop();  // nobody sees it: the frames wait where they are
}

QSize GifView::sizeHint() const { return {player_.GifWidth(), player_.GifHeight()}; }

void GifView::offerScaleChoice()
{
    if (fitAction_)
        return;
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* group = new QActionGroup(this);
    fitAction_ = new QAction(tr("&Fit"), group);
    actualSizeAction_ = new QAction(tr("&100 %"), group);
    for (QAction* action : {fitAction_, actualSizeAction_}) {
        action->setCheckable(true);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, action] {
            setFitToView(action == fitAction_);
            Q_EMIT fitChanged(fit_);
        });
    }
    (fit_ ? fitAction_ : actualSizeAction_)->setChecked(true);
}

void GifView::setFitToView(bool fit)
{
    fit_ = fit;
    if (fitAction_)
        (fit ? fitAction_ : actualSizeAction_)->setChecked(true);
    update();
}

QSize GifView::sizeWithin(QSize room) const
{
    const QSize own = sizeHint();
    if (!fit_ || own.isEmpty() || (own.width() <= room.width() && own.height() <= room.height()))
        return own;
    return own.scaled(room.expandedTo({1, 1}), Qt::KeepAspectRatio).expandedTo({1, 1});
}

void GifView::setTransparencyShown(bool shown)
{
    transparencyShown_ = shown;
    pictureIndex_ = -1;
    update();
}

void GifView::paintEvent(QPaintEvent*)
{
    if (!player_.hasGif())
        return;
    if (pictureIndex_ != player_.currentFrameIndex()) {
        Result<PlayerFrame> frame = player_.currentFrame();
        if (!frame)
            return;  // a frame the file does not hold intact: nothing new is drawn
        const RgbaImage shown = transparencyShown_ ? frame.value().image
                                                   : compositeOverColour(frame.value().image, player_.backColor());
        picture_ = QImage(shown.pixels.data(), shown.width, shown.height, shown.width * 4, QImage::Format_RGBA8888)
                       .copy();
        pictureIndex_ = player_.currentFrameIndex();
    }
    QPainter painter(this);
    // A view smaller than the frame shows it scaled down, its proportions kept.
    QRect target(QPoint(0, 0), picture_.size());
    if (picture_.width() > width() || picture_.height() > height()) {
        target.setSize(picture_.size().scaled(size().expandedTo({1, 1}), Qt::KeepAspectRatio).expandedTo({1, 1}));
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    if (transparencyShown_)
        paintCheckerboard(painter, target);
    painter.drawImage(target, picture_);
}

}  // namespace pictoreel
