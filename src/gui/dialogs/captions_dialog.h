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

    QListWidget* lstCaptions = nullptr;
    QPushButton* cmdAddCaption = nullptr;
    QPushButton* cmdRemoveCaption = nullptr;
    QPushButton* cmdCaptionUp = nullptr;
    QPushButton* cmdCaptionDown = nullptr;
    QWidget* fraCaption = nullptr;  // the selected layer's values
    QPlainTextEdit* txtCaptionText = nullptr;
    QFontComboBox* cboCaptionFont = nullptr;
    QSpinBox* txtCaptionSize = nullptr;
    QCheckBox* chkCaptionBold = nullptr;
    QCheckBox* chkCaptionItalic = nullptr;
    QPushButton* cmdCaptionColour = nullptr;
    QPushButton* cmdCaptionOutlineColour = nullptr;
    QSpinBox* txtCaptionOutline = nullptr;
    QCheckBox* chkCaptionBox = nullptr;
    QPushButton* cmdCaptionBoxColour = nullptr;
    QComboBox* cboCaptionPosition = nullptr;
    QSpinBox* txtCaptionMargin = nullptr;
    QSpinBox* txtCaptionX = nullptr;
    QSpinBox* txtCaptionY = nullptr;
    QCheckBox* chkCaptionAllFrames = nullptr;
    QSpinBox* txtCaptionFrom = nullptr;
    QSpinBox* txtCaptionTo = nullptr;

    Dialogs& dialogs_;
    CaptionLayers layers_;
    int frameCount_;
    bool showing_ = false;  // the editor is being filled: its changes are not the user's
};

// A caption's first line, for lists: "(no text)" when it has none.
QString captionListText(const CaptionLayer& layer);

}  // namespace pictoreel
