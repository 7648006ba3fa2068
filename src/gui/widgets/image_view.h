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

class QAction;

namespace pictoreel {

class ImagingComponent;

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
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
};

}  // namespace pictoreel
