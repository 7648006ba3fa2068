// A view that plays an animated GIF: it owns a player component, draws the frame playback stands
// on at the GIF's own pixel size from its top-left corner (transparent pixels in the component's
// BackColor), and moves on to the next frame when the shown frame's delay is up, for as long as
// the component's loop setting lets playback go on.
#pragma once

#include "core/base/error.h"
#include "core/media/player_component.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace pictoreel {

class GifView final : public QWidget {
    Q_OBJECT
public:
    explicit GifView(QWidget* parent = nullptr);
    ~GifView() override;

    PlayerComponent& component() { return player_; }
    const PlayerComponent& component() const { return player_; }

    // The component's playing operations, with the frame timer kept in step.
    Status LoadGif(const QString& fileName);
    Status loadOpenedGif(Result<GifDecoder> opened);
    void LoopPlayback(bool loop) { player_.LoopPlayback(loop); }
    void Play();
    void Pause();
    // Stands on frame `index` (0-based), playing on from there when it was playing.
    void showFrame(int index);
    int GifWidth() const { return player_.GifWidth(); }
    int GifHeight() const { return player_.GifHeight(); }

    // The frame timer: armed with the shown frame's delay (as played) while the animation runs.
    bool isAnimating() const { return timer_.isActive(); }
    int shownFrameDelayMilliseconds() const { return timer_.interval(); }
    // What the timer runs when the shown frame's delay is up: the next frame, or the end of
    // playback when the loops have run out. Public so that time can be driven by hand.
    void showNextFrame();

    QSize sizeHint() const override;

Q_SIGNALS:
    // The shown frame has changed, or playback has started or stopped.
    void playbackChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void syncTimer();
    // After a load: the new first frame is drawn and the timer follows.
    Status showLoaded(Status loaded);

    PlayerComponent player_;
    QTimer timer_;
    QImage picture_;        // the shown frame over BackColor, made when first painted
    int pictureIndex_ = -1;  // which frame picture_ holds; -1 for none
};

}  // namespace pictoreel
