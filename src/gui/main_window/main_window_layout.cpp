// The main window's parts and their places: the status bar, the frame list with the property
// panel above it on the left, the viewers and the animation on the right, and the splitter
// between them. Lengths are worked out in twips.

#include "core/production/transparent_share.h"
#include "gui/main_window/animation_tab.h"
#include "gui/main_window/frame_list_commands.h"
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
    statusBar_ = status.bar;
    statusPanel_ = status.panel;
    progressBar_ = status.progress;
    transparencyNotice_ = new QLabel(statusBar_);
    transparencyNotice_->setObjectName(QStringLiteral("lblTransparencyNotice"));
    transparencyNotice_->setAccessibleName(tr("Transparent pixels"));
    transparencyNotice_->setTextFormat(Qt::RichText);
    transparencyNotice_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(transparencyNotice_, &QLabel::linkActivated, this,
            [this](const QString& link) { showFramePropertiesOf(link.toInt()); });
    statusBar_->addPermanentWidget(transparencyNotice_);
    transparencyNotice_->hide();
    missingIcon_ = new QLabel(statusBar_);
    missingIcon_->setObjectName(QStringLiteral("StatusBar1Panel2Icon"));
    missingIcon_->setAccessibleName(tr("Warning"));
    const int iconSide = std::max(8, twipsToPixels(kStatusBarHeight) - 6);
    missingIcon_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(iconSide, iconSide));
    statusBar_->addPermanentWidget(missingIcon_);
    missingIcon_->hide();
    missingPanel_ = new QLabel(statusBar_);
    missingPanel_->setObjectName(QStringLiteral("StatusBar1Panel2"));
    missingPanel_->setAccessibleDescription(tr("Missing pictures"));  // read by its text
    statusBar_->addPermanentWidget(missingPanel_);
    madePanel_ = new QLabel(statusBar_);
    madePanel_->setObjectName(QStringLiteral("StatusBar1Panel3"));
    madePanel_->setAccessibleDescription(tr("Made GIF"));
    statusBar_->addPermanentWidget(madePanel_);
    offerMadeGif(madePanel_, [this] { return makeCommands_ ? makeCommands_->madeFile() : QString(); });
    // Shown only while a make or preview runs, when it is the one part of the window that takes
    // input; Escape presses it then.
    cancelMakeButton_ = new QPushButton(tr("Cancel"), statusBar_);
    cancelMakeButton_->setObjectName(QStringLiteral("cmdCancelMake"));
    cancelMakeButton_->setAccessibleName(tr("Cancel the make"));
    cancelMakeButton_->setAutoDefault(false);
    // Active only while the button is shown and enabled; it presses it at once.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), cancelMakeButton_);
    connect(escape, &QShortcut::activated, cancelMakeButton_, &QPushButton::click);
    cancelMakeButton_->setMaximumHeight(twipsToPixels(kStatusBarHeight) - 2);
    statusBar_->addPermanentWidget(cancelMakeButton_);
    cancelMakeButton_->hide();
}

void MainWindow::setMakeRunning(bool running)
{
    if (running)
        focusBeforeMake_ = focusWidget();
    for (QWidget* part : std::initializer_list<QWidget*>{menuBar(), toolbar_, framePane_, statusPanel_, missingPanel_})
        part->setEnabled(!running);
    cancelMakeButton_->setVisible(running);
    cancelMakeButton_->setEnabled(running);
    if (running) {
        cancelMakeButton_->setFocus();
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
    frameList_->selectRow(row);
    ShowFrameProperties();
    panel_->setCurrentIndex(static_cast<int>(PanelTab::Frame));
}

void MainWindow::buildPanes()
{
    framePane_ = new QWidget(this);
    framePane_->setObjectName(QStringLiteral("picFrame"));
    setCentralWidget(framePane_);
    framePane_->installEventFilter(this);

    leftPane_ = new QWidget(framePane_);
    leftPane_->setObjectName(QStringLiteral("picLeft"));
    propertyPane_ = new QWidget(leftPane_);
    propertyPane_->setObjectName(QStringLiteral("picProp"));
    propertyPane_->resize(twipsToPixels(kMinLeftWidth), twipsToPixels(kPropHeight));
    panel_ = new PropertyPanel(propertyPane_);
    panel_->setDialogs(&context_.dialogs());

    frameList_ = new FrameListView(leftPane_);
    model_ = new FrameListModel(frames_);
    frameList_->setModel(model_);
    // Pictures deleted, replaced or edited while the window is open are marked as they change.
    auto* watcher = new PictureWatcher(frames_, [this] { model_->refreshMissingPictures(); }, this);
    watcher->setObjectName(QStringLiteral("pictureWatcher"));
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model_, signal, watcher, &PictureWatcher::rowsChanged);
    connect(model_, &QAbstractItemModel::dataChanged, watcher, &PictureWatcher::rowsChanged);
    for (int c = 0; c < kFrameColumnCount; ++c)
        frameList_->header()->resizeSection(c, twipsToPixels(FrameListModel::columnWidthTwips(c)));
    connect(frameList_, &FrameListView::rowClicked, this, [this] { ShowFrameProperties(); });
    // A click on another row would replace a refused value with that row's: the check comes first.
    frameList_->setPickCheck([this] { return panel_->settleRangeChecks(); });
    connect(frameList_, &FrameListView::deleteRequested, this, [this] { frameListCommands_->deleteSelectedFrames(); });

    // The grip lies under the right pane except for the gap between the panes, where it is
    // taken with the west-east pointer; the grey bar shows only while it is dragged.
    splitterGrip_ = new QWidget(framePane_);
    splitterGrip_->setObjectName(QStringLiteral("imgSplitter"));

    rightPane_ = new QWidget(framePane_);
    rightPane_->setObjectName(QStringLiteral("picRight"));
    viewerTabs_ = new QTabWidget(rightPane_);
    viewerTabs_->setObjectName(QStringLiteral("SSTab2"));
    viewerTabs_->setAccessibleName(tr("Pictures"));
    const auto viewerTab = [this](ImagingComponent& component, const char* name, const QString& caption) {
        auto* page = new QWidget;
        auto* view = new ImageView(component, page);
        view->setObjectName(QLatin1String(name));
        view->setAccessibleName(caption);
        view->move(twipsToPixels(120) - 2, twipsToPixels(120) - 2);
        viewerTabs_->addTab(page, caption);
        return view;
    };
    frameView_ = viewerTab(frameImage_, "wpdlx1", tr("Frame Image"));
    originalView_ = viewerTab(originalImage_, "wpdlx3", tr("Original Image"));
    auto* animation = new AnimationTab(frames_, *panel_, context_);
    animation->followProject(*model_, *panel_);
    connect(this, &MainWindow::closeRefused, animation, &AnimationTab::windowStaysOpen);
    viewerTabs_->addTab(animation, tr("Animation"));

    splitterPane_ = SplitterDrag::makeBar(framePane_);
    splitterPane_->setObjectName(QStringLiteral("picSplitter"));
    splitterGrip_->resize(twipsToPixels(kSplitterWidth), splitterGrip_->height());
    splitter_ = new SplitterDrag(splitterGrip_, splitterPane_, kSplitterWidth, kMinLeftWidth, [this](int x) {
        SizeControls(x);
    });
}

void MainWindow::layOutAtStart()
{
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight) + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    framePane_->resize(twipsToPixels(kClientWidth),
                     twipsToPixels(kClientHeight - kToolbarHeightTwips - kStatusBarHeight));
    int x = leftPaneTwips_;
    SizeControls(x);
}

// ---- layout -------------------------------------------------------------------------------------

int MainWindow::frameWidthTwips() const { return widthTwips(framePane_); }

int MainWindow::frameHeightTwips() const { return heightTwips(framePane_); }

void MainWindow::SizeControls(int& x)
{
    const int frameWidth = frameWidthTwips();
    const int frameHeight = frameHeightTwips();
    if (x < kMinLeftWidth)
        x = kMinLeftWidth;
    if (x > frameWidth - kMinRightWidth)
        x = frameWidth - kMinRightWidth;  // the right pane's minimum wins on a narrow window
    leftPaneTwips_ = x;

    placeTwips(leftPane_, 0, 0, x, frameHeight);
    splitter_->place(x, frameHeight);
    placeTwips(rightPane_, x + kPaneGap, 0, frameWidth - x - kPaneGap, frameHeight);
    const int leftWidth = x;  // the width leftPane_ was given (or keeps, when that failed)
    placeTwips(propertyPane_, 0, 0, leftWidth, kPropHeight);
    placeTwips(frameList_, 0, kPropHeight + kListGap, leftWidth, frameHeight - kPropHeight - kListGap);
    placeTwips(panel_, 0, 0, widthTwips(propertyPane_), heightTwips(propertyPane_));
    const int rightWidth = frameWidth - x - kPaneGap;
    placeTwips(viewerTabs_, 0, 0, rightWidth, frameHeight);
    if (leftWidth - kTabInnerWidth > 0)
        panel_->setContainerWidthTwips(leftWidth - kTabInnerWidth);
    for (ImageView* view : {frameView_, originalView_}) {
        const int w = rightWidth - kTabInnerWidth, h = frameHeight - kViewerInnerHeight;
        if (w >= 0 && h >= 0)
            view->resize(twipsToPixels(w), twipsToPixels(h));
    }
    placeProgressBar();
}

void MainWindow::placeProgressBar()
{
    const QRect panel = statusPanel_->geometry();
    placeTwips(progressBar_, pixelsToTwips(panel.left()) + 30, 75, pixelsToTwips(panel.width()) - 60, kProgressHeight);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == framePane_ && event->type() == QEvent::Resize) {
        int x = leftPaneTwips_;
        SizeControls(x);
        takeWantedPaneWidth();
    } else if ((watched == statusBar_ || watched == statusPanel_)
               && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        placeProgressBar();
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace pictoreel
