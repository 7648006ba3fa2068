// A region of the screen drawn with the mouse: a frameless window over the whole of one screen,
// dimmed, in which a press, a drag and a release mark a rectangle; Escape gives up.
#pragma once

#include <QRect>
#include <QWidget>

namespace pictoreel {

class RegionOverlay final : public QWidget {
    Q_OBJECT
public:
    // Covers `screenArea` (global coordinates) and deletes itself once done.
    explicit RegionOverlay(const QRect& screenArea);

Q_SIGNALS:
    // In global coordinates; at least 1 x 1.
    void regionChosen(const QRect& region);
    void abandoned();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect marked() const { return QRect(from_, to_).normalized(); }

    QPoint from_;
    QPoint to_;
    bool dragging_ = false;
};

}  // namespace pictoreel
