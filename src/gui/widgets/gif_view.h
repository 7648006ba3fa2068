// A view that plays an animated GIF: it owns a player component, draws the frame playback stands
// on at the GIF's own pixel size from its top-left corner (transparent pixels over a checkerboard,
// or in the component's BackColor where the view is told to hide transparency), and moves on to the next frame when the shown frame's delay is up, for as long as
// the component's loop setting lets playback go on.
#pragma once

#include "core/base/error.h"
#include "core/media/player_component.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

class QAction;

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

    // A view smaller than the GIF shows it scaled down to fit, keeping its proportions, from the
    // top-left corner. Its host chooses the view's size: offerScaleChoice gives the view a context
    // menu of "&Fit" and "&100 %" (as the picture views have), whose choice the host follows
    // through fitChanged (Fit at first).
    void offerScaleChoice();
    bool fitsToView() const { return fit_; }
    void setFitToView(bool fit);
    // The size the view takes within `room`: the GIF's own size, or with Fit a larger GIF scaled
    // down into the room keeping its proportions.
    QSize sizeWithin(QSize room) const;

    // Whether transparent pixels show a checkerboard (the default) or the component's BackColor
    // (a logo drawn on its window's colour).
    void setTransparencyShown(bool shown);
    bool transparencyShown() const { return transparencyShown_; }

Q_SIGNALS:
    // The shown frame has changed, or playback has started or stopped.
    void playbackChanged();
    // The user chose Fit (true) or 100 % (false).
    void fitChanged(bool fit);

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
    QImage picture_;        // the shown frame (over BackColor when transparency is hidden), made when first painted
    bool transparencyShown_ = true;
    bool fit_ = true;
    QAction* fitAction_ = nullptr;
    QAction* actualSizeAction_ = nullptr;
    int pictureIndex_ = -1;  // which frame picture_ holds; -1 for none
};

}  // namespace pictoreel
