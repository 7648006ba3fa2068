// The main window's parts and their places: the status bar, the frame list with the property
// panel above it on the left, the viewers and the animation on the right, and the splitter
// between them. Lengths are worked out in twips.

#include "core/production/transparent_share.h"
#include "gui/main_window/animation_tab.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/main_window.h"
#include "gui/main_window/make_commands.h"
#include "gui/main_window/picture_watcher.h"
#include "gui/main_window/progress_status_bar.h"
#include "gui/main_window/property_panel.h"
#include "gui/player/player_window.h"
#include "gui/widgets/image_view.h"
#include "gui/widgets/made_gif_transfer.h"
#include "gui/widgets/twips.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

namespace pictoreel {

namespace {

// Layout constants, in twips.
constexpr int kClientWidth = 9975;
constexpr int kClientHeight = 7275;
constexpr int kStatusBarHeight = 375;
constexpr int kProgressHeight = 255;
constexpr int kPropHeight = 3735;
constexpr int kMinLeftWidth = 4230;
constexpr int kMinRightWidth = 4500;
constexpr int kPaneGap = 75;
constexpr int kListGap = 90;
constexpr int kSplitterWidth = 150;
constexpr int kTabInnerWidth = 240;
constexpr int kViewerInnerHeight = 600;

}  // namespace

// ---- building -----------------------------------------------------------------------------------

void MainWindow::buildStatusBar()
{
    const ProgressStatusBar status = addProgressStatusBar(*this, twipsToPixels(kStatusBarHeight), this);
    StatusBar1 = status.bar;
    statusPanel1 = status.panel;
    pbPer = status.progress;
    transparencyNotice_ = new QLabel(StatusBar1);
    transparencyNotice_->setObjectName(QStringLiteral("lblTransparencyNotice"));
    transparencyNotice_->setAccessibleName(tr("Transparent pixels"));
    transparencyNotice_->setTextFormat(Qt::RichText);
    transparencyNotice_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(transparencyNotice_, &QLabel::linkActivated, this,
            [this](const QString& link) { showFramePropertiesOf(link.toInt()); });
    StatusBar1->addPermanentWidget(transparencyNotice_);
    transparencyNotice_->hide();
    missingIcon_ = new QLabel(StatusBar1);
    missingIcon_->setObjectName(QStringLiteral("StatusBar1Panel2Icon"));
    missingIcon_->setAccessibleName(tr("Warning"));
    const int iconSide = std::max(8, twipsToPixels(kStatusBarHeight) - 6);
    missingIcon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSide, iconSide));
    StatusBar1->addPermanentWidget(missingIcon_);
    missingIcon_->hide();
    missingPanel_ = new QLabel(StatusBar1);
    missingPanel_->setObjectName(QStringLiteral("StatusBar1Panel2"));
    missingPanel_->setAccessibleDescription(tr("Missing pictures"));  // read by its text
    StatusBar1->addPermanentWidget(missingPanel_);
    madePanel_ = new QLabel(StatusBar1);
    madePanel_->setObjectName(QStringLiteral("StatusBar1Panel3"));
    madePanel_->setAccessibleDescription(tr("Made GIF"));
    StatusBar1->addPermanentWidget(madePanel_);
    offerMadeGif(madePanel_, [this] { return makeCommands_ ? makeCommands_->madeFile() : QString(); });
    // Shown only while a make or preview runs, when it is the one part of the window that takes
    // input; Escape presses it then.
    cmdCancelMake = new QPushButton(tr("Cancel"), StatusBar1);
    cmdCancelMake->setObjectName(QStringLiteral("cmdCancelMake"));
    cmdCancelMake->setAccessibleName(tr("Cancel the make"));
    cmdCancelMake->setAutoDefault(false);
    // Active only while the button is shown and enabled; it presses it at once.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), cmdCancelMake);
    connect(escape, &QShortcut::activated, cmdCancelMake, &QPushButton::click);
    cmdCancelMake->setMaximumHeight(twipsToPixels(kStatusBarHeight) - 2);
    StatusBar1->addPermanentWidget(cmdCancelMake);
    cmdCancelMake->hide();
}

void MainWindow::setMakeRunning(bool running)
{
    if (running)
        focusBeforeMake_ = focusWidget();
    for (QWidget* part : std::initializer_list<QWidget*>{menuBar(), Toolbar1, picFrame, statusPanel1, missingPanel_})
        part->setEnabled(!running);
    cmdCancelMake->setVisible(running);
    cmdCancelMake->setEnabled(running);
    if (running) {
        cmdCancelMake->setFocus();
    } else if (focusBeforeMake_) {
        focusBeforeMake_->setFocus();
    }
}

void MainWindow::showMissingPictures(const std::vector<MissingPicture>& missing)
{
    model_->refreshMissingPictures();
    const auto count = static_cast<int>(missing.size());
    missingPanel_->setText(count == 0   ? QString()
                           : count == 1 ? tr("1 picture was missing")
                                        : tr("%1 pictures were missing").arg(count));
    missingIcon_->setVisible(count > 0);  // until the next make tells again
}

void MainWindow::showTransparencyNotice(const TransparentShare& share)
{
    const QString text = transparentPixelsText(share, QLocale().toString(qlonglong(share.pixels)));
    transparencyNotice_->setText(tr("%1 (<a href=\"%2\">Frame Properties</a>)")
                                     .arg(text.toHtmlEscaped())
                                     .arg(share.row));
    transparencyNotice_->setToolTip(tr("Untick Transparent or choose another colour on the Frame Properties tab."));
    transparencyNotice_->show();
}

void MainWindow::showFramePropertiesOf(int row)
{
    transparencyNotice_->hide();
    if (row < 1 || row > frames_.rowCount())
        return;
    ListView1->selectRow(row);
    ShowFrameProperties();
    SSTab1->setCurrentIndex(static_cast<int>(PanelTab::Frame));
}

void MainWindow::buildPanes()
{
    picFrame = new QWidget(this);
    picFrame->setObjectName(QStringLiteral("picFrame"));
    setCentralWidget(picFrame);
    picFrame->installEventFilter(this);

    picLeft = new QWidget(picFrame);
    picLeft->setObjectName(QStringLiteral("picLeft"));
    picProp = new QWidget(picLeft);
    picProp->setObjectName(QStringLiteral("picProp"));
    picProp->resize(twipsToPixels(kMinLeftWidth), twipsToPixels(kPropHeight));
    SSTab1 = new PropertyPanel(picProp);
    SSTab1->setDialogs(&context_.dialogs());

    ListView1 = new FrameListView(picLeft);
    model_ = new FrameListModel(frames_);
    ListView1->setModel(model_);
    // Pictures deleted, replaced or edited while the window is open are marked as they change.
    auto* watcher = new PictureWatcher(frames_, [this] { model_->refreshMissingPictures(); }, this);
    watcher->setObjectName(QStringLiteral("pictureWatcher"));
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model_, signal, watcher, &PictureWatcher::rowsChanged);
    connect(model_, &QAbstractItemModel::dataChanged, watcher, &PictureWatcher::rowsChanged);
    for (int c = 0; c < kFrameColumnCount; ++c)
        ListView1->header()->resizeSection(c, twipsToPixels(FrameListModel::columnWidthTwips(c)));
    connect(ListView1, &FrameListView::rowClicked, this, [this] { ShowFrameProperties(); });
    // A click on another row would replace a refused value with that row's: the check comes first.
    ListView1->setPickCheck([this] { return SSTab1->settleRangeChecks(); });
    connect(ListView1, &FrameListView::deleteRequested, this, [this] { deleteSelectedFrames(); });

    // The grip lies under the right pane except for the gap between the panes, where it is
    // taken with the west-east pointer; the grey bar shows only while it is dragged.
    imgSplitter = new QWidget(picFrame);
    imgSplitter->setObjectName(QStringLiteral("imgSplitter"));

    picRight = new QWidget(picFrame);
    picRight->setObjectName(QStringLiteral("picRight"));
    SSTab2 = new QTabWidget(picRight);
    SSTab2->setObjectName(QStringLiteral("SSTab2"));
    SSTab2->setAccessibleName(tr("Pictures"));
    const auto viewerTab = [this](ImagingComponent& component, const char* name, const QString& caption) {
        auto* page = new QWidget;
        auto* view = new ImageView(component, page);
        view->setObjectName(QLatin1String(name));
        view->setAccessibleName(caption);
        view->move(twipsToPixels(120) - 2, twipsToPixels(120) - 2);
        SSTab2->addTab(page, caption);
        return view;
    };
    wpdlx1View = viewerTab(wpdlx1, "wpdlx1", tr("Frame Image"));
    wpdlx3View = viewerTab(wpdlx3, "wpdlx3", tr("Original Image"));
    auto* animation = new AnimationTab(frames_, *SSTab1, context_);
    animation->followProject(*model_, *SSTab1);
    connect(this, &MainWindow::closeRefused, animation, &AnimationTab::windowStaysOpen);
    SSTab2->addTab(animation, tr("Animation"));

    picSplitter = SplitterDrag::makeBar(picFrame);
    picSplitter->setObjectName(QStringLiteral("picSplitter"));
    imgSplitter->resize(twipsToPixels(kSplitterWidth), imgSplitter->height());
    splitter_ = new SplitterDrag(imgSplitter, picSplitter, kSplitterWidth, kMinLeftWidth, [this](int x) {
        SizeControls(x);
    });
}

void MainWindow::layOutAtStart()
{
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight) + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    picFrame->resize(twipsToPixels(kClientWidth),
                     twipsToPixels(kClientHeight - kToolbarHeightTwips - kStatusBarHeight));
    int x = leftPaneTwips_;
    SizeControls(x);
}

// ---- layout -------------------------------------------------------------------------------------

int MainWindow::frameWidthTwips() const { return widthTwips(picFrame); }

int MainWindow::frameHeightTwips() const { return heightTwips(picFrame); }

void MainWindow::SizeControls(int& x)
{
    const int frameWidth = frameWidthTwips();
    const int frameHeight = frameHeightTwips();
    if (x < kMinLeftWidth)
        x = kMinLeftWidth;
    if (x > frameWidth - kMinRightWidth)
        x = frameWidth - kMinRightWidth;  // the right pane's minimum wins on a narrow window
    leftPaneTwips_ = x;

    placeTwips(picLeft, 0, 0, x, frameHeight);
    splitter_->place(x, frameHeight);
    placeTwips(picRight, x + kPaneGap, 0, frameWidth - x - kPaneGap, frameHeight);
    const int leftWidth = x;  // the width picLeft was given (or keeps, when that failed)
    placeTwips(picProp, 0, 0, leftWidth, kPropHeight);
    placeTwips(ListView1, 0, kPropHeight + kListGap, leftWidth, frameHeight - kPropHeight - kListGap);
    placeTwips(SSTab1, 0, 0, widthTwips(picProp), heightTwips(picProp));
    const int rightWidth = frameWidth - x - kPaneGap;
    placeTwips(SSTab2, 0, 0, rightWidth, frameHeight);
    if (leftWidth - kTabInnerWidth > 0)
        SSTab1->setContainerWidthTwips(leftWidth - kTabInnerWidth);
    for (ImageView* view : {wpdlx1View, wpdlx3View}) {
        const int w = rightWidth - kTabInnerWidth, h = frameHeight - kViewerInnerHeight;
        if (w >= 0 && h >= 0)
            view->resize(twipsToPixels(w), twipsToPixels(h));
    }
    placeProgressBar();
}

void MainWindow::placeProgressBar()
{
    const QRect panel = statusPanel1->geometry();
    placeTwips(pbPer, pixelsToTwips(panel.left()) + 30, 75, pixelsToTwips(panel.width()) - 60, kProgressHeight);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == picFrame && event->type() == QEvent::Resize) {
        int x = leftPaneTwips_;
        SizeControls(x);
        takeWantedPaneWidth();
    } else if ((watched == StatusBar1 || watched == statusPanel1)
               && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        placeProgressBar();
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace pictoreel
