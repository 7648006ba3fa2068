#include "gui/widgets/image_view.h"

#include "core/media/imaging_component.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace pictoreel {

ImageView::ImageView(ImagingComponent& component, QWidget* parent) : QWidget(parent), component_(component)
{
    component_.setChangedHandler([this] { update(); });
}

ImageView::~ImageView() { component_.setChangedHandler({}); }

void ImageView::paintEvent(QPaintEvent*)
{
    if (!component_.displayFlag() || !component_.hasImage())
        return;
    const RgbaImage& picture = component_.image();
    // A view of the component's pixels, valid while this paint runs.
    const QImage view(picture.pixels.data(), picture.width, picture.height, picture.width * 4,
                      QImage::Format_RGBA8888);
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), view);
}

void ImageView::mouseReleaseEvent(QMouseEvent* event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && component_.hasImage()
        && QRect(0, 0, component_.ImageWidth(), component_.ImageHeight()).contains(event->position().toPoint()))
        component_.raiseImageClick();
}

}  // namespace pictoreel
