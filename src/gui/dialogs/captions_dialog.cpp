#include "gui/dialogs/captions_dialog.h"

#include "core/project/project_file.h"
#include "gui/app/dialogs.h"
#include "gui/widgets/compact_font.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace pictoreel {

namespace {

template <typename W>
W* named(W* widget, const char* name, const QString& accessible)
{
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(accessible);
    return widget;
}

QSpinBox* spinBox(const char* name, const QString& accessible, int low, int high)
{
    auto* box = named(new QSpinBox, name, accessible);
    box->setRange(low, high);
    return box;
}

QPushButton* button(const char* name, const QString& caption)
{
    auto* b = named(new QPushButton(caption), name, QString(caption).remove(u'&'));
    b->setAutoDefault(false);
    return b;
}

void showSwatch(QPushButton* swatch, std::int32_t colourRef)
{
    const QColor colour(colourRef & 0xFF, (colourRef >> 8) & 0xFF, (colourRef >> 16) & 0xFF);
    swatch->setStyleSheet(QStringLiteral("background-color: %1; min-width: 3em;").arg(colour.name()));
}

// The places of the position box, in the order of CaptionAnchor.
const char* const kPlaces[] = {
    QT_TRANSLATE_NOOP("pictoreel::CaptionsDialog", "Top left"),
    QT_TRANSLATE_NOOP("pictoreel::CaptionsDialog", "Top"),
    QT_TRANSLATE_NOOP("pictoreel::CaptionsDialog", "Top right"),
    QT_TRANSLATE_NOOP("pictoreel::CaptionsDialog", "Left"),
    QT_TRANSLATE_NOOP("pictoreel::CaptionsDialog", "Centre"),
    QT_TRANSLATE_NOOP("pictoreel::CaptionsDialog", "Right"),
    QT_TRANSLATE_NOOP("pictoreel::CaptionsDialog", "Bottom left"),
    QT_TRANSLATE_NOOP("pictoreel::CaptionsDialog", "Bottom"),
    QT_TRANSLATE_NOOP("pictoreel::CaptionsDialog", "Bottom right"),
    QT_TRANSLATE_NOOP("pictoreel::CaptionsDialog", "At a point (x, y)"),
};

}  // namespace

QString captionListText(const CaptionLayer& layer)
{
    const QString line = layer.text.section(u'\n', 0, 0).trimmed();
    return line.isEmpty() ? QCoreApplication::translate("pictoreel::CaptionsDialog", "(no text)") : line;
}

CaptionsDialog::CaptionsDialog(Dialogs& dialogs, CaptionLayers layers, int frameCount, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), layers_(std::move(layers)), frameCount_(std::max(1, frameCount))
{
    setObjectName(QStringLiteral("frmCaptions"));
    setWindowTitle(tr("Captions"));
    setAccessibleName(windowTitle());
    applyCompactFont(this);
    auto* page = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    page->addLayout(columns);
    buildList();
    buildEditor();
    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(lstCaptions);
    auto* listButtons = new QHBoxLayout;
    for (QPushButton* b : {cmdAddCaption, cmdRemoveCaption, cmdCaptionUp, cmdCaptionDown})
        listButtons->addWidget(b);
    listColumn->addLayout(listButtons);
    columns->addLayout(listColumn);
    columns->addWidget(fraCaption, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    named(buttons->button(QDialogButtonBox::Ok), "OKButton", tr("OK"));
    named(buttons->button(QDialogButtonBox::Cancel), "CancelButton", tr("Cancel"));
    page->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showList(layers_.empty() ? -1 : 0);
}

void CaptionsDialog::buildList()
{
    lstCaptions = named(new QListWidget, "lstCaptions", tr("Captions"));
    lstCaptions->setMaximumWidth(180);
    cmdAddCaption = button("cmdAddCaption", tr("&Add"));
    cmdRemoveCaption = button("cmdRemoveCaption", tr("&Remove"));
    cmdCaptionUp = button("cmdCaptionUp", tr("&Up"));
    cmdCaptionDown = button("cmdCaptionDown", tr("Do&wn"));
    connect(lstCaptions, &QListWidget::currentRowChanged, this, [this] { showLayer(); });
    connect(cmdAddCaption, &QPushButton::clicked, this, &CaptionsDialog::addLayer);
    connect(cmdRemoveCaption, &QPushButton::clicked, this, &CaptionsDialog::removeLayer);
    connect(cmdCaptionUp, &QPushButton::clicked, this, [this] { moveLayer(-1); });
    connect(cmdCaptionDown, &QPushButton::clicked, this, [this] { moveLayer(+1); });
}

void CaptionsDialog::buildEditor()
{
    fraCaption = named(new QWidget, "fraCaption", tr("Caption"));
    auto* form = new QFormLayout(fraCaption);
    txtCaptionText = named(new QPlainTextEdit, "txtCaptionText", tr("Text"));
    txtCaptionText->setFixedHeight(60);
    form->addRow(tr("&Text:"), txtCaptionText);
    cboCaptionFont = named(new QFontComboBox, "cboCaptionFont", tr("Font"));
    form->addRow(tr("&Font:"), cboCaptionFont);
    txtCaptionSize = spinBox("txtCaptionSize", tr("Size"), 1, kCaptionMaxSize);
    chkCaptionBold = named(new QCheckBox(tr("&Bold")), "chkCaptionBold", tr("Bold"));
    chkCaptionItalic = named(new QCheckBox(tr("&Italic")), "chkCaptionItalic", tr("Italic"));
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(txtCaptionSize);
    sizeRow->addWidget(chkCaptionBold);
    sizeRow->addWidget(chkCaptionItalic);
    form->addRow(tr("Size:"), sizeRow);
    cmdCaptionColour = button("cmdCaptionColour", tr("Colour"));
    form->addRow(tr("Colour:"), cmdCaptionColour);
    cmdCaptionOutlineColour = button("cmdCaptionOutlineColour", tr("Outline colour"));
    txtCaptionOutline = spinBox("txtCaptionOutline", tr("Outline width"), 0, kCaptionMaxOutlineWidth);
    auto* outlineRow = new QHBoxLayout;
    outlineRow->addWidget(cmdCaptionOutlineColour);
    outlineRow->addWidget(txtCaptionOutline);
    form->addRow(tr("Outline:"), outlineRow);
    chkCaptionBox = named(new QCheckBox(tr("Bo&x behind the text")), "chkCaptionBox", tr("Box behind the text"));
    cmdCaptionBoxColour = button("cmdCaptionBoxColour", tr("Box colour"));
    auto* boxRow = new QHBoxLayout;
    boxRow->addWidget(chkCaptionBox);
    boxRow->addWidget(cmdCaptionBoxColour);
    form->addRow(boxRow);
    cboCaptionPosition = named(new QComboBox, "cboCaptionPosition", tr("Position"));
    for (const char* place : kPlaces)
        cboCaptionPosition->addItem(tr(place));
    form->addRow(tr("&Position:"), cboCaptionPosition);
    txtCaptionMargin = spinBox("txtCaptionMargin", tr("Margin"), 0, kCaptionMaxMargin);
    form->addRow(tr("&Margin:"), txtCaptionMargin);
    txtCaptionX = spinBox("txtCaptionX", tr("X"), -kCaptionMaxMargin, kCaptionMaxMargin);
    txtCaptionY = spinBox("txtCaptionY", tr("Y"), -kCaptionMaxMargin, kCaptionMaxMargin);
    auto* pointRow = new QHBoxLayout;
    pointRow->addWidget(txtCaptionX);
    pointRow->addWidget(txtCaptionY);
    form->addRow(tr("X, Y:"), pointRow);
    chkCaptionAllFrames = named(new QCheckBox(tr("A&ll frames")), "chkCaptionAllFrames", tr("All frames"));
    txtCaptionFrom = spinBox("txtCaptionFrom", tr("From frame"), 1, kMaxProjectFrames);
    txtCaptionTo = spinBox("txtCaptionTo", tr("To frame"), 1, kMaxProjectFrames);
    auto* framesRow = new QHBoxLayout;
    framesRow->addWidget(chkCaptionAllFrames);
    framesRow->addWidget(txtCaptionFrom);
    framesRow->addWidget(txtCaptionTo);
    form->addRow(tr("Frames:"), framesRow);

    const auto changed = [this] { readLayer(); };
    connect(txtCaptionText, &QPlainTextEdit::textChanged, this, changed);
    // The font as the user picks it: a family this system lacks stays as the layer has it.
    connect(cboCaptionFont, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
        if (const int row = current(); row >= 0 && !showing_)
            layers_[row].fontFamily = font.family();
    });
    connect(cboCaptionPosition, &QComboBox::currentIndexChanged, this, changed);
    for (QSpinBox* box : {txtCaptionSize, txtCaptionOutline, txtCaptionMargin, txtCaptionX, txtCaptionY, txtCaptionFrom, txtCaptionTo})
        connect(box, &QSpinBox::valueChanged, this, changed);
    for (QCheckBox* box : {chkCaptionBold, chkCaptionItalic, chkCaptionBox, chkCaptionAllFrames})
        connect(box, &QCheckBox::toggled, this, changed);
    connect(cmdCaptionColour, &QPushButton::clicked, this, [this] { chooseColour(&CaptionLayer::colour, cmdCaptionColour); });
    connect(cmdCaptionOutlineColour, &QPushButton::clicked, this,
            [this] { chooseColour(&CaptionLayer::outlineColour, cmdCaptionOutlineColour); });
    connect(cmdCaptionBoxColour, &QPushButton::clicked, this, [this] { chooseColour(&CaptionLayer::boxColour, cmdCaptionBoxColour); });
}

int CaptionsDialog::current() const
{
    const int row = lstCaptions->currentRow();
    return row >= 0 && row < static_cast<int>(layers_.size()) ? row : -1;
}

void CaptionsDialog::addLayer()
{
    if (static_cast<int>(layers_.size()) >= kMaxCaptions)
        return;
    CaptionLayer layer;
    layer.text = tr("Caption");
    layers_.push_back(layer);
    showList(static_cast<int>(layers_.size()) - 1);
    txtCaptionText->setFocus();
    txtCaptionText->selectAll();
}

void CaptionsDialog::removeLayer()
{
    const int row = current();
    if (row < 0)
        return;
    layers_.erase(layers_.begin() + row);
    showList(std::min(row, static_cast<int>(layers_.size()) - 1));
}

void CaptionsDialog::moveLayer(int step)
{
    const int row = current(), to = row + step;
    if (row < 0 || to < 0 || to >= static_cast<int>(layers_.size()))
        return;
    std::swap(layers_[row], layers_[to]);
    showList(to);
}

void CaptionsDialog::showList(int selected)
{
    {
        const QSignalBlocker quiet(lstCaptions);
        lstCaptions->clear();
        for (const CaptionLayer& layer : layers_)
            lstCaptions->addItem(captionListText(layer));
        lstCaptions->setCurrentRow(selected);
    }
    cmdAddCaption->setEnabled(static_cast<int>(layers_.size()) < kMaxCaptions);
    showLayer();
}

void CaptionsDialog::showLayer()
{
    const int row = current();
    fraCaption->setEnabled(row >= 0);
    for (QPushButton* b : {cmdRemoveCaption, cmdCaptionUp, cmdCaptionDown})
        b->setEnabled(row >= 0);
    const CaptionLayer layer = row >= 0 ? layers_[row] : CaptionLayer{};
    showing_ = true;
    if (txtCaptionText->toPlainText() != layer.text)
        txtCaptionText->setPlainText(layer.text);
    cboCaptionFont->setCurrentFont(QFont(layer.fontFamily));
    txtCaptionSize->setValue(layer.size);
    chkCaptionBold->setChecked(layer.bold);
    chkCaptionItalic->setChecked(layer.italic);
    txtCaptionOutline->setValue(layer.outlineWidth);
    chkCaptionBox->setChecked(layer.box);
    cboCaptionPosition->setCurrentIndex(static_cast<int>(layer.anchor));
    txtCaptionMargin->setValue(layer.margin);
    txtCaptionX->setValue(layer.x);
    txtCaptionY->setValue(layer.y);
    chkCaptionAllFrames->setChecked(layer.firstFrame <= 1 && layer.lastFrame == 0);
    txtCaptionFrom->setValue(layer.firstFrame);
    txtCaptionTo->setValue(layer.lastFrame == 0 ? std::max(frameCount_, layer.firstFrame) : layer.lastFrame);
    showSwatch(cmdCaptionColour, layer.colour);
    showSwatch(cmdCaptionOutlineColour, layer.outlineColour);
    showSwatch(cmdCaptionBoxColour, layer.boxColour);
    showing_ = false;
    enableBoxes();
}

void CaptionsDialog::enableBoxes()
{
    const bool point = cboCaptionPosition->currentIndex() == static_cast<int>(CaptionAnchor::Point);
    txtCaptionMargin->setEnabled(!point);
    txtCaptionX->setEnabled(point);
    txtCaptionY->setEnabled(point);
    cmdCaptionBoxColour->setEnabled(chkCaptionBox->isChecked());
    txtCaptionFrom->setEnabled(!chkCaptionAllFrames->isChecked());
    txtCaptionTo->setEnabled(!chkCaptionAllFrames->isChecked());
}

void CaptionsDialog::readLayer()
{
    enableBoxes();
    const int row = current();
    if (showing_ || row < 0)
        return;
    CaptionLayer& layer = layers_[row];
    layer.text = txtCaptionText->toPlainText().left(kCaptionTextMaxLength);
    layer.size = txtCaptionSize->value();
    layer.bold = chkCaptionBold->isChecked();
    layer.italic = chkCaptionItalic->isChecked();
    layer.outlineWidth = txtCaptionOutline->value();
    layer.box = chkCaptionBox->isChecked();
    layer.anchor = static_cast<CaptionAnchor>(cboCaptionPosition->currentIndex());
    layer.margin = txtCaptionMargin->value();
    layer.x = txtCaptionX->value();
    layer.y = txtCaptionY->value();
    const bool all = chkCaptionAllFrames->isChecked();
    layer.firstFrame = all ? 1 : txtCaptionFrom->value();
    layer.lastFrame = all ? 0 : std::max(txtCaptionFrom->value(), txtCaptionTo->value());
    lstCaptions->item(row)->setText(captionListText(layer));
}

void CaptionsDialog::chooseColour(std::int32_t CaptionLayer::*colour, QPushButton* swatch)
{
    const int row = current();
    if (row < 0)
        return;
    if (const auto chosen = dialogs_.chooseColor(this)) {
        layers_[row].*colour = *chosen;
        showSwatch(swatch, *chosen);
    }
}

}  // namespace pictoreel
