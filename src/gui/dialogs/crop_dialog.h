// The bar `frmCrop` ("Crop") beside the frame view while a crop is drawn on it: the rectangle's
// X, Y, width and height in the picture's pixels (`txtCropX` ... , typed or following the
// mouse), the aspect presets (`cboCropAspect`: Free, 1:1, 4:3, 16:9, 9:16), "Reset" (the whole
// picture), and Apply and Cancel. It is not modal: the mouse goes on drawing on the frame view.
#pragma once

#include <QDialog>
#include <QRect>

class QComboBox;
class QSpinBox;

namespace pictoreel {

class CropDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CropDialog(QWidget* parent = nullptr);

    // The picture's size (the boxes' bounds) and the rectangle, shown without telling.
    void setPicture(QSize picture);
    void showRect(QRect rect);
    QRect rect() const;

Q_SIGNALS:
    void rectEdited(QRect rect);
    void aspectChosen(double aspect);  // 0: free
    void resetClicked();

private:
    QSpinBox* xBox_ = nullptr;
    QSpinBox* yBox_ = nullptr;
    QSpinBox* widthBox_ = nullptr;
    QSpinBox* heightBox_ = nullptr;
    QComboBox* aspectBox_ = nullptr;
    bool showing_ = false;
};

}  // namespace pictoreel
