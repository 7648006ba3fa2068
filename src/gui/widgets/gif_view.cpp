#include "gui/widgets/gif_view.h"

#include "core/gif/gif_reader.h"

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

void GifView::paintEvent(QPaintEvent*)
{
    if (!player_.hasGif())
        return;
    if (pictureIndex_ != player_.currentFrameIndex()) {
        Result<PlayerFrame> frame = player_.currentFrame();
        if (!frame)
            return;  // a frame the file does not hold intact: nothing new is drawn
        const RgbaImage opaque = compositeOverColour(frame.value().image, player_.backColor());
        picture_ = QImage(opaque.pixels.data(), opaque.width, opaque.height, opaque.width * 4,
                          QImage::Format_RGBA8888)
                       .copy();
        pictureIndex_ = player_.currentFrameIndex();
    }
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), picture_);
}

}  // namespace pictoreel
