// A viewer of an imaging component's picture, redrawn whenever the component's picture changes,
// on the window's background, its transparent pixels over a checkerboard. It shows the picture in one of two scales:
// - Fit (the default): a picture larger than the view is scaled down, smoothly and keeping its
//   proportions, to fit it; a smaller one is shown at its own pixel size. Either way it is centred.
//   Small frames are not blown up: what a GIF maker shows should be the size the frame is made at.
// - 100 %: the picture at its own pixel size from the top left, with scroll bars when it is larger
//   than the view.
// The context menu (right click, or the menu key while the view has the focus)
// switches between them.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QTransform>

class QAction;
class QPainter;

namespace pictoreel {

class ImagingComponent;

// Something the user does on the picture of a view with the mouse and keys (place a caption,
// draw a crop), and what it draws over the picture. Points are in the picture's pixels, and may
// lie outside it.
class ImageViewTool {
public:
    virtual ~ImageViewTool() = default;
    // `toView` maps the picture's pixels to the view's.
    virtual void paint(QPainter& painter, const QTransform& toView) { (void)painter, (void)toView; }
    // Whether the tool takes this press (then the moves and the release that follow are its).
    virtual bool press(QPointF at) { return (void)at, false; }
    virtual void move(QPointF at) { (void)at; }
    virtual void release(QPointF at) { (void)at; }
    // Whether the tool took the key.
    virtual bool key(int key) { return (void)key, false; }
    // The pointer's shape over `at` while no button is down.
    virtual Qt::CursorShape cursorAt(QPointF at) const { return (void)at, Qt::ArrowCursor; }
};

class ImageView final : public QAbstractScrollArea {
    Q_OBJECT
public:
    ImageView(ImagingComponent& component, QWidget* parent = nullptr);
    ~ImageView() override;

    ImagingComponent& component() { return component_; }

    bool fitsToView() const { return fit_; }
    void setFitToView(bool fit);
    // Where the picture is drawn within the viewport; empty while nothing is shown.
    QRect pictureRect() const;
    // The picture's pixels to the view's, as the picture is drawn now.
    QTransform pictureToView() const;

    // The tool the mouse and keys go to (none: only the click of the picture is reported); not
    // owned, it must outlive the view or be taken away first.
    void setTool(ImageViewTool* tool);
    ImageViewTool* tool() const { return tool_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void pictureChanged();
    void updateScrollBars();
    QAction* addScaleAction(const QString& text, bool fit);

    ImagingComponent& component_;
    bool fit_ = true;
    QImage scaled_;  // the picture scaled to fit, kept while neither it nor the view's size change
    QAction* fitAction_ = nullptr;
    QAction* actualSizeAction_ = nullptr;
    ImageViewTool* tool_ = nullptr;
    bool toolDragging_ = false;
};

}  // namespace pictoreel
