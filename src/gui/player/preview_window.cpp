#include "gui/player/preview_window.h"

#include "gui/widgets/gif_view.h"

#include <QResizeEvent>

namespace pictoreel {

PreviewWindow::PreviewWindow(const QString& previewFile, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmView"));
    setWindowTitle(tr("Preview"));
    setAccessibleName(tr("Preview"));
    pictureBox_ = new QWidget(this);
    pictureBox_->setObjectName(QStringLiteral("Picture1"));
    pictureBox_->setAccessibleName(tr("Preview picture"));
    player_ = new GifView(pictureBox_);
    player_->setObjectName(QStringLiteral("PlayGif1"));
    player_->setAccessibleName(tr("Animated GIF"));

    // Load: the preview file, looping, playing; a file that will not load shows nothing.
    (void)player_->LoadGif(previewFile);
    player_->LoopPlayback(true);
    player_->resize(player_->GifWidth(), player_->GifHeight());
    player_->Play();
}

void PreviewWindow::sizeForPicture(int width, int height)
{
    resize(width, height);
}

void PreviewWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // Docked to the top, the bottom, the left and the right edge: the whole client area.
    pictureBox_->setGeometry(rect());
}

}  // namespace pictoreel
