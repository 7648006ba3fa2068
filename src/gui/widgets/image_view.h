// A viewer of an imaging component's picture: drawn at its own pixel size from the top left,
// on the window's background, redrawn whenever the component's picture changes.
#pragma once

#include <QWidget>

namespace pictoreel {

class ImagingComponent;

class ImageView final : public QWidget {
    Q_OBJECT
public:
    ImageView(ImagingComponent& component, QWidget* parent = nullptr);
    ~ImageView() override;

    ImagingComponent& component() { return component_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ImagingComponent& component_;
};

}  // namespace pictoreel
