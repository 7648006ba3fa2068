// The preview window `frmView` (caption "Preview"): the picture box `Picture1` covering the whole
// client area, with the player `PlayGif1` at its top-left corner playing the preview file in a loop.
#pragma once

#include <QDialog>

namespace pictoreel {

class GifView;

class PreviewWindow final : public QDialog {
    Q_OBJECT
public:
    // Loading the window loads `previewFile`, turns looping on and plays.
    explicit PreviewWindow(const QString& previewFile, QWidget* parent = nullptr);

    // Sizes the window for a picture of `width` x `height` pixels: its client area is the
    // picture's size. (Outside, with frame and title bar, that made width x 15 + 180 by
    // height x 15 + 465 twips where these numbers were measured; here the window manager adds
    // its frame and title bar around the size we give.)
    void sizeForPicture(int width, int height);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* pictureBox_ = nullptr;  // Picture1
    GifView* player_ = nullptr;  // PlayGif1
};

}  // namespace pictoreel
