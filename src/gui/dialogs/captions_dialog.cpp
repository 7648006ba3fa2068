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
    listColumn->addWidget(layerList_);
    auto* listButtons = new QHBoxLayout;
    for (QPushButton* b : {addButton_, removeButton_, upButton_, downButton_})
        listButtons->addWidget(b);
    listColumn->addLayout(listButtons);
    columns->addLayout(listColumn);
    columns->addWidget(layerEditor_, 1);
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
    layerList_ = named(new QListWidget, "lstCaptions", tr("Captions"));
    layerList_->setMaximumWidth(180);
    addButton_ = button("cmdAddCaption", tr("&Add"));
    removeButton_ = button("cmdRemoveCaption", tr("&Remove"));
    upButton_ = button("cmdCaptionUp", tr("&Up"));
    downButton_ = button("cmdCaptionDown", tr("Do&wn"));
    connect(layerList_, &QListWidget::currentRowChanged, this, [this] { showLayer(); });
    connect(addButton_, &QPushButton::clicked, this, &CaptionsDialog::addLayer);
    connect(removeButton_, &QPushButton::clicked, this, &CaptionsDialog::removeLayer);
    connect(upButton_, &QPushButton::clicked, this, [this] { moveLayer(-1); });
    connect(downButton_, &QPushButton::clicked, this, [this] { moveLayer(+1); });
}

void CaptionsDialog::buildEditor()
{
    layerEditor_ = named(new QWidget, "fraCaption", tr("Caption"));
    auto* form = new QFormLayout(layerEditor_);
    textBox_ = named(new QPlainTextEdit, "txtCaptionText", tr("Text"));
    textBox_->setFixedHeight(60);
    form->addRow(tr("&Text:"), textBox_);
    fontBox_ = named(new QFontComboBox, "cboCaptionFont", tr("Font"));
    form->addRow(tr("&Font:"), fontBox_);
    sizeBox_ = spinBox("txtCaptionSize", tr("Size"), 1, kCaptionMaxSize);
    boldCheck_ = named(new QCheckBox(tr("&Bold")), "chkCaptionBold", tr("Bold"));
    italicCheck_ = named(new QCheckBox(tr("&Italic")), "chkCaptionItalic", tr("Italic"));
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(sizeBox_);
    sizeRow->addWidget(boldCheck_);
    sizeRow->addWidget(italicCheck_);
    form->addRow(tr("Size:"), sizeRow);
    colourButton_ = button("cmdCaptionColour", tr("Colour"));
    form->addRow(tr("Colour:"), colourButton_);
    outlineColourButton_ = button("cmdCaptionOutlineColour", tr("Outline colour"));
    outlineBox_ = spinBox("txtCaptionOutline", tr("Outline width"), 0, kCaptionMaxOutlineWidth);
    auto* outlineRow = new QHBoxLayout;
    outlineRow->addWidget(outlineColourButton_);
    outlineRow->addWidget(outlineBox_);
    form->addRow(tr("Outline:"), outlineRow);
    backdropCheck_ = named(new QCheckBox(tr("Bo&x behind the text")), "chkCaptionBox", tr("Box behind the text"));
    backdropColourButton_ = button("cmdCaptionBoxColour", tr("Box colour"));
    auto* boxRow = new QHBoxLayout;
    boxRow->addWidget(backdropCheck_);
    boxRow->addWidget(backdropColourButton_);
    form->addRow(boxRow);
    positionBox_ = named(new QComboBox, "cboCaptionPosition", tr("Position"));
    for (const char* place : kPlaces)
        positionBox_->addItem(tr(place));
    form->addRow(tr("&Position:"), positionBox_);
    marginBox_ = spinBox("txtCaptionMargin", tr("Margin"), 0, kCaptionMaxMargin);
    form->addRow(tr("&Margin:"), marginBox_);
    xBox_ = spinBox("txtCaptionX", tr("X"), -kCaptionMaxMargin, kCaptionMaxMargin);
    yBox_ = spinBox("txtCaptionY", tr("Y"), -kCaptionMaxMargin, kCaptionMaxMargin);
    auto* pointRow = new QHBoxLayout;
    pointRow->addWidget(xBox_);
    pointRow->addWidget(yBox_);
    form->addRow(tr("X, Y:"), pointRow);
    allFramesCheck_ = named(new QCheckBox(tr("A&ll frames")), "chkCaptionAllFrames", tr("All frames"));
    fromBox_ = spinBox("txtCaptionFrom", tr("From frame"), 1, kMaxProjectFrames);
    toBox_ = spinBox("txtCaptionTo", tr("To frame"), 1, kMaxProjectFrames);
    auto* framesRow = new QHBoxLayout;
    framesRow->addWidget(allFramesCheck_);
    framesRow->addWidget(fromBox_);
    framesRow->addWidget(toBox_);
    form->addRow(tr("Frames:"), framesRow);

    const auto changed = [this] { readLayer(); };
    connect(textBox_, &QPlainTextEdit::textChanged, this, changed);
    // The font as the user picks it: a family this system lacks stays as the layer has it.
    connect(fontBox_, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
        if (const int row = current(); row >= 0 && !showing_)
            layers_[row].fontFamily = font.family();
    });
    connect(positionBox_, &QComboBox::currentIndexChanged, this, changed);
    for (QSpinBox* box : {sizeBox_, outlineBox_, marginBox_, xBox_, yBox_, fromBox_, toBox_})
        connect(box, &QSpinBox::valueChanged, this, changed);
    for (QCheckBox* box : {boldCheck_, italicCheck_, backdropCheck_, allFramesCheck_})
        connect(box, &QCheckBox::toggled, this, changed);
    connect(colourButton_, &QPushButton::clicked, this, [this] { chooseColour(&CaptionLayer::colour, colourButton_); });
    connect(outlineColourButton_, &QPushButton::clicked, this,
            [this] { chooseColour(&CaptionLayer::outlineColour, outlineColourButton_); });
    connect(backdropColourButton_, &QPushButton::clicked, this, [this] { chooseColour(&CaptionLayer::boxColour, backdropColourButton_); });
}

int CaptionsDialog::current() const
{
    const int row = layerList_->currentRow();
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
    textBox_->setFocus();
    textBox_->selectAll();
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
        const QSignalBlocker quiet(layerList_);
        layerList_->clear();
        for (const CaptionLayer& layer : layers_)
            layerList_->addItem(captionListText(layer));
        layerList_->setCurrentRow(selected);
    }
    addButton_->setEnabled(static_cast<int>(layers_.size()) < kMaxCaptions);
    showLayer();
}

void CaptionsDialog::showLayer()
{
    const int row = current();
    layerEditor_->setEnabled(row >= 0);
    for (QPushButton* b : {removeButton_, upButton_, downButton_})
        b->setEnabled(row >= 0);
    const CaptionLayer layer = row >= 0 ? layers_[row] : CaptionLayer{};
    showing_ = true;
    if (textBox_->toPlainText() != layer.text)
        textBox_->setPlainText(layer.text);
    fontBox_->setCurrentFont(QFont(layer.fontFamily));
    sizeBox_->setValue(layer.size);
    boldCheck_->setChecked(layer.bold);
    italicCheck_->setChecked(layer.italic);
    outlineBox_->setValue(layer.outlineWidth);
    backdropCheck_->setChecked(layer.box);
    positionBox_->setCurrentIndex(static_cast<int>(layer.anchor));
    marginBox_->setValue(layer.margin);
    xBox_->setValue(layer.x);
    yBox_->setValue(layer.y);
    allFramesCheck_->setChecked(layer.firstFrame <= 1 && layer.lastFrame == 0);
    fromBox_->setValue(layer.firstFrame);
    toBox_->setValue(layer.lastFrame == 0 ? std::max(frameCount_, layer.firstFrame) : layer.lastFrame);
    showSwatch(colourButton_, layer.colour);
    showSwatch(outlineColourButton_, layer.outlineColour);
    showSwatch(backdropColourButton_, layer.boxColour);
    showing_ = false;
    enableBoxes();
}

void CaptionsDialog::enableBoxes()
{
    const bool point = positionBox_->currentIndex() == static_cast<int>(CaptionAnchor::Point);
    marginBox_->setEnabled(!point);
    xBox_->setEnabled(point);
    yBox_->setEnabled(point);
    backdropColourButton_->setEnabled(backdropCheck_->isChecked());
    fromBox_->setEnabled(!allFramesCheck_->isChecked());
    toBox_->setEnabled(!allFramesCheck_->isChecked());
}

void CaptionsDialog::readLayer()
{
    enableBoxes();
    const int row = current();
    if (showing_ || row < 0)
        return;
    CaptionLayer& layer = layers_[row];
    layer.text = textBox_->toPlainText().left(kCaptionTextMaxLength);
    layer.size = sizeBox_->value();
    layer.bold = boldCheck_->isChecked();
    layer.italic = italicCheck_->isChecked();
    layer.outlineWidth = outlineBox_->value();
    layer.box = backdropCheck_->isChecked();
    layer.anchor = static_cast<CaptionAnchor>(positionBox_->currentIndex());
    layer.margin = marginBox_->value();
    layer.x = xBox_->value();
    layer.y = yBox_->value();
    const bool all = allFramesCheck_->isChecked();
    layer.firstFrame = all ? 1 : fromBox_->value();
    layer.lastFrame = all ? 0 : std::max(fromBox_->value(), toBox_->value());
    layerList_->item(row)->setText(captionListText(layer));
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
