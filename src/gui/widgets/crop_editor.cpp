#include "gui/widgets/crop_editor.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <utility>

namespace pictoreel {

namespace {

constexpr int kLeft = 1, kRight = 2, kTop = 4, kBottom = 8, kInside = 16;

int rounded(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

QRect fitAspect(QRect rect, double aspect)
{
    if (aspect <= 0 || rect.isEmpty())
        return rect;
    int w = rect.width(), h = rounded(w / aspect);
    if (h > rect.height()) {
        h = rect.height();
        w = rounded(h * aspect);
    }
    w = std::max(w, 1), h = std::max(h, 1);
    return {rect.x() + (rect.width() - w) / 2, rect.y() + (rect.height() - h) / 2, w, h};
}

void dimOutside(QPainter& painter, const QTransform& toView, QRect area, QRect rect)
{
    QPainterPath outside;
    outside.addRect(toView.mapRect(QRectF(area)));
    outside.addRect(toView.mapRect(QRectF(rect)));
    painter.fillPath(outside, QColor(0, 0, 0, 140));
}

void CropShade::paint(QPainter& painter, const QTransform& toView)
{
    if (!rect_.isEmpty() && !picture_.isEmpty())
        dimOutside(painter, toView, QRect(QPoint(), picture_), rect_);
}

CropEditor::CropEditor(std::function<void(QRect)> changed, std::function<void(bool)> done)
    : changed_(std::move(changed)), done_(std::move(done))
{
}

void CropEditor::start(QRect area, QRect rect)
{
    area_ = area;
    aspect_ = 0;
    setRect(rect.isEmpty() ? area : rect);
}

QRect CropEditor::withinArea(QRect rect) const
{
    // What lies outside the area is cut off; at least one pixel stays.
    rect = rect.normalized();
    rect.moveLeft(std::clamp(rect.x(), area_.left(), std::max(area_.left(), area_.right())));
    rect.moveTop(std::clamp(rect.y(), area_.top(), std::max(area_.top(), area_.bottom())));
    return (rect & area_).united(QRect(rect.topLeft(), QSize(1, 1))) & area_;
}

void CropEditor::showRect(QRect rect) { rect_ = withinArea(rect); }

void CropEditor::setRect(QRect rect)
{
    rect_ = withinArea(rect);
    if (changed_)
        changed_(rect_);
}

void CropEditor::setAspect(double aspect)
{
    aspect_ = aspect;
    if (aspect > 0)
        setRect(fitAspect(rect_, aspect));
}

QRect CropEditor::withAspect(QRect rect, int grabbed) const
{
    if (aspect_ <= 0)
        return rect;
    // The side dragged leads; the other follows, from the corner or edge held still.
    const bool byWidth = (grabbed & (kLeft | kRight)) != 0;
    int w = rect.width(), h = rect.height();
    if (byWidth)
        h = std::max(1, rounded(w / aspect_));
    else
        w = std::max(1, rounded(h * aspect_));
    const int x = (grabbed & kLeft) ? rect.right() + 1 - w : rect.x();
    const int y = (grabbed & kTop) ? rect.bottom() + 1 - h : rect.y();
    QRect shaped(x, y, w, h);
    if (!area_.contains(shaped))
        shaped = fitAspect(shaped & area_, aspect_);
    return shaped;
}

void CropEditor::paint(QPainter& painter, const QTransform& toView)
{
    if (area_.isEmpty())
        return;
    handleReach_ = 6 / std::max(0.01, toView.m11());
    dimOutside(painter, toView, area_, rect_);
    const QRectF inside = toView.mapRect(QRectF(rect_));
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.drawRect(inside.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    for (const double fx : {0.0, 0.5, 1.0})
        for (const double fy : {0.0, 0.5, 1.0})
            if (fx != 0.5 || fy != 0.5)
                painter.drawRect(QRectF(inside.x() + fx * inside.width() - 3, inside.y() + fy * inside.height() - 3, 6, 6));
}

int CropEditor::grabAt(QPointF at) const
{
    if (rect_.isEmpty())
        return 0;
    const QRectF r(rect_);
    const double reach = handleReach_;
    const bool nearX = at.x() > r.left() - reach && at.x() < r.right() + reach;
    const bool nearY = at.y() > r.top() - reach && at.y() < r.bottom() + reach;
    if (!nearX || !nearY)
        return 0;
    int edges = 0;
    if (std::abs(at.x() - r.left()) < reach)
        edges |= kLeft;
    else if (std::abs(at.x() - r.right()) < reach)
        edges |= kRight;
    if (std::abs(at.y() - r.top()) < reach)
        edges |= kTop;
    else if (std::abs(at.y() - r.bottom()) < reach)
        edges |= kBottom;
    return edges ? edges : r.contains(at) ? kInside : 0;
}

bool CropEditor::press(QPointF at)
{
    if (area_.isEmpty())
        return false;
    grabbed_ = grabAt(at);
    if (grabbed_ == kInside && rect_ == area_)
        grabbed_ = 0;  // nothing cut yet: the press starts a rectangle
    pressedAt_ = at;
    pressedEdges_ = {rect_.left(), rect_.right() + 1, rect_.top(), rect_.bottom() + 1};
    if (!grabbed_) {  // a new rectangle, drawn from its first corner
        grabbed_ = kRight | kBottom;
        const int x = std::clamp(rounded(at.x()), area_.left(), area_.right() + 1);
        const int y = std::clamp(rounded(at.y()), area_.top(), area_.bottom() + 1);
        pressedEdges_ = {x, x, y, y};
        setRect(QRect(x, y, 1, 1));
    }
    return true;
}

void CropEditor::move(QPointF at)
{
    const QPointF by = at - pressedAt_;
    const int dx = rounded(by.x()), dy = rounded(by.y());
    auto [left, right, top, bottom] = pressedEdges_;
    if (grabbed_ == kInside) {  // moved whole, up to the area's edges
        setRect(QRect(std::clamp(left + dx, area_.left(), area_.right() + 1 - (right - left)),
                      std::clamp(top + dy, area_.top(), area_.bottom() + 1 - (bottom - top)), right - left, bottom - top));
        return;
    }
    // The grabbed edges move; one dragged past the other turns the rectangle over.
    if (grabbed_ & kLeft)
        left += dx;
    if (grabbed_ & kRight)
        right += dx;
    if (grabbed_ & kTop)
        top += dy;
    if (grabbed_ & kBottom)
        bottom += dy;
    const int areaRight = area_.right() + 1, areaBottom = area_.bottom() + 1;
    left = std::clamp(left, area_.left(), areaRight), right = std::clamp(right, area_.left(), areaRight);
    top = std::clamp(top, area_.top(), areaBottom), bottom = std::clamp(bottom, area_.top(), areaBottom);
    const QRect drawn(std::min(left, right), std::min(top, bottom), std::abs(right - left), std::abs(bottom - top));
    setRect(withAspect(drawn, grabbed_));
}

void CropEditor::release(QPointF at) { move(at); }

bool CropEditor::key(int key)
{
    if (key != Qt::Key_Escape && key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (done_)
        done_(key != Qt::Key_Escape);
    return true;
}

Qt::CursorShape CropEditor::cursorAt(QPointF at) const
{
    switch (grabAt(at)) {
    case kLeft | kTop:
    case kRight | kBottom: return Qt::SizeFDiagCursor;
    case kRight | kTop:
    case kLeft | kBottom: return Qt::SizeBDiagCursor;
    case kLeft:
    case kRight: return Qt::SizeHorCursor;
    case kTop:
    case kBottom: return Qt::SizeVerCursor;
    case kInside: return Qt::SizeAllCursor;
    default: return Qt::CrossCursor;
    }
}

}  // namespace pictoreel
