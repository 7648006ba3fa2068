#include "gui/dialogs/options_dialog.h"

#include "core/production/frame_cache_names.h"
#include "core/project/paths.h"
#include "core/project/settings_store.h"
#include "gui/widgets/compact_font.h"
#include "gui/app/dialogs.h"
#include "gui/dialogs/history_dialog.h"
#include "gui/app/app_context.h"
#include "gui/app/busy_pointer.h"
#include "gui/app/frame_side_setting.h"
#include "gui/widgets/twips.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSpinBox>
#include <QScreen>
#include <QShortcut>
#include <QTabWidget>

namespace pictoreel {

namespace {

// The window's places, in twips.
constexpr int kClientWidth = 7575;
constexpr int kClientHeight = 5670;
constexpr int kGroupLeft = 180;
constexpr int kGroupWidth = 6855;
constexpr int kGroupHeight = 1305;
constexpr int kIconLeft = 240;
constexpr int kIconTop = 360;
constexpr int kTextLeft = 900;
constexpr int kButtonLeft = 5415;
constexpr int kButtonWidth = 1320;
constexpr int kButtonHeight = 375;

// The group icons are drawn here, in the colours of the program's toolbar pictures.
enum class GroupIcon { Folder, Delete, History };

QPixmap groupIcon(GroupIcon kind)
{
    constexpr int kSide = 32;
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    switch (kind) {
    case GroupIcon::Folder: {
        QPainterPath tab;
        tab.moveTo(3, 9);
        tab.lineTo(3, 6);
        tab.lineTo(12, 6);
        tab.lineTo(15, 9);
        p.setBrush(QColor(230, 180, 60));
        p.drawPath(tab);
        p.drawRoundedRect(QRectF(3, 9, 26, 18), 1.5, 1.5);
        p.setBrush(QColor(250, 215, 100));
        QPolygonF front{{6, 13}, {30, 13}, {27, 27}, {3, 27}};
        p.drawPolygon(front);
        break;
    }
    case GroupIcon::Delete: {
        p.setBrush(QColor(170, 180, 195));
        p.drawRect(QRectF(6, 7, 20, 3));
        p.drawRect(QRectF(12, 4, 8, 3));
        p.setBrush(QColor(205, 212, 222));
        QPolygonF can{{8, 11}, {24, 11}, {22.5, 29}, {9.5, 29}};
        p.drawPolygon(can);
        for (double x : {12.5, 16.0, 19.5})
            p.drawLine(QPointF(x, 14), QPointF(x, 26));
        break;
    }
    case GroupIcon::History: {
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 3, 18, 24));
        p.setPen(QPen(QColor(90, 110, 160), 1.5));
        for (double y : {8.0, 12.0, 16.0, 20.0})
            p.drawLine(QPointF(7, y), QPointF(18, y));
        p.setPen(QPen(QColor(60, 60, 60), 1.2));
        p.setBrush(QColor(120, 190, 240));
        p.drawEllipse(QPointF(22, 22), 8, 8);
        p.setPen(QPen(QColor(20, 40, 90), 1.6));
        p.drawLine(QPointF(22, 22), QPointF(22, 17));
        p.drawLine(QPointF(22, 22), QPointF(26, 22));
        break;
    }
    }
    return pixmap;
}

QGroupBox* makeGroup(QWidget* page, const char* name, const QString& caption, int top)
{
    auto* group = new QGroupBox(caption, page);
    group->setObjectName(QLatin1String(name));
    group->setGeometry(twipsRect(kGroupLeft, top, kGroupWidth, kGroupHeight));
    return group;
}

QLabel* makeIcon(QGroupBox* group, const char* name, GroupIcon kind)
{
    auto* icon = new QLabel(group);
    icon->setObjectName(QLatin1String(name));
    icon->setPixmap(groupIcon(kind));
    icon->setGeometry(twipsRect(kIconLeft, kIconTop, 480, 480));
    return icon;
}

QLabel* makeText(QGroupBox* group, const char* name, const QString& text, int width, int height)
{
    auto* label = new QLabel(text, group);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(twipsRect(kTextLeft, 300, width, height));
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect place)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(QString(caption).remove(u'&').remove(QStringLiteral(" ...")));
    button->setGeometry(place);
    return button;
}

}  // namespace

QString optionsFolderText(const QString& chosen)
{
    QString folder = chosen.trimmed();
    if (folder.isEmpty())
        return {};
    if (!endsWithSeparator(folder))
        folder += kPathSeparator;
    const QString lower = folder.toLower();
    if (lower == folder || !QFileInfo(folder).isDir())
        return lower;
    return QFileInfo(lower).canonicalFilePath() == QFileInfo(folder).canonicalFilePath() ? lower : folder;
}

OptionsDialog::OptionsDialog(AppContext& context, WindowRunner runHistoryList, QWidget* parent)
    : QDialog(parent), context_(context), dialogs_(context.dialogs()), runHistoryList_(std::move(runHistoryList))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(tr("Options"));
    setAccessibleName(tr("Options"));
    applyCompactFont(this);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tbsOptions"));
    tabs_->setGeometry(twipsRect(120, 120, 7335, 4965));
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("General"));
    tabs_->addTab(page, tr("General"));

    auto* folderGroup = makeGroup(page, "fraSample1", tr("Temporary File Folder"), 0);
    makeIcon(folderGroup, "imgFolder", GroupIcon::Folder);
    makeText(folderGroup, "lblFolder",
             tr("Click the button to set a folder for saving temporary files. It must be that "
                "owns enough free disk space for using."),
             kGroupWidth - kTextLeft - 180, 435);
    folderBox_ = new QLineEdit(folderGroup);
    folderBox_->setObjectName(QStringLiteral("txtFolder"));
    folderBox_->setAccessibleName(tr("Temporary file folder"));
    folderBox_->setReadOnly(true);
    folderBox_->setGeometry(twipsRect(kTextLeft, 795, kButtonLeft - kTextLeft - 120, 330));
    auto* folderButton = makeButton(folderGroup, "cmdFolder", tr("Set &Folder ..."),
                                    twipsRect(kButtonLeft, 773, kButtonWidth, kButtonHeight));

    const int textWidth = kButtonLeft - kTextLeft - 180;
    auto* deleteGroup = makeGroup(page, "Frame1", tr("Temporary Files"), 1440);
    makeIcon(deleteGroup, "imgDelete", GroupIcon::Delete);
    makeText(deleteGroup, "lblDelete",
             tr("This software often generate temporary files for boosting the speed. You may "
                "click the button to delete all the temporary files to release the used "
                "space."),
             textWidth, 900);
    auto* deleteButton = makeButton(deleteGroup, "cmdDelete", tr("&Delete"),
                                    twipsRect(kButtonLeft, 480, kButtonWidth, kButtonHeight));

    auto* historyGroup = makeGroup(page, "Frame2", tr("Project Files History"), 2880);
    makeIcon(historyGroup, "imgHistory", GroupIcon::History);
    makeText(historyGroup, "lblHistory",
             tr("You can edit the records of all opened project files. Clear all the project "
                "files history or remove some of the history records."),
             textWidth, 900);
    auto* editButton = makeButton(historyGroup, "cmdEdit", tr("&Edit ..."),
                                  twipsRect(kButtonLeft, 480, kButtonWidth, kButtonHeight));

    // Below the groups: the largest width and height the main window's size boxes take.
    auto* largestSideLabel = new QLabel(tr("Largest frame side"), page);
    largestSideLabel->setObjectName(QStringLiteral("lblLargestSide"));
    largestSideLabel->setGeometry(twipsRect(kGroupLeft + 60, 4260, 2400, 300));
    largestSideBox_ = new QSpinBox(page);
    largestSideBox_->setObjectName(QStringLiteral("txtLargestSide"));
    largestSideBox_->setAccessibleName(tr("Largest frame side"));
    largestSideBox_->setRange(kSmallestFrameSide, largestFrameSideAllowed());
    largestSideBox_->setSuffix(tr(" Pixels"));
    largestSideBox_->setGeometry(twipsRect(kTextLeft + 1800, 4230, 1500, 330));
    largestSideLabel->setBuddy(largestSideBox_);

    auto* okButton = makeButton(this, "cmdOK", tr("&OK"), twipsRect(5130, 5175, 1095, 375));
    auto* cancelButton = makeButton(this, "cmdCancel", tr("&Cancel"), twipsRect(6360, 5175, 1095, 375));
    okButton->setDefault(true);  // Enter; Escape rejects, which is Cancel

    connect(folderButton, &QPushButton::clicked, this, &OptionsDialog::chooseTempFolder);
    connect(deleteButton, &QPushButton::clicked, this, &OptionsDialog::deleteTempFiles);
    connect(editButton, &QPushButton::clicked, this, &OptionsDialog::editHistory);
    connect(okButton, &QPushButton::clicked, this, &OptionsDialog::saveAndClose);
    connect(cancelButton, &QPushButton::clicked, this, &OptionsDialog::cancel);
    auto* nextTab = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(nextTab, &QShortcut::activated, this, &OptionsDialog::selectNextTab);

    setTabOrder(folderButton, deleteButton);
    setTabOrder(deleteButton, editButton);
    setTabOrder(editButton, largestSideBox_);
    setTabOrder(largestSideBox_, okButton);
    setTabOrder(okButton, cancelButton);

    setFixedSize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight));
    showInitialValues();
}

void OptionsDialog::showInitialValues()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    tabs_->setCurrentIndex(0);
    folderBox_->setText(context_.tempFolder());
    largestSideBox_->setValue(largestFrameSide(context_.settingsFile()));
}

void OptionsDialog::chooseTempFolder()
{
    const auto chosen = dialogs_.browseForFolder(this);
    const QString folder = optionsFolderText(chosen.value_or(QString()));
    if (!folder.isEmpty())
        folderBox_->setText(folder);
}

void OptionsDialog::deleteTempFiles()
{
    BusyPointer busy(this);
    if (dialogs_.messageBox(this, tr(kDeleteTempFilesQuestion), QString(), MessageIcon::Question,
                            MessageButtons::YesNo)
        != MessageAnswer::Yes)
        return;
    // The folder shown, which may not be the one stored yet.
    deleteTempGifs(folderBox_->text());
    dialogs_.inform(this, tr(kDeleteFinished));
}

void OptionsDialog::editHistory()
{
    showModal(new HistoryDialog(context_, HistoryListMode::Edit, this), runHistoryList_);
}

void OptionsDialog::saveAndClose()
{
    const QString folder = folderBox_->text();
    if (folder.trimmed().isEmpty()) {
        dialogs_.inform(this, tr(kSetTempFolderFirst));
        return;
    }
    WriteIniKey(QStringLiteral("General"), QStringLiteral("Temp Path"), folder, context_.settingsFile());
    context_.setTempFolder(folder);
    if (largestSideBox_->value() != largestFrameSide(context_.settingsFile()))  // kept only once changed
        storeLargestFrameSide(largestSideBox_->value(), context_.settingsFile());
    accept();
}

void OptionsDialog::cancel() { reject(); }

void OptionsDialog::selectNextTab() { tabs_->setCurrentIndex((tabs_->currentIndex() + 1) % tabs_->count()); }

}  // namespace pictoreel
