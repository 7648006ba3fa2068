#include "gui/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pictoreel {

namespace {

constexpr int kSize = 24;

const QColor kInk(40, 40, 40);
const QColor kPaper(250, 250, 245);
const QColor kBlue(40, 100, 190);
const QColor kGreen(40, 150, 60);
const QColor kRed(200, 40, 40);
const QColor kYellow(235, 190, 60);

void drawPage(QPainter& p)
{
    QPainterPath page;
    page.moveTo(5, 2);
    page.lineTo(15, 2);
    page.lineTo(20, 7);
    page.lineTo(20, 22);
    page.lineTo(5, 22);
    page.closeSubpath();
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(kPaper);
    p.drawPath(page);
    p.drawPolyline(QPolygonF({QPointF(15, 2), QPointF(15, 7), QPointF(20, 7)}));
}

void drawPicture(QPainter& p, QRectF r)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(QColor(170, 210, 240));
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawPolygon(QPolygonF({QPointF(r.left() + 1, r.bottom()), QPointF(r.left() + r.width() * 0.4, r.top() + r.height() * 0.45),
                             QPointF(r.left() + r.width() * 0.7, r.bottom())}));
    p.setBrush(kYellow);
    p.drawEllipse(QPointF(r.right() - r.width() * 0.25, r.top() + r.height() * 0.3), 2, 2);
}

void drawArrow(QPainter& p, bool up)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    const double tip = up ? 3 : 21, base = up ? 12 : 12, tail = up ? 21 : 3;
    p.drawPolygon(QPolygonF({QPointF(12, tip), QPointF(21, base), QPointF(15.5, base), QPointF(15.5, tail),
                             QPointF(8.5, tail), QPointF(8.5, base), QPointF(3, base)}));
}

void drawBadge(QPainter& p, const QColor& colour, const QString& sign)
{
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(colour);
    p.drawEllipse(QRectF(12, 12, 11, 11));
    p.setPen(QPen(Qt::white, 2));
    if (sign == u'+') {
        p.drawLine(QPointF(17.5, 14.5), QPointF(17.5, 20.5));
        p.drawLine(QPointF(14.5, 17.5), QPointF(20.5, 17.5));
    } else {
        p.drawLine(QPointF(15, 15), QPointF(20, 20));
        p.drawLine(QPointF(20, 15), QPointF(15, 20));
    }
}

void draw(QPainter& p, const QString& key)
{
    if (key == u"new") {
        drawPage(p);
    } else if (key == u"open") {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(200, 150, 60));
        p.drawRect(QRectF(2, 6, 17, 14));
        p.setBrush(kYellow);
        p.drawPolygon(QPolygonF({QPointF(2, 20), QPointF(6, 10), QPointF(22, 10), QPointF(19, 20)}));
    } else if (key == u"save") {
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(kBlue);
        p.drawRect(QRectF(3, 3, 18, 18));
        p.setBrush(kPaper);
        p.drawRect(QRectF(6, 3, 12, 7));
        p.setBrush(QColor(210, 210, 210));
        p.drawRect(QRectF(7, 14, 10, 7));
    } else if (key == u"add") {
        drawPicture(p, QRectF(2, 3, 16, 13));
        drawBadge(p, kGreen, QStringLiteral("+"));
    } else if (key == u"del") {
        drawPicture(p, QRectF(2, 3, 16, 13));
        drawBadge(p, kRed, QStringLiteral("x"));
    } else if (key == u"up" || key == u"down") {
        drawArrow(p, key == u"up");
    } else if (key == u"preview") {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kPaper);
        QPainterPath eye;
        eye.moveTo(2, 12);
        eye.quadTo(12, 2, 22, 12);
        eye.quadTo(12, 22, 2, 12);
        p.drawPath(eye);
        p.setBrush(kBlue);
        p.drawEllipse(QPointF(12, 12), 4, 4);
    } else if (key == u"make") {
        // A strip of film: the animation being made.
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawRect(QRectF(4, 2, 16, 20));
        p.setBrush(kPaper);
        for (int y = 3; y < 22; y += 4) {
            p.drawRect(QRectF(5, y, 2, 2));
            p.drawRect(QRectF(17, y, 2, 2));
        }
        p.setBrush(QColor(170, 210, 240));
        p.drawRect(QRectF(8.5, 4, 7, 7));
        p.setBrush(kYellow);
        p.drawRect(QRectF(8.5, 13, 7, 7));
    } else if (key == u"play") {
        p.setPen(Qt::NoPen);
        p.setBrush(kGreen);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({QPointF(9, 7), QPointF(17, 12), QPointF(9, 17)}));
    } else if (key == u"options") {
        p.setPen(QPen(kInk, 1.5));
        for (int i = 0; i < 3; ++i) {
            const double y = 5 + i * 7;
            p.drawLine(QPointF(3, y), QPointF(21, y));
        }
        p.setBrush(kBlue);
        p.drawRect(QRectF(6, 3, 4, 4));
        p.drawRect(QRectF(14, 10, 4, 4));
        p.drawRect(QRectF(9, 17, 4, 4));
    } else if (key == u"help") {
        p.setPen(Qt::NoPen);
        p.setBrush(kBlue);
        p.drawEllipse(QRectF(2, 2, 20, 20));
        p.setPen(Qt::white);
        QFont font = p.font();
        font.setBold(true);
        font.setPixelSize(15);
        p.setFont(font);
        p.drawText(QRectF(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
    }
}

bool isToolbarKey(const QString& key)
{
    static const QStringList keys{QStringLiteral("new"),     QStringLiteral("open"), QStringLiteral("save"),
                                  QStringLiteral("add"),     QStringLiteral("del"),  QStringLiteral("up"),
                                  QStringLiteral("down"),    QStringLiteral("preview"), QStringLiteral("make"),
                                  QStringLiteral("play"),    QStringLiteral("options"), QStringLiteral("help")};
    return keys.contains(key);
}

}  // namespace

QIcon toolbarIcon(const QString& key)
{
    if (!isToolbarKey(key))
        return {};
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, key);
    painter.end();
    return QIcon(pixmap);
}

}  // namespace pictoreel
