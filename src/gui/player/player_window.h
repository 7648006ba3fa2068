// The player window `frmPlay` (caption "Player"): a strip across the top with "&Play", "Pa&use",
// "&Load File ..." and the file box `txtPlay`, and below it the picture box `Picture1` holding the
// player `PlayGif1`, which has the GIF's own pixel size, or with Fit (its context menu, the
// default) a larger GIF's scaled down into the window; under it, "Frame 3 / 31". A GIF of another
// size than the one before sizes the window for it (within the screen). The Left and Right keys
// pause and step a frame back or on. Becoming the active window with a file name in the box
// plays it.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pictoreel {

class Dialogs;
class GifView;

class PlayerWindow final : public QDialog {
    Q_OBJECT
public:
    explicit PlayerWindow(Dialogs& dialogs, QWidget* parent = nullptr);

    // Puts `gif` into `txtPlay`: the window plays it when it next becomes the active window.
    void setGifFile(const QString& gif);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // "&Play": shows the player, loads the file named in `txtPlay` (every time), loops, gives the
    // player the GIF's pixel size and plays. A step that fails is passed over.
    void playFile();
    // "Pa&use".
    void pause();
    // "&Load File ...": a GIF chosen in the open dialog goes into `txtPlay` and is played.
    void loadFile();
    void layOut();
    // The player at the size it takes within the picture box.
    void placeGif();
    // The window sized so that the picture box holds the GIF at its own size, within the screen.
    void sizeForGif();
    void showFrameNumber();
    void stepFrame(int by);

    // ---- the controls, with their object names ----------------------------------------------
    QWidget* buttonStrip_ = nullptr;  // Picture2
    QPushButton* playButton_ = nullptr;  // OKButton
    QPushButton* pauseButton_ = nullptr;  // cmdPause
    QPushButton* loadButton_ = nullptr;  // cmdLoad
    QLineEdit* fileBox_ = nullptr;  // txtPlay
    QWidget* pictureBox_ = nullptr;  // Picture1
    GifView* player_ = nullptr;  // PlayGif1
    QLabel* frameLabel_ = nullptr;  // lblFrame
    QSize sizedFor_;  // the GIF size the window was last sized for

    Dialogs& dialogs_;
};

}  // namespace pictoreel
