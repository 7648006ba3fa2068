#include "gui/player/preview_window.h"

#include "gui/widgets/gif_view.h"

#include <QResizeEvent>

namespace pictoreel {

PreviewWindow::PreviewWindow(const QString& previewFile, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmView"));
    setWindowTitle(tr("Preview"));
    setAccessibleName(tr("Preview"));
    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAccessibleName(tr("Preview picture"));
    PlayGif1 = new GifView(Picture1);
    PlayGif1->setObjectName(QStringLiteral("PlayGif1"));
    PlayGif1->setAccessibleName(tr("Animated GIF"));

    // Load: the preview file, looping, playing; a file that will not load shows nothing.
    (void)PlayGif1->LoadGif(previewFile);
    PlayGif1->LoopPlayback(true);
    PlayGif1->resize(PlayGif1->GifWidth(), PlayGif1->GifHeight());
    PlayGif1->Play();
}

void PreviewWindow::sizeForPicture(int width, int height)
{
    resize(width, height);
}

void PreviewWindow::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // Docked to the top, the bottom, the left and the right edge: the whole client area.
    Picture1->setGeometry(rect());
}

}  // namespace pictoreel
