// The crop drawn on the frame view: a rectangle drawn with the mouse within an area of the view's
// picture (the part of the frame the picture covers), moved by dragging its inside and resized by
// its eight handles, the area outside it dimmed. Escape gives up, Enter applies. The rectangle is
// in the view's picture's pixels and always within the area; with an aspect set, its width /
// height keeps that ratio.
#pragma once

#include "gui/widgets/image_view.h"

#include <QRect>
#include <QSize>

#include <array>
#include <functional>

namespace pictoreel {

class CropEditor final : public ImageViewTool {
public:
    // `changed` gets every new rectangle; `done` true for Enter, false for Escape.
    CropEditor(std::function<void(QRect)> changed, std::function<void(bool apply)> done);

    // A new area, the rectangle set to `rect` (within it; the whole area when empty), told.
    void start(QRect area, QRect rect);
    QRect rect() const { return rect_; }
    QRect area() const { return area_; }
    // Sets the rectangle, kept within the area (and to the aspect when one is set), and tells it.
    void setRect(QRect rect);
    // The same, without telling: the rectangle follows what was typed elsewhere.
    void showRect(QRect rect);
    // width / height, 0 for any; the rectangle is made to fit it around its centre.
    void setAspect(double aspect);

    void paint(QPainter& painter, const QTransform& toView) override;
    bool press(QPointF at) override;
    void move(QPointF at) override;
    void release(QPointF at) override;
    bool key(int key) override;
    Qt::CursorShape cursorAt(QPointF at) const override;

private:
    // What a press at `at` takes: bit 1 left edge, 2 right, 4 top, 8 bottom; 16 the inside (move);
    // 0 nothing (a new rectangle is drawn from there).
    int grabAt(QPointF at) const;
    QRect withAspect(QRect rect, int grabbed) const;
    QRect withinArea(QRect rect) const;

    std::function<void(QRect)> changed_;
    std::function<void(bool)> done_;
    QRect area_;
    QRect rect_;
    double aspect_ = 0;
    double handleReach_ = 4;  // pixels of the view's picture a handle reaches, from the view's scale
    int grabbed_ = 0;
    QPointF pressedAt_;
    std::array<int, 4> pressedEdges_{};  // left, right, top, bottom (past the last pixel) at the press
};

// The crop shown on a view of the whole picture: outside it dimmed. Takes no mouse.
class CropShade final : public ImageViewTool {
public:
    // No crop: an empty rectangle.
    void setCrop(QSize picture, QRect rect) { picture_ = picture, rect_ = rect; }
    void paint(QPainter& painter, const QTransform& toView) override;

private:
    QSize picture_;
    QRect rect_;
};

// Dims the part of `area` outside `rect`.
void dimOutside(QPainter& painter, const QTransform& toView, QRect area, QRect rect);

// The presets of the crop's aspect: Free (0), 1:1, 4:3, 16:9 and 9:16.
struct CropAspect {
    const char* name;
    double ratio;
};
inline constexpr CropAspect kCropAspects[] = {{QT_TRANSLATE_NOOP("pictoreel::CropDialog", "Free"), 0}, {"1:1", 1}, {"4:3", 4.0 / 3}, {"16:9", 16.0 / 9}, {"9:16", 9.0 / 16}};

// The largest rectangle of ratio `aspect` (width / height) within `rect`, about its centre.
QRect fitAspect(QRect rect, double aspect);

}  // namespace pictoreel
