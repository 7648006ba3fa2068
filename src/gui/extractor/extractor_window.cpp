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
    wpdlx1.DisplayFlag(false);
    buildMenu();
    buildToolbar();
    buildStatusBar();
    buildPanes();
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight) + menuBar()->sizeHint().height());
    picFrame->resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight - kToolbarHeight - kStatusBarHeight));
    int position = kInitialLeftWidth;
    SizeControls(position);

    Timer1.setInterval(kContextMenuDelayMs);
    connect(&Timer1, &QTimer::timeout, this, [this] {
        Timer1.stop();
        PopupFileMenu(QCursor::pos());
    });
    wpdlx1.setImageClickHandler([this] { Timer1.start(); });
    PlayGif1->component().BackColor(kPlayBackColour);
    busy_ = false;
    UpdateCommandState();
    wpdlx1.DisplayFlag(true);
}

ExtractorWindow::~ExtractorWindow()
{
    wpdlx1.setImageClickHandler({});
    delete wpdlx1View;  // the view lets go of its component before the component goes
    wpdlx1View = nullptr;
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
        {QT_TR_NOOP("&Open ..."), QKeySequence(Qt::CTRL | Qt::Key_O), &ExtractorWindow::OpenAnimatedGif, false},
        separator,
        {QT_TR_NOOP("&Save Current Frame As ..."), QKeySequence(Qt::CTRL | Qt::Key_S), &ExtractorWindow::SaveCurrentFrame, true},
        {QT_TR_NOOP("&Save All Checked Frames ..."), {}, &ExtractorWindow::SaveCheckedFrames, true},
        separator,
        {QT_TR_NOOP("Check All"), {}, &ExtractorWindow::CheckAllFrames, true},
        {QT_TR_NOOP("Uncheck All"), {}, &ExtractorWindow::UncheckAllFrames, true},
        separator,
        {QT_TR_NOOP("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_X), &ExtractorWindow::exitWindow, false},
    };
    mnuFile = menuBar()->addMenu(tr("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->setAccessibleName(tr("File"));
    int index = 0;
    for (const Entry& entry : entries) {
        QAction* action = nullptr;
        if (!entry.command) {
            action = mnuFile->addSeparator();
        } else {
            action = mnuFile->addAction(tr(entry.caption));
            action->setShortcut(entry.shortcut);
            // A menu command first sets what is enabled, as dropping the menu down does.
            connect(action, &QAction::triggered, this, &ExtractorWindow::UpdateCommandState);
            connect(action, &QAction::triggered, this, entry.command);
            if (entry.needsFrames)
                frameCommands_.push_back(action);
        }
        action->setObjectName(QStringLiteral("mnuFileSub%1").arg(++index));
    }
    // Dropping the menu down, from the menu bar or as the context menu, sets what is enabled.
    connect(mnuFile, &QMenu::aboutToShow, this, &ExtractorWindow::UpdateCommandState);
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
    Toolbar1 = addButtonToolbar(*this, kButtons, twipsToPixels(kToolbarHeight));
    connect(toolbarButton(*Toolbar1, "open"), &QAction::triggered, this, &ExtractorWindow::OpenAnimatedGif);
    const std::pair<const char*, void (ExtractorWindow::*)()> frameCommands[] = {
        {"save", &ExtractorWindow::SaveCurrentFrame},
        {"saveall", &ExtractorWindow::SaveCheckedFrames},
        {"checkall", &ExtractorWindow::CheckAllFrames},
        {"uncheckall", &ExtractorWindow::UncheckAllFrames},
    };
    for (const auto& [key, command] : frameCommands) {
        QAction* button = toolbarButton(*Toolbar1, key);
        connect(button, &QAction::triggered, this, command);
        frameCommands_.push_back(button);
    }
}

void ExtractorWindow::buildStatusBar()
{
    const ProgressStatusBar status = addProgressStatusBar(*this, twipsToPixels(kStatusBarHeight), this);
    StatusBar1 = status.bar;
    statusPanel1 = status.panel;
    pbPer = status.progress;
}

void ExtractorWindow::buildPanes()
{
    picFrame = new QWidget(this);
    picFrame->setObjectName(QStringLiteral("picFrame"));
    picFrame->setAccessibleName(tr("Frames and pictures"));
    setCentralWidget(picFrame);
    picFrame->installEventFilter(this);

    picLeft = new QWidget(picFrame);
    picLeft->setObjectName(QStringLiteral("picLeft"));
    picLeft->setAccessibleName(tr("Frame list pane"));
    List1 = new QListWidget(picLeft);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(tr("Frames"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setContextMenuPolicy(Qt::PreventContextMenu);  // the file menu pops up on release instead
    List1->viewport()->installEventFilter(this);
    connect(List1, &QListWidget::currentRowChanged, this, [this] { ShowSelectedFrame(); });

    // The grip lies under the right pane except for the gap between the panes; the grey bar
    // shows only while it is dragged.
    imgSplitter = new QWidget(picFrame);
    imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    imgSplitter->setAccessibleName(tr("Splitter"));

    picRight = new QWidget(picFrame);
    picRight->setObjectName(QStringLiteral("picRight"));
    picRight->setAccessibleName(tr("Picture pane"));
    SSTab1 = new QTabWidget(picRight);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setAccessibleName(tr("Frames and preview"));
    const int inset = twipsToPixels(120) - 2;

    auto* framesPage = new QWidget;
    wpdlx1View = new ImageView(wpdlx1, framesPage);
    wpdlx1View->setObjectName(QStringLiteral("wpdlx1"));
    wpdlx1View->setAccessibleName(tr("Frames"));
    wpdlx1View->move(inset, inset);
    SSTab1->addTab(framesPage, tr("Frames"));

    auto* previewPage = new QWidget;
    picView = new QWidget(previewPage);
    picView->setObjectName(QStringLiteral("picView"));
    picView->setAccessibleName(tr("Preview"));
    picView->move(inset, inset);
    picView->installEventFilter(this);
    PlayGif1 = new GifView(picView);
    PlayGif1->setObjectName(QStringLiteral("PlayGif1"));
    PlayGif1->setAccessibleName(tr("Animation"));
    PlayGif1->resize(0, 0);
    PlayGif1->offerScaleChoice();
    connect(PlayGif1, &GifView::fitChanged, this, [this] { PlayGif1->resize(PlayGif1->sizeWithin(picView->size())); });
    SSTab1->addTab(previewPage, tr("Preview"));

    picSplitter = SplitterDrag::makeBar(picFrame);
    picSplitter->setObjectName(QStringLiteral("picSplitter"));
    picSplitter->setAccessibleName(tr("Splitter bar"));
    splitter_ = new SplitterDrag(imgSplitter, picSplitter, kSplitterWidth, 0, [this](int position) {
        SizeControls(position);
    });
}

// ---- layout ------------------------------------------------------------------------------------

int ExtractorWindow::frameWidthTwips() const { return widthTwips(picFrame); }
int ExtractorWindow::leftPaneWidthTwips() const { return leftPaneTwips_; }

void ExtractorWindow::SizeControls(int& position)
{
    const int frameWidth = frameWidthTwips();
    const int frameHeight = heightTwips(picFrame);
    if (position < kMinLeftWidth)
        position = kMinLeftWidth;
    if (position > frameWidth - kMinRightWidth)
        position = frameWidth - kMinRightWidth;  // the right pane's minimum wins on a narrow window
    leftPaneTwips_ = position;

    placeTwips(picLeft, 0, 0, position, frameHeight);
    placeTwips(List1, 0, 0, position, frameHeight);
    splitter_->place(position, frameHeight);
    const int rightWidth = frameWidth - position - kPaneGap;
    placeTwips(picRight, position + kPaneGap, 0, rightWidth, frameHeight);
    placeProgressBar();

    const int tabWidth = rightWidth - kTabMargin, tabHeight = frameHeight - kTabMargin;
    placeTwips(SSTab1, 0, 0, tabWidth, tabHeight);
    const int viewWidth = tabWidth - kViewInnerWidth, viewHeight = tabHeight - kViewInnerHeight;
    if (viewWidth >= 0 && viewHeight >= 0) {
        picView->resize(twipsToPixels(viewWidth), twipsToPixels(viewHeight));
        wpdlx1View->resize(picView->size());
        if (PlayGif1->component().hasGif())
            PlayGif1->resize(PlayGif1->sizeWithin(picView->size()));
    }
}

void ExtractorWindow::placeProgressBar()
{
    const QRect panel = statusPanel1->geometry();
    placeTwips(pbPer, pixelsToTwips(panel.left()) + 30, 75, pixelsToTwips(panel.width()) - 60, kProgressHeight);
}

bool ExtractorWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == picFrame && event->type() == QEvent::Resize) {
        int position = leftPaneTwips_;
        SizeControls(position);
    } else if ((watched == StatusBar1 || watched == statusPanel1)
               && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        placeProgressBar();
    } else if (event->type() == QEvent::MouseButtonRelease && (watched == picView || (List1 && watched == List1->viewport()))) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton)
            PopupFileMenu(mouse->globalPosition().toPoint());
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

void ExtractorWindow::PopupFileMenu(const QPoint& globalPos)
{
    if (!working_)
        mnuFile->popup(globalPos);
}

// ---- command state -----------------------------------------------------------------------------

void ExtractorWindow::UpdateCommandState()
{
    const bool hasFrames = List1->count() > 0;
    for (QAction* action : frameCommands_)
        action->setEnabled(hasFrames);
}

void ExtractorWindow::exitWindow() { close(); }

}  // namespace pictoreel
