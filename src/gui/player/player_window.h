// The player window `frmPlay` (caption "Player"): a strip across the top with "&Play", "Pa&use",
// "&Load File ..." and the file box `txtPlay`, and below it the picture box `Picture1` holding the
// player `PlayGif1`, which always has the GIF's own pixel size, whatever the window's size.
// Becoming the active window with a file name in the box plays it.
#pragma once

#include <QDialog>

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

    QWidget* Picture2 = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* cmdPause = nullptr;
    QPushButton* cmdLoad = nullptr;
    QLineEdit* txtPlay = nullptr;
    QWidget* Picture1 = nullptr;
    GifView* PlayGif1 = nullptr;

    Dialogs& dialogs_;
};

}  // namespace pictoreel
