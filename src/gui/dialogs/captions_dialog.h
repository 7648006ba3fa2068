// The dialog `frmCaptions` ("Captions") of Edit, "Captions ...": the project's text layers in a
// list (`lstCaptions`: add, remove, move up and down, later ones drawn over earlier ones) and the
// values of the selected one beside it: its text (several lines, any characters), font, size,
// bold and italic, colours, outline, box, place (one of nine with a margin, or a point) and the
// frames it shows on. Nothing changes in the project until OK; the window then takes layers().
#pragma once

#include "core/project/caption_layer.h"

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace pictoreel {

class Dialogs;

class CaptionsDialog final : public QDialog {
    Q_OBJECT
public:
    // `frameCount`: the project's rows, the highest frame a layer can be limited to.
    CaptionsDialog(Dialogs& dialogs, CaptionLayers layers, int frameCount, QWidget* parent = nullptr);

    const CaptionLayers& layers() const { return layers_; }

private:
    void buildList();
    void buildEditor();
    void addLayer();
    void removeLayer();
    void moveLayer(int step);
    // The list's texts from the layers, the given row selected.
    void showList(int selected);
    // The selected layer's values into the editor, and back.
    void showLayer();
    void readLayer();
    // The boxes that the layer's choices leave in use are enabled.
    void enableBoxes();
    void chooseColour(std::int32_t CaptionLayer::*colour, QPushButton* swatch);
    int current() const;

    QListWidget* layerList_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* upButton_ = nullptr;
    QPushButton* downButton_ = nullptr;
    QWidget* layerEditor_ = nullptr;  // the selected layer's values
    QPlainTextEdit* textBox_ = nullptr;
    QFontComboBox* fontBox_ = nullptr;
    QSpinBox* sizeBox_ = nullptr;
    QCheckBox* boldCheck_ = nullptr;
    QCheckBox* italicCheck_ = nullptr;
    QPushButton* colourButton_ = nullptr;
    QPushButton* outlineColourButton_ = nullptr;
    QSpinBox* outlineBox_ = nullptr;
    QCheckBox* backdropCheck_ = nullptr;
    QPushButton* backdropColourButton_ = nullptr;
    QComboBox* positionBox_ = nullptr;
    QSpinBox* marginBox_ = nullptr;
    QSpinBox* xBox_ = nullptr;
    QSpinBox* yBox_ = nullptr;
    QCheckBox* allFramesCheck_ = nullptr;
    QSpinBox* fromBox_ = nullptr;
    QSpinBox* toBox_ = nullptr;

    Dialogs& dialogs_;
    CaptionLayers layers_;
    int frameCount_;
    bool showing_ = false;  // the editor is being filled: its changes are not the user's
};

// A caption's first line, for lists: "(no text)" when it has none.
QString captionListText(const CaptionLayer& layer);

}  // namespace pictoreel
