#include "gui/main_window/property_panel.h"
#include "gui/widgets/text_box_keys.h"
#include "gui/app/frame_side_setting.h"

#include "gui/main_window/property_panel_grid.h"

#include "core/base/file_identity.h"
#include "core/base/image.h"
#include "core/project/numbers.h"
#include "gui/app/dialogs.h"
#include "gui/widgets/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTabBar>

#include <algorithm>
#include <cmath>

namespace pictoreel {

using namespace panel_grid;

namespace {

QLabel* valueLabel(QWidget* parent, const char* name, int row)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    place(label, kBoxLeft, rowTop(row), kDesignContainerWidth - kBoxLeft - kRightMargin, kBoxHeight);
    return label;
}

QWidget* container(QTabWidget* tabs, const char* name, const QString& caption)
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name) + QStringLiteral("Page"));
    auto* picture = new QWidget(page);
    picture->setObjectName(QLatin1String(name));
    picture->setGeometry(QRect(QPoint(twipsToPixels(45), twipsToPixels(45)),
                               QSize(twipsToPixels(kDesignContainerWidth), twipsToPixels(kContainerHeight))));
    tabs->addTab(page, caption);
    return picture;
}

}  // namespace

int CompactTabStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    // The caption's room in a tab: a few pixels each side, as the narrow left pane needs.
    if (metric == PM_TabBarTabHSpace)
        return 8;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

namespace {

bool isNumericBoxKeyAllowed(const QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return true;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty())
        return true;  // moving keys (arrows, Home, End) type nothing
    return text.size() == 1 && text.front() >= u'0' && text.front() <= u'9';
}

// What each numeric box holds: its range (both ends included), what its message calls the
// value and the tab it lives on.
struct RangeRule {
    const char* name;
    int low;
    int high;
    const char* what;
    PanelTab tab;
};

constexpr RangeRule kRangeRules[] = {
    {"txtInterval", 1, 1000, QT_TRANSLATE_NOOP("pictoreel::PropertyPanel", "frame interval"), PanelTab::Frame},
    {"txtWidth", kSmallestFrameSide, kDefaultLargestFrameSide, QT_TRANSLATE_NOOP("pictoreel::PropertyPanel", "width"), PanelTab::Global},
    {"txtHeight", kSmallestFrameSide, kDefaultLargestFrameSide, QT_TRANSLATE_NOOP("pictoreel::PropertyPanel", "height"), PanelTab::Global},
    {"txtLoop", 0, 65535, QT_TRANSLATE_NOOP("pictoreel::PropertyPanel", "loop"), PanelTab::Global},
};

const RangeRule* rangeRuleNamed(const QString& boxName)
{
    for (const RangeRule& rule : kRangeRules)
        if (boxName == QLatin1String(rule.name))
            return &rule;
    return nullptr;
}

// A box's range message: "the width value must be between 8 and 1024, ", the platform's line
// break and "please enter a valid value again".
QString rangeMessage(const RangeRule& rule, int high)
{
    return QCoreApplication::translate("pictoreel::PropertyPanel",
                                       "the %1 value must be between %2 and %3, \nplease enter a valid value again")
        .arg(QCoreApplication::translate("pictoreel::PropertyPanel", rule.what))
        .arg(rule.low)
        .arg(high);
}

// The width and height follow the largest frame side of the options; the other bounds are fixed.
int upperBound(const RangeRule& rule, int largestFrameSide)
{
    const bool frameSide = rule.tab == PanelTab::Global && rule.high == kDefaultLargestFrameSide;
    return frameSide ? largestFrameSide : rule.high;
}

// Leaving the window (another window or a message box activated) or opening a menu is not
// leaving the box: only a move to another control of the window starts a check.
bool focusLeavesForAnotherControl(Qt::FocusReason reason)
{
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason
           && reason != Qt::MenuBarFocusReason;
}

}  // namespace

PropertyPanel::PropertyPanel(QWidget* parent) : QTabWidget(parent)
{
    setObjectName(QStringLiteral("SSTab1"));
    setAccessibleName(tr("Properties"));
    // Three tabs sharing the width, as a tabbed dialog shows them; a caption too long for its
    // share is shortened rather than hidden behind scroll arrows.
    // Owned by the panel and deleted after the tab bar, which was made before it.
    auto* tabStyle = new CompactTabStyle;
    tabStyle->setParent(this);
    tabBar()->setStyle(tabStyle);
    tabBar()->setExpanding(true);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideRight);
    Picture2 = container(this, "Picture2", tr("Global Properties"));
    Picture1 = container(this, "Picture1", tr("Frame Properties"));
    Picture3 = container(this, "Picture3", tr("File Properties"));
    buildGlobalTab();
    buildFrameTab();
    buildFileTab();
    buildFitRows();

    for (QLineEdit* box : numericBoxes())
        box->installEventFilter(this);
    txtOutputFile->installEventFilter(this);
    txtMaxSize->installEventFilter(this);

    connect(cmdAutoW, &QPushButton::clicked, this, &PropertyPanel::autoWidthClicked);
    connect(cmdAutoH, &QPushButton::clicked, this, &PropertyPanel::autoHeightClicked);
    connect(cmdOutputFile, &QPushButton::clicked, this, &PropertyPanel::outputFileRequested);
    connect(cmdTransColor, &QPushButton::clicked, this, &PropertyPanel::transColorRequested);
    connect(cmdApply, &QPushButton::clicked, this, &PropertyPanel::applyClicked);
    connect(cmdApplyAll, &QPushButton::clicked, this, &PropertyPanel::applyAllClicked);
    for (QLineEdit* box : {txtWidth, txtHeight})
        connect(box, &QLineEdit::editingFinished, this, [this, box] {
            if (box->isModified()) {
                box->setModified(false);
                Q_EMIT frameSizeEdited();
            }
        });

    connect(chkLoop, &QCheckBox::clicked, this, [this] {
        // A greyed box (from a project file) becomes an ordinary one once the user clicks it.
        if (chkLoop->isTristate() && chkLoop->checkState() != Qt::PartiallyChecked)
            chkLoop->setTristate(false);
        applyLoopRule();
    });
    connect(chkLoop, &QCheckBox::stateChanged, this, [this] { applyLoopRule(); });

    setTabOrderByRows();
    // A value the range check refuses is no change of the project: Undo never brings it back.
    for (QLineEdit* box : findChildren<QLineEdit*>())
        connect(box, &QLineEdit::editingFinished, this, [this, box] {
            if (holdsValidValue(box))
                Q_EMIT projectPropertiesEdited();
        });
    for (QAbstractButton* b : findChildren<QAbstractButton*>())
        connect(b, &QAbstractButton::clicked, this, &PropertyPanel::projectPropertiesEdited);
    for (QComboBox* choice : findChildren<QComboBox*>())
        connect(choice, &QComboBox::activated, this, &PropertyPanel::projectPropertiesEdited);

    resetProjectProperties();
    // At design the frame values are "50", unticked and white; a new project ticks the box.
    setFrameValues(NewFrameValues{QStringLiteral("50"), false, kWhite});
}

void PropertyPanel::buildGlobalTab()
{
    QWidget* p = Picture2;
    txtWidth = textBox(p, "txtWidth", QStringLiteral("100"), 1, 735);
    nameLabel(p, "lblWidth", tr("Width"), 1, txtWidth);
    unitLabel(p, "lblWidthUnit", tr("Pixels"), kBoxLeft + 735 + kGap, 1, 555);
    cmdAutoW = button(p, "cmdAutoW", tr("Auto Size"), 2970, 1, 990, tr("Auto Size Width"));

    txtHeight = textBox(p, "txtHeight", QStringLiteral("75"), 2, 735);
    nameLabel(p, "lblHeight", tr("Height"), 2, txtHeight);
    unitLabel(p, "lblHeightUnit", tr("Pixels"), kBoxLeft + 735 + kGap, 2, 555);
    cmdAutoH = button(p, "cmdAutoH", tr("Auto Size"), 2970, 2, 990, tr("Auto Size Height"));

    txtLoop = textBox(p, "txtLoop", QStringLiteral("1"), 3, 1215);
    nameLabel(p, "lblLoopTimes", tr("Loop Times"), 3, txtLoop);
    unitLabel(p, "lblLoopUnit", tr("Times"), kBoxLeft + 1215 + kGap, 3);

    chkLoop = yesBox(p, "chkLoop", 4);
    nameLabel(p, "lblLoopInfinitely", tr("Loop Infinitely"), 4, chkLoop);

    txtOutputFile = textBox(p, "txtOutputFile", QString(), 5, 1935);
    txtOutputFile->setReadOnly(true);
    nameLabel(p, "lblOutputFile", tr("Output File Name"), 5, txtOutputFile);
    cmdOutputFile = button(p, "cmdOutputFile", QStringLiteral("..."), kBoxLeft + 1935, 5, kEllipsisWidth,
                           tr("Choose the output file"));
    // The button sits on the box's line exactly, touching it.
    place(cmdOutputFile, kBoxLeft + 1935, rowTop(5), kEllipsisWidth, kBoxHeight);
}

void PropertyPanel::buildFrameTab()
{
    QWidget* p = Picture1;
    txtInterval = textBox(p, "txtInterval", QStringLiteral("50"), 1, 1215);
    nameLabel(p, "lblInterval", tr("Frame Interval"), 1, txtInterval);
    unitLabel(p, "lblIntervalUnit", tr("1/100 S"), kBoxLeft + 1215 + kGap, 1);
    // 0 and 1 are taken as typed, but players show them as 10/100 s: the box's tooltip says so.
    connect(txtInterval, &QLineEdit::textChanged, this, [this](const QString& text) {
        const bool tooShort = !text.trimmed().isEmpty() && text.trimmed().toInt() < 2;
        txtInterval->setToolTip(tooShort ? tr("Players show a delay of 0 or 1 as 10/100 s; 2 is the shortest they "
                                                          "show as it is.")
                                         : QString());
    });

    chkTrans = yesBox(p, "chkTrans", 2);
    connect(chkTrans, &QAbstractButton::clicked, this, &PropertyPanel::transparentClicked);
    nameLabel(p, "lblTrans", tr("Transparent"), 2, chkTrans);

    lTransColor = new QLabel(p);
    lTransColor->setObjectName(QStringLiteral("lTransColor"));
    lTransColor->setFrameStyle(QFrame::Box | QFrame::Plain);
    lTransColor->setAutoFillBackground(true);
    place(lTransColor, kBoxLeft, rowTop(3), 1215, kBoxHeight);
    nameLabel(p, "lblTransColor", tr("Transparent Color"), 3, lTransColor);
    cmdTransColor = button(p, "cmdTransColor", QStringLiteral("..."), kBoxLeft + 1215 + kGap, 3, kEllipsisWidth,
                           tr("Choose the transparent colour"));
    place(cmdTransColor, kBoxLeft + 1215 + kGap, rowTop(3), kEllipsisWidth, kBoxHeight);

    constexpr int kApplyWidth = kDesignContainerWidth - 2 * kNameLeft;
    cmdApply = button(p, "cmdApply", tr("&Apply These Values to the Selected Frame"), kNameLeft, 4,
                      kApplyWidth);
    cmdApplyAll = button(p, "cmdApplyAll", tr("&Apply These Values to All the Frames"), kNameLeft, 5,
                         kApplyWidth);
}

void PropertyPanel::buildFileTab()
{
    QWidget* p = Picture3;
    lWidth = valueLabel(p, "lWidth", 1);
    nameLabel(p, "lblOriginalWidth", tr("Original Width"), 1, lWidth);
    lHeight = valueLabel(p, "lHeight", 2);
    nameLabel(p, "lblOriginalHeight", tr("Original Height"), 2, lHeight);
    lSize = valueLabel(p, "lSize", 3);
    nameLabel(p, "lblFileSize", tr("File Size"), 3, lSize);
    lName = valueLabel(p, "lName", 4);
    nameLabel(p, "lblFileName", tr("File Name"), 4, lName);
    lPath = valueLabel(p, "lPath", 5);
    nameLabel(p, "lblFullPath", tr("Full Path"), 5, lPath);
}

void PropertyPanel::setTabOrderByRows()
{
    // Row by row, left to right within a row; the tabs follow each other in their order.
    QWidget* const order[] = {txtWidth, cmdAutoW,      txtHeight, cmdAutoH, txtLoop,    chkLoop,    txtOutputFile,
                              cmdOutputFile, cboFit, cmdFitColor, chkAspect, spnQuality, txtMaxSize, txtInterval, chkTrans, cmdTransColor, cmdApply, cmdApplyAll};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

bool PropertyPanel::holdsValidValue(const QLineEdit* box) const
{
    if (box == txtMaxSize) {
        const QString text = txtMaxSize->text().trimmed();
        return text.isEmpty() || byteSizeFromText(text);
    }
    const RangeRule* rule = rangeRuleNamed(box->objectName());
    if (!rule)
        return true;
    // The value as written, before any rounding: "1000.4" lies outside 1 to 1000.
    const auto value = parseNumber(box->text());
    return value && *value >= rule->low && *value <= upperBound(*rule, largestFrameSide_);
}

bool PropertyPanel::checkRange(QLineEdit* box)
{
    if (holdsValidValue(box))
        return true;
    if (box == txtMaxSize)
        return checkMaxSize();
    const RangeRule* rule = rangeRuleNamed(box->objectName());
    checking_ = true;
    if (dialogs_)
        dialogs_->messageBox(window(), rangeMessage(*rule, upperBound(*rule, largestFrameSide_)), QString(), MessageIcon::Information,
                             MessageButtons::Ok);
    setCurrentIndex(static_cast<int>(rule->tab));
    box->setFocus(Qt::OtherFocusReason);
    checking_ = false;
    return false;
}

void PropertyPanel::boxLostFocus(QLineEdit* box)
{
    if (checking_)
        return;
    // The check runs once the focus has settled on its new control: a message box shown from
    // inside the focus change itself would fight it for the focus.
    pendingCheck_ = box;
    QMetaObject::invokeMethod(
        this,
        [this, box] {
            if (checking_ || pendingCheck_ != box)
                return;
            pendingCheck_ = nullptr;
            checkRange(box);
        },
        Qt::QueuedConnection);
}

bool PropertyPanel::settleRangeChecks()
{
    if (QLineEdit* left = std::exchange(pendingCheck_, nullptr); left && !checkRange(left))
        return false;
    QWidget* focused = QApplication::focusWidget();
    const auto boxes = numericBoxes();
    if (focused == txtMaxSize || std::find(boxes.begin(), boxes.end(), focused) != boxes.end())
        return checkRange(static_cast<QLineEdit*>(focused));
    return true;
}

ProjectProperties PropertyPanel::projectProperties() const
{
    ProjectProperties p;
    p.width = txtWidth->text();
    p.height = txtHeight->text();
    switch (chkLoop->checkState()) {
    case Qt::Unchecked: p.loopInfinitely = kLoopUnticked; break;
    case Qt::PartiallyChecked: p.loopInfinitely = kLoopGreyed; break;
    case Qt::Checked: p.loopInfinitely = kLoopTicked; break;
    }
    p.loopTimes = txtLoop->text();
    p.outputFile = txtOutputFile->text();
    readFitRows(p);
    p.captions = captions_;
    p.crop = crop_;
    p.rotate = rotate_;
    p.mirror = mirror_;
    return p;
}

void PropertyPanel::setProjectProperties(const ProjectProperties& properties)
{
    txtWidth->setText(properties.width);
    txtHeight->setText(properties.height);
    switch (properties.loopInfinitely) {
    case kLoopUnticked:
        chkLoop->setTristate(false);
        chkLoop->setCheckState(Qt::Unchecked);
        break;
    case kLoopTicked:
        chkLoop->setTristate(false);
        chkLoop->setCheckState(Qt::Checked);
        break;
    case kLoopGreyed:
        chkLoop->setTristate(true);
        chkLoop->setCheckState(Qt::PartiallyChecked);
        break;
    default:
        break;
    }
    txtLoop->setText(properties.loopTimes);
    txtOutputFile->setText(properties.outputFile);
    showFitRows(properties);
    captions_ = properties.captions;
    crop_ = properties.crop;
    rotate_ = properties.rotate;
    mirror_ = properties.mirror;
    applyLoopRule();
}

NewFrameValues PropertyPanel::frameValues() const
{
    return NewFrameValues{txtInterval->text(), chkTrans->isChecked(), transColor_};
}

void PropertyPanel::setFrameValues(const NewFrameValues& values)
{
    txtInterval->setText(values.intervalText);
    chkTrans->setChecked(values.transparent);
    setTransColor(values.transColor);
}

void PropertyPanel::setTransColor(std::int32_t colorRef)
{
    transColor_ = colorRef & 0xFFFFFF;
    const Rgb c = rgbFromColorRef(transColor_);
    QPalette palette = lTransColor->palette();
    palette.setColor(QPalette::Window, QColor(c.r, c.g, c.b));
    lTransColor->setPalette(palette);
    lTransColor->setAccessibleName(QColor(c.r, c.g, c.b).name(QColor::HexRgb).toUpper());
}

std::pair<QString, QString> PropertyPanel::frameSizeTexts() const { return {txtWidth->text(), txtHeight->text()}; }

void PropertyPanel::setFrameWidth(int width) { txtWidth->setText(QString::number(width)); }

void PropertyPanel::setFrameHeight(int height) { txtHeight->setText(QString::number(height)); }

QString PropertyPanel::outputFile() const { return txtOutputFile->text(); }

void PropertyPanel::setOutputFile(const QString& file) { txtOutputFile->setText(file); }

void PropertyPanel::showFrame(const ShownFrame& frame)
{
    chkTrans->setChecked(frame.transparent);
    if (frame.transColor)
        setTransColor(*frame.transColor);
    txtInterval->setText(QString::number(frame.interval));
    // A drawing beyond the limits is drawn smaller: its own size is told beside the one drawn.
    const auto own = [&](int side) { return frame.drawingOwnSize ? tr(" (drawn; its own %1)").arg(side) : QString(); };
    lWidth->setText(QString::number(frame.pictureWidth) + tr(" Pixels") + own(frame.drawingOwnSize ? frame.drawingOwnSize->width() : 0));
    lHeight->setText(QString::number(frame.pictureHeight) + tr(" Pixels") + own(frame.drawingOwnSize ? frame.drawingOwnSize->height() : 0));
    lName->setText(frame.fileName);
    lPath->setText(frame.folder);
    lSize->setText(FileSizeText(frame.picture));
}

void PropertyPanel::setAutoSizeEnabled(bool enabled)
{
    cmdAutoH->setEnabled(enabled);
    cmdAutoW->setEnabled(enabled);
}

void PropertyPanel::clearFileFacts()
{
    for (QLabel* label : {lName, lSize, lWidth, lHeight, lPath})
        label->clear();
}

void PropertyPanel::applyLoopRule() { txtLoop->setEnabled(chkLoop->checkState() == Qt::Unchecked); }

void PropertyPanel::setContainerWidthTwips(int width)
{
    for (QWidget* picture : {Picture1, Picture2, Picture3})
        picture->resize(twipsToPixels(width), picture->height());
    const int boxWidth = width - kBoxLeft - kEllipsisWidth - kRightMargin;
    if (boxWidth > 0) {
        place(txtOutputFile, kBoxLeft, rowTop(5), boxWidth, kBoxHeight);
        place(cmdOutputFile, kBoxLeft + boxWidth, rowTop(5), kEllipsisWidth, kBoxHeight);
    }
    for (QLabel* label : {lWidth, lHeight, lSize, lName, lPath})
        if (width - kBoxLeft - kRightMargin > 0)
            place(label, kBoxLeft, label->y() * kTwipsPerPixel, width - kBoxLeft - kRightMargin, kBoxHeight);
}

bool PropertyPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        for (QLineEdit* box : numericBoxes())
            if (watched == box && focusLeavesForAnotherControl(static_cast<QFocusEvent*>(event)->reason()))
                boxLostFocus(box);
        if (watched == txtMaxSize && focusLeavesForAnotherControl(static_cast<QFocusEvent*>(event)->reason()))
            boxLostFocus(txtMaxSize);
        return QTabWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // The window's accelerators come before a box's own keys (Ctrl+S saves, Ctrl+F5 makes),
        // except those that edit the box's text: Ctrl+A selects it, Ctrl+Z undoes typing.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (qobject_cast<QLineEdit*>(watched) && isTextEditingKey(key)) {
            event->accept();
            return true;
        }
        if (key->modifiers() & Qt::ControlModifier) {
            event->ignore();
            return true;
        }
        return QTabWidget::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress)
        return QTabWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == txtMaxSize || isTextEditingKey(key))
        return false;
    if (watched == txtOutputFile) {
        // A key typed into the box opens the file dialog; Tab moves on, Escape stays, and Ctrl+C
        // copies the name.
        const bool typed =
            !key->text().isEmpty() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (typed && key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab && key->key() != Qt::Key_Escape) {
            Q_EMIT outputFileRequested();
            return true;
        }
        return false;
    }
    // The numeric boxes take digits and Backspace; every other typed character is dropped.
    return !isNumericBoxKeyAllowed(key);
}

QString fileSizeTextFor(qint64 bytes, const QLocale& locale)
{
    // "###,###,###,###": grouped digits, no leading zero, so 0 prints as nothing.
    QLocale digits = locale;
    digits.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    const auto grouped = [&digits](qint64 n) { return n == 0 ? QString() : digits.toString(n); };
    // "###,###,###,###.##": the separator always, then up to two decimals without trailing zeros.
    const qint64 hundredths = static_cast<qint64>(std::floor(static_cast<double>(bytes) * 100.0 / 1024.0 + 0.5));
    QString decimals = QStringLiteral("%1").arg(hundredths % 100, 2, 10, QLatin1Char('0'));
    while (decimals.endsWith(u'0'))
        decimals.chop(1);
    return grouped(bytes) + QStringLiteral(" Bytes (") + grouped(hundredths / 100) + locale.decimalPoint() + decimals
           + QStringLiteral(" KB)");
}

QString FileSizeText(const QString& path)
{
    // A named pipe or a device among the pictures is no file to tell the size of; opening one
    // could wait for ever.
    QFile file;
    if (path.isEmpty() || !openRegularFile(file, path))
        return {};
    const qint64 size = file.size();
    file.close();
    return fileSizeTextFor(size, QLocale());
}

}  // namespace pictoreel
