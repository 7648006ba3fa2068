#include "gui/recorder/region_overlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace pictoreel {

RegionOverlay::RegionOverlay(const QRect& screenArea)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool)
{
    setObjectName(QStringLiteral("frmRecordRegion"));
    setAccessibleName(tr("Draw the region to record"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::CrossCursor);
    setGeometry(screenArea);
}

void RegionOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QPainterPath dimmed;
    dimmed.addRect(rect());
    const QRect region = marked();
    if (dragging_) {
        QPainterPath hole;
        hole.addRect(region);
        dimmed = dimmed.subtracted(hole);
    }
    painter.fillPath(dimmed, QColor(0, 0, 0, 110));
    painter.setPen(Qt::white);
    if (dragging_) {
        painter.setPen(QPen(QColor(255, 80, 40), 1, Qt::DashLine));
        painter.drawRect(region.adjusted(-1, -1, 0, 0));
        painter.setPen(Qt::white);
        painter.drawText(region.bottomLeft() + QPoint(4, 16), tr("%1 x %2").arg(region.width()).arg(region.height()));
    } else {
        painter.drawText(rect(), Qt::AlignCenter, tr("Drag over the part of the screen to record; Escape gives up"));
    }
}

void RegionOverlay::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    from_ = to_ = event->position().toPoint();
    dragging_ = true;
    update();
}

void RegionOverlay::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_)
        return;
    to_ = event->position().toPoint();
    update();
}

void RegionOverlay::mouseReleaseEvent(QMouseEvent* event)
{
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    to_ = event->position().toPoint();
    dragging_ = false;
    QRect region = marked();
    region.setSize(region.size().expandedTo(QSize(1, 1)));
    close();
    Q_EMIT regionChosen(region.translated(geometry().topLeft()));
}

void RegionOverlay::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape)
        return QWidget::keyPressEvent(event);
    close();
    Q_EMIT abandoned();
}

}  // namespace pictoreel
