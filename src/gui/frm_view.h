// The preview window `frmView` (caption "Preview"): the picture box `Picture1` covering the whole
// client area, with the player `PlayGif1` at its top-left corner playing the preview file in a loop.
#pragma once

#include <QDialog>

namespace pictoreel {

class GifView;

class frmView final : public QDialog {
    Q_OBJECT
public:
    // Loading the window loads `previewFile`, turns looping on and plays.
    explicit frmView(const QString& previewFile, QWidget* parent = nullptr);

    // Sizes the window for a picture of `width` x `height` pixels: width x 15 + 180 by
    // height x 15 + 465 twips, room the platform this was measured on gave its frame and title
    // bar. Here the window manager draws those outside, so the room stays around the picture.
    void sizeForPicture(int width, int height);
    static QSize windowSizeTwipsFor(int width, int height) { return {width * 15 + 180, height * 15 + 465}; }

    QWidget* Picture1 = nullptr;
    GifView* PlayGif1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
};

}  // namespace pictoreel
