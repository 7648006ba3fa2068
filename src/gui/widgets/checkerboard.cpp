#include "gui/widgets/checkerboard.h"

#include <QBrush>
#include <QPainter>
#include <QPixmap>

namespace pictoreel {

namespace {

const QPixmap& checkerTile()
{
    static const QPixmap tile = [] {
        QPixmap pixmap(2 * kCheckerSquare, 2 * kCheckerSquare);
        pixmap.fill(QColor(0xFF, 0xFF, 0xFF));
        QPainter painter(&pixmap);
        const QColor grey(0xCC, 0xCC, 0xCC);
        painter.fillRect(kCheckerSquare, 0, kCheckerSquare, kCheckerSquare, grey);
        painter.fillRect(0, kCheckerSquare, kCheckerSquare, kCheckerSquare, grey);
        return pixmap;
    }();
    return tile;
}

}  // namespace

void paintCheckerboard(QPainter& painter, const QRect& area)
{
    if (area.isEmpty())
        return;
    QBrush brush(checkerTile());
    brush.setTransform(QTransform::fromTranslate(area.left(), area.top()));
    painter.fillRect(area, brush);
}

}  // namespace pictoreel
