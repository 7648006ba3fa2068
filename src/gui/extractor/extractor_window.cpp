// The frames extractor's window: its menu, toolbar, status bar and panes, their layout, and the
// dispatch of its commands, which live in extractor_commands.cpp.
#include "gui/extractor/extractor_window.h"

#include "gui/widgets/compact_font.h"
#include "gui/dialogs/save_frames_dialog.h"
#include "gui/widgets/button_toolbar.h"
#include "gui/main_window/progress_status_bar.h"
#include "gui/widgets/toolbar_icons.h"
#include "gui/widgets/gif_view.h"
#include "gui/widgets/image_view.h"
#include "gui/widgets/twips.h"

#include <QCloseEvent>
#include <QCursor>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>

namespace pictoreel {

namespace {

// Layout constants, in twips.
constexpr int kClientWidth = 9600;
constexpr int kClientHeight = 6750;
constexpr int kToolbarHeight = 570;
constexpr int kStatusBarHeight = 375;
constexpr int kProgressHeight = 255;
constexpr int kInitialLeftWidth = 2400;
constexpr int kMinLeftWidth = 300;
constexpr int kMinRightWidth = 600;
constexpr int kPaneGap = 75;
constexpr int kSplitterWidth = 150;
constexpr int kTabMargin = 60;
constexpr int kViewInnerWidth = 240;
constexpr int kViewInnerHeight = 600;
constexpr int kContextMenuDelayMs = 100;

}  // namespace

ExtractorWindow::ExtractorWindow(Dialogs& dialogs, std::function<QString()> tempFolder, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), tempFolder_(std::move(tempFolder))
{
    setObjectName(QStringLiteral("frmExtractor"));
    setWindowTitle(tr("Animated GIF Frames Extractor"));
    setAccessibleName(tr("Animated GIF Frames Extractor"));
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    applyCompactFont(this);
    runSaveDialog_ = [](SaveFramesDialog& dialog) { dialog.exec(); };

    // Loading: the frame view's display flag is off while the window is built.
    frameImage_.DisplayFlag(false);
    buildMenu();
    buildToolbar();
    buildStatusBar();
    buildPanes();
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight) + menuBar()->sizeHint().height());
    panes_->resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight - kToolbarHeight - kStatusBarHeight));
    int position = kInitialLeftWidth;
    SizeControls(position);

    menuTimer_.setInterval(kContextMenuDelayMs);
    connect(&menuTimer_, &QTimer::timeout, this, [this] {
        menuTimer_.stop();
        popUpFileMenu(QCursor::pos());
    });
    frameImage_.setImageClickHandler([this] { menuTimer_.start(); });
    player_->component().BackColor(kPlayBackColour);
    busy_ = false;
    updateCommandState();
    frameImage_.DisplayFlag(true);
}

ExtractorWindow::~ExtractorWindow()
{
    frameImage_.setImageClickHandler({});
    delete frameView_;  // the view lets go of its component before the component goes
    frameView_ = nullptr;
}

// ---- building ----------------------------------------------------------------------------------

void ExtractorWindow::buildMenu()
{
    // An entry with `needsFrames` is enabled only while the list has frames.
    struct Entry {
        const char* caption;
        QKeySequence shortcut;
        void (ExtractorWindow::*command)();
        bool needsFrames;
    };
    const Entry separator{nullptr, {}, nullptr, false};
    const Entry entries[] = {
        {QT_TR_NOOP("&Open ..."), QKeySequence(Qt::CTRL | Qt::Key_O), &ExtractorWindow::openAnimatedGif, false},
        separator,
        {QT_TR_NOOP("&Save Current Frame As ..."), QKeySequence(Qt::CTRL | Qt::Key_S), &ExtractorWindow::saveCurrentFrame, true},
        {QT_TR_NOOP("&Save All Checked Frames ..."), {}, &ExtractorWindow::saveCheckedFrames, true},
        separator,
        {QT_TR_NOOP("Check All"), {}, &ExtractorWindow::checkAllFrames, true},
        {QT_TR_NOOP("Uncheck All"), {}, &ExtractorWindow::uncheckAllFrames, true},
        separator,
        {QT_TR_NOOP("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X), &ExtractorWindow::exitWindow, false},
    };
    fileMenu_ = menuBar()->addMenu(tr("&File"));
    fileMenu_->setObjectName(QStringLiteral("mnuFile"));
    fileMenu_->setAccessibleName(tr("File"));
    int index = 0;
    for (const Entry& entry : entries) {
        QAction* action = nullptr;
        if (!entry.command) {
            action = fileMenu_->addSeparator();
        } else {
            action = fileMenu_->addAction(tr(entry.caption));
            action->setShortcut(entry.shortcut);
            // A menu command first sets what is enabled, as dropping the menu down does.
            connect(action, &QAction::triggered, this, &ExtractorWindow::updateCommandState);
            connect(action, &QAction::triggered, this, entry.command);
            if (entry.needsFrames)
                frameCommands_.push_back(action);
        }
        action->setObjectName(QStringLiteral("mnuFileSub%1").arg(++index));
    }
    // Dropping the menu down, from the menu bar or as the context menu, sets what is enabled.
    connect(fileMenu_, &QMenu::aboutToShow, this, &ExtractorWindow::updateCommandState);
}

void ExtractorWindow::buildToolbar()
{
    static constexpr ToolbarButton kButtons[] = {
        {"open", QT_TR_NOOP("Open"), QT_TR_NOOP("Opean an Animated GIF files")},
        {nullptr, nullptr, nullptr},
        {"save", QT_TR_NOOP("Save"), QT_TR_NOOP("Save the Current Frame")},
        {"saveall", QT_TR_NOOP("Save All"), QT_TR_NOOP("Save All Frames")},
        {nullptr, nullptr, nullptr},
        {"checkall", QT_TR_NOOP("Chell All"), QT_TR_NOOP("Check All Frames")},
        {"uncheckall", QT_TR_NOOP("Uncheck"), QT_TR_NOOP("Uncheck All Frames")},
    };
    toolbar_ = addButtonToolbar(*this, kButtons, twipsToPixels(kToolbarHeight));
    connect(toolbarButton(*toolbar_, "open"), &QAction::triggered, this, &ExtractorWindow::openAnimatedGif);
    const std::pair<const char*, void (ExtractorWindow::*)()> frameCommands[] = {
        {"save", &ExtractorWindow::saveCurrentFrame},
        {"saveall", &ExtractorWindow::saveCheckedFrames},
        {"checkall", &ExtractorWindow::checkAllFrames},
        {"uncheckall", &ExtractorWindow::uncheckAllFrames},
    };
    for (const auto& [key, command] : frameCommands) {
        QAction* button = toolbarButton(*toolbar_, key);
        connect(button, &QAction::triggered, this, command);
        frameCommands_.push_back(button);
    }
}

void ExtractorWindow::buildStatusBar()
{
    const ProgressStatusBar status = addProgressStatusBar(*this, twipsToPixels(kStatusBarHeight), this);
    statusBar_ = status.bar;
    statusPanel_ = status.panel;
    progressBar_ = status.progress;
}

void ExtractorWindow::buildPanes()
{
    panes_ = new QWidget(this);
    panes_->setObjectName(QStringLiteral("picFrame"));
    panes_->setAccessibleName(tr("Frames and pictures"));
    setCentralWidget(panes_);
    panes_->installEventFilter(this);

    leftPane_ = new QWidget(panes_);
    leftPane_->setObjectName(QStringLiteral("picLeft"));
    leftPane_->setAccessibleName(tr("Frame list pane"));
    frameList_ = new QListWidget(leftPane_);
    frameList_->setObjectName(QStringLiteral("List1"));
    frameList_->setAccessibleName(tr("Frames"));
    frameList_->setSelectionMode(QAbstractItemView::SingleSelection);
    frameList_->setContextMenuPolicy(Qt::PreventContextMenu);  // the file menu pops up on release instead
    frameList_->viewport()->installEventFilter(this);
    connect(frameList_, &QListWidget::currentRowChanged, this, [this] { showSelectedFrame(); });

    // The grip lies under the right pane except for the gap between the panes; the grey bar
    // shows only while it is dragged.
    splitterGrip_ = new QWidget(panes_);
    splitterGrip_->setObjectName(QStringLiteral("imgSplitter"));
    splitterGrip_->setAccessibleName(tr("Splitter"));

    rightPane_ = new QWidget(panes_);
    rightPane_->setObjectName(QStringLiteral("picRight"));
    rightPane_->setAccessibleName(tr("Picture pane"));
    tabs_ = new QTabWidget(rightPane_);
    tabs_->setObjectName(QStringLiteral("SSTab1"));
    tabs_->setAccessibleName(tr("Frames and preview"));
    const int inset = twipsToPixels(120) - 2;

    auto* framesPage = new QWidget;
    frameView_ = new ImageView(frameImage_, framesPage);
    frameView_->setObjectName(QStringLiteral("wpdlx1"));
    frameView_->setAccessibleName(tr("Frames"));
    frameView_->move(inset, inset);
    tabs_->addTab(framesPage, tr("Frames"));

    auto* previewPage = new QWidget;
    previewArea_ = new QWidget(previewPage);
    previewArea_->setObjectName(QStringLiteral("picView"));
    previewArea_->setAccessibleName(tr("Preview"));
    previewArea_->move(inset, inset);
    previewArea_->installEventFilter(this);
    player_ = new GifView(previewArea_);
    player_->setObjectName(QStringLiteral("PlayGif1"));
    player_->setAccessibleName(tr("Animation"));
    player_->resize(0, 0);
    player_->offerScaleChoice();
    connect(player_, &GifView::fitChanged, this, [this] { player_->resize(player_->sizeWithin(previewArea_->size())); });
    tabs_->addTab(previewPage, tr("Preview"));

    splitterBar_ = SplitterDrag::makeBar(panes_);
    splitterBar_->setObjectName(QStringLiteral("picSplitter"));
    splitterBar_->setAccessibleName(tr("Splitter bar"));
    splitter_ = new SplitterDrag(splitterGrip_, splitterBar_, kSplitterWidth, 0, [this](int position) {
        SizeControls(position);
    });
}

// ---- layout ------------------------------------------------------------------------------------

void ExtractorWindow::SizeControls(int& position)
{
    const int frameWidth = widthTwips(panes_);
    const int frameHeight = heightTwips(panes_);
    if (position < kMinLeftWidth)
        position = kMinLeftWidth;
    if (position > frameWidth - kMinRightWidth)
        position = frameWidth - kMinRightWidth;  // the right pane's minimum wins on a narrow window
    leftPaneTwips_ = position;

    placeTwips(leftPane_, 0, 0, position, frameHeight);
    placeTwips(frameList_, 0, 0, position, frameHeight);
    splitter_->place(position, frameHeight);
    const int rightWidth = frameWidth - position - kPaneGap;
    placeTwips(rightPane_, position + kPaneGap, 0, rightWidth, frameHeight);
    placeProgressBar();

    const int tabWidth = rightWidth - kTabMargin, tabHeight = frameHeight - kTabMargin;
    placeTwips(tabs_, 0, 0, tabWidth, tabHeight);
    const int viewWidth = tabWidth - kViewInnerWidth, viewHeight = tabHeight - kViewInnerHeight;
    if (viewWidth >= 0 && viewHeight >= 0) {
        previewArea_->resize(twipsToPixels(viewWidth), twipsToPixels(viewHeight));
        frameView_->resize(previewArea_->size());
        if (player_->component().hasGif())
            player_->resize(player_->sizeWithin(previewArea_->size()));
    }
}

void ExtractorWindow::placeProgressBar()
{
    const QRect panel = statusPanel_->geometry();
    placeTwips(progressBar_, pixelsToTwips(panel.left()) + 30, 75, pixelsToTwips(panel.width()) - 60, kProgressHeight);
}

bool ExtractorWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == panes_ && event->type() == QEvent::Resize) {
        int position = leftPaneTwips_;
        SizeControls(position);
    } else if ((watched == statusBar_ || watched == statusPanel_)
               && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        placeProgressBar();
    } else if (event->type() == QEvent::MouseButtonRelease && (watched == previewArea_ || (frameList_ && watched == frameList_->viewport()))) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton)
            popUpFileMenu(mouse->globalPosition().toPoint());
    }
    return QMainWindow::eventFilter(watched, event);
}

void ExtractorWindow::closeEvent(QCloseEvent* event)
{
    // A GIF being read is dropped once read, with the list left empty; frames being saved stop
    // after the one at hand and the files written so far stay.
    job_.cancel();
    job_.finishNow();
    QMainWindow::closeEvent(event);
}

// ---- the menu ----------------------------------------------------------------------------------

void ExtractorWindow::popUpFileMenu(const QPoint& globalPos)
{
    if (!working_)
        fileMenu_->popup(globalPos);
}

// ---- command state -----------------------------------------------------------------------------

void ExtractorWindow::updateCommandState()
{
    const bool hasFrames = frameList_->count() > 0;
    for (QAction* action : frameCommands_)
        action->setEnabled(hasFrames);
}

void ExtractorWindow::exitWindow() { close(); }

}  // namespace pictoreel
