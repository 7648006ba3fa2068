// "Global Properties" rows 6 to 8: how pictures fit their frames and the colour of the bars, the
// aspect lock of the size boxes and the GIF's quality, and the largest file a make should write.
#include "gui/main_window/property_panel.h"

#include "core/formats/picture_formats.h"
#include "core/production/quality_curve.h"
#include "core/project/frame_style.h"
#include "core/project/numbers.h"
#include "gui/app/dialogs.h"
#include "gui/main_window/property_panel_grid.h"

#include <QComboBox>
#include <QMenu>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace pictoreel {

using namespace panel_grid;

namespace {

constexpr int kSwatchWidth = 405;
// The size boxes' range: a side worked out from the other one stays inside it.
constexpr int kLeastSide = 8;
constexpr int kLargestSide = 1024;

// The width / height of the picture in `path`, read from its header; 0 when it cannot be read.
double pictureAspect(const QString& path)
{
    const auto own = peekPictureFileSize(path);
    return own && own->width > 0 && own->height > 0 ? double(own->width) / own->height : 0;
}

}  // namespace

void PropertyPanel::buildFitRows()
{
    QWidget* p = Picture2;
    cboFit = new QComboBox(p);
    cboFit->setObjectName(QStringLiteral("cboFit"));
    // Each entry shows its name in the window's language and holds the project's name as its data.
    const std::pair<FitMode, const char*> modes[] = {
        {FitMode::Stretch, QT_TR_NOOP("Stretch")}, {FitMode::Contain, QT_TR_NOOP("Fit Inside")}, {FitMode::Cover, QT_TR_NOOP("Fill")}};
    for (const auto& [mode, caption] : modes)
        cboFit->addItem(tr(caption), fitModeText(mode));
    place(cboFit, kBoxLeft, rowTop(6), 1215, kBoxHeight);
    nameLabel(p, "lblFit", tr("Fit:"), 6, cboFit);

    lFitColor = new QLabel(p);
    lFitColor->setObjectName(QStringLiteral("lFitColor"));
    lFitColor->setFrameStyle(QFrame::Box | QFrame::Plain);
    lFitColor->setAutoFillBackground(true);
    place(lFitColor, kBoxLeft + 1215 + kGap, rowTop(6), kSwatchWidth, kBoxHeight);
    cmdFitColor = button(p, "cmdFitColor", QStringLiteral("..."), kBoxLeft + 1215 + kGap + kSwatchWidth, 6,
                         kEllipsisWidth, tr("Choose the colour of the bars"));
    place(cmdFitColor, kBoxLeft + 1215 + kGap + kSwatchWidth, rowTop(6), kEllipsisWidth, kBoxHeight);
    auto* menu = new QMenu(cmdFitColor);
    QAction* colour = menu->addAction(tr("&Colour ..."));
    colour->setObjectName(QStringLiteral("mnuFitColor"));
    QAction* clear = menu->addAction(tr("&Transparent"));
    clear->setObjectName(QStringLiteral("mnuFitTransparent"));
    cmdFitColor->setMenu(menu);
    connect(colour, &QAction::triggered, this, [this] {
        if (const auto chosen = dialogs_ ? dialogs_->chooseColor(window()) : std::nullopt) {
            setFitColor(*chosen);
            Q_EMIT frameStyleEdited();
        }
    });
    connect(clear, &QAction::triggered, this, [this] {
        setFitColor(std::nullopt);
        Q_EMIT frameStyleEdited();
    });
    connect(cboFit, &QComboBox::activated, this, [this] { Q_EMIT frameStyleEdited(); });

    chkAspect = new QCheckBox(tr("Keep aspect ratio"), p);
    chkAspect->setObjectName(QStringLiteral("chkAspect"));
    chkAspect->setAccessibleName(chkAspect->text());
    place(chkAspect, kNameLeft, rowTop(7), kBoxLeft + 360 - kNameLeft, kBoxHeight);
    connect(chkAspect, &QCheckBox::toggled, this, [this](bool on) {
        const double w = txtWidth->text().toDouble(), h = txtHeight->text().toDouble();
        boxesAspect_ = on && w > 0 && h > 0 ? w / h : 0;
    });
    for (QLineEdit* box : {txtWidth, txtHeight})
        connect(box, &QLineEdit::textEdited, this, [this, box] { keepAspect(box); });

    // Beside the aspect lock: one number for the GIF's lossiness, colours and dithering.
    constexpr int kQualityLeft = kBoxLeft + 360 + kGap, kQualityLabel = 660;
    unitLabel(p, "lblQuality", tr("Quality:"), kQualityLeft, 7, kQualityLabel);
    spnQuality = new QSpinBox(p);
    spnQuality->setObjectName(QStringLiteral("spnQuality"));
    spnQuality->setRange(0, 100);
    spnQuality->setSpecialValueText(tr("default"));
    spnQuality->setAccessibleName(tr("Quality"));
    if (auto* edit = spnQuality->findChild<QLineEdit*>())  // the box inside, which readers land on
        edit->setAccessibleName(spnQuality->accessibleName());
    spnQuality->setToolTip(tr("1 to 100: lower makes a smaller GIF; default makes it as without a quality"));
    place(spnQuality, kQualityLeft + kQualityLabel, rowTop(7), kDesignContainerWidth - kRightMargin - kQualityLeft - kQualityLabel,
          kBoxHeight);
    connect(spnQuality, &QSpinBox::editingFinished, this, [this] { Q_EMIT projectPropertiesEdited(); });

    txtMaxSize = textBox(p, "txtMaxSize", QString(), 8, 1215);
    txtMaxSize->setPlaceholderText(tr("none"));
    nameLabel(p, "lblMaxSize", tr("Max size:"), 8, txtMaxSize);
    unitLabel(p, "lblMaxSizeUnit", tr("e.g. 2M"), kBoxLeft + 1215 + kGap, 8);
    setFitColor(std::nullopt);
}

void PropertyPanel::readFitRows(ProjectProperties& properties) const
{
    const FitMode mode = fitModeFromText(cboFit->currentData().toString());
    properties.fit = mode == FitMode::Stretch ? QString() : fitModeText(mode);
    properties.fitBackground = fitColor_ ? QString::number(*fitColor_) : QString();
    properties.maxSize = txtMaxSize->text().trimmed();
    properties.quality = spnQuality->value() > 0 ? QString::number(spnQuality->value()) : QString();
}

void PropertyPanel::showFitRows(const ProjectProperties& properties)
{
    cboFit->setCurrentIndex(cboFit->findData(fitModeText(fitModeFromText(properties.fit))));
    setFitColor(frameStyleFor(properties).fitBackground);
    txtMaxSize->setText(properties.maxSize);
    spnQuality->setValue(qualityFromText(properties.quality).value_or(0));
}

void PropertyPanel::setFitColor(std::optional<std::int32_t> colorRef)
{
    fitColor_ = colorRef ? std::optional(*colorRef & 0xFFFFFF) : std::nullopt;
    QPalette palette = lFitColor->palette();
    if (fitColor_) {
        const Rgb c = rgbFromColorRef(*fitColor_);
        palette.setBrush(QPalette::Window, QColor(c.r, c.g, c.b));
    } else {
        // Crossed out: no colour, the bars are transparent.
        palette.setBrush(QPalette::Window, QBrush(palette.color(QPalette::WindowText), Qt::DiagCrossPattern));
    }
    lFitColor->setPalette(palette);
    lFitColor->setAccessibleName(fitColor_ ? tr("Bar colour: ") +
                                                 palette.color(QPalette::Window).name(QColor::HexRgb).toUpper()
                                           : tr("Bar colour: transparent"));
}

void PropertyPanel::keepAspect(QLineEdit* typed)
{
    if (!chkAspect->isChecked())
        return;
    const double picture = aspectPicture_ ? pictureAspect(aspectPicture_()) : 0;
    const double aspect = picture > 0 ? picture : boxesAspect_;
    const auto value = parseNumber(typed->text());
    if (aspect <= 0 || !value || *value <= 0)
        return;
    const double other = typed == txtWidth ? *value / aspect : *value * aspect;
    const long side = std::clamp(std::lround(other), long{kLeastSide}, long{kLargestSide});
    (typed == txtWidth ? txtHeight : txtWidth)->setText(QString::number(side));
}

bool PropertyPanel::checkMaxSize()
{
    if (holdsValidValue(txtMaxSize))
        return true;
    checking_ = true;
    if (dialogs_)
        dialogs_->messageBox(window(),
                             tr("the max size value must be a size in bytes such as 500K or 2M, \nplease "
                                            "enter a valid value again"),
                             QString(), MessageIcon::Information, MessageButtons::Ok);
    setCurrentIndex(static_cast<int>(PanelTab::Global));
    txtMaxSize->setFocus(Qt::OtherFocusReason);
    checking_ = false;
    return false;
}

}  // namespace pictoreel
