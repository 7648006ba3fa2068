#include "gui/frm_extractor.h"

#include "core/media/work_budget.h"
#include "core/project/file_identity.h"
#include "gui/compact_font.h"
#include "gui/dialogs.h"
#include "gui/extractor_files.h"
#include "gui/button_toolbar.h"
#include "gui/progress_status_bar.h"
#include "gui/toolbar_icons.h"
#include "gui/frm_save_frames.h"
#include "gui/gif_view.h"
#include "gui/image_view.h"
#include "gui/twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
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

// RGB(212, 208, 200), the dialog grey the animation is played on.
constexpr std::int32_t kPlayBackColour = 212 | (208 << 8) | (200 << 16);
// RGB(255, 255, 255): frames saved as GIF name white as their (unused) transparent colour.
constexpr std::int32_t kWhite = 0xFFFFFF;

// Menu entries with a command; the others are separator lines.
enum FileMenuEntry { kOpen = 1, kSaveCurrent = 3, kSaveChecked = 4, kCheckAll = 6, kUncheckAll = 7, kExit = 9 };

}  // namespace

frmExtractor::frmExtractor(Dialogs& dialogs, std::function<QString()> tempFolder, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), tempFolder_(std::move(tempFolder))
{
    setObjectName(QStringLiteral("frmExtractor"));
    setWindowTitle(QStringLiteral("Animated GIF Frames Extractor"));
    setAccessibleName(QStringLiteral("Animated GIF Frames Extractor"));
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    applyCompactFont(this);
    runSaveDialog_ = [](frmSaveFrames& dialog) { dialog.exec(); };

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

frmExtractor::~frmExtractor()
{
    wpdlx1.setImageClickHandler({});
    delete wpdlx1View;  // the view lets go of its component before the component goes
    wpdlx1View = nullptr;
}

// ---- building ----------------------------------------------------------------------------------

void frmExtractor::buildMenu()
{
    struct Item {
        const char* caption;
        QKeySequence shortcut;
    };
    static const Item kItems[] = {
        {"&Open ...", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {nullptr, {}},
        {"&Save Current Frame As ...", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"&Save All Checked Frames ...", {}},
        {nullptr, {}},
        {"Check All", {}},
        {"Uncheck All", {}},
        {nullptr, {}},
        {"E&xit", QKeySequence(Qt::CTRL | Qt::Key_X)},
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->setAccessibleName(QStringLiteral("File"));
    mnuFileSub.assign(1, nullptr);
    int index = 0;
    for (const Item& item : kItems) {
        ++index;
        QAction* action = nullptr;
        if (!item.caption) {
            action = mnuFile->addSeparator();
        } else {
            action = mnuFile->addAction(QString::fromUtf8(item.caption));
            action->setShortcut(item.shortcut);
            connect(action, &QAction::triggered, this, [this, index] { mnuFileSub_Click(index); });
        }
        action->setObjectName(QStringLiteral("mnuFileSub%1").arg(index));
        mnuFileSub.push_back(action);
    }
    // Dropping the menu down, from the menu bar or as the context menu, sets what is enabled.
    connect(mnuFile, &QMenu::aboutToShow, this, &frmExtractor::UpdateCommandState);
}

void frmExtractor::buildToolbar()
{
    static constexpr ToolbarButton kButtons[] = {
        {"open", "Open", "Opean an Animated GIF files"},
        {nullptr, nullptr, nullptr},
        {"save", "Save", "Save the Current Frame"},
        {"saveall", "Save All", "Save All Frames"},
        {nullptr, nullptr, nullptr},
        {"checkall", "Chell All", "Check All Frames"},
        {"uncheckall", "Uncheck", "Uncheck All Frames"},
    };
    Toolbar1 = addButtonToolbar(*this, kButtons, twipsToPixels(kToolbarHeight), toolbarButtons,
                                [this](const QString& key) { Toolbar1_ButtonClick(key); });
}

void frmExtractor::buildStatusBar()
{
    const ProgressStatusBar status = addProgressStatusBar(*this, twipsToPixels(kStatusBarHeight), this);
    StatusBar1 = status.bar;
    statusPanel1 = status.panel;
    pbPer = status.progress;
}

void frmExtractor::buildPanes()
{
    picFrame = new QWidget(this);
    picFrame->setObjectName(QStringLiteral("picFrame"));
    picFrame->setAccessibleName(QStringLiteral("Frames and pictures"));
    setCentralWidget(picFrame);
    picFrame->installEventFilter(this);

    picLeft = new QWidget(picFrame);
    picLeft->setObjectName(QStringLiteral("picLeft"));
    picLeft->setAccessibleName(QStringLiteral("Frame list pane"));
    List1 = new QListWidget(picLeft);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("Frames"));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setContextMenuPolicy(Qt::PreventContextMenu);  // the file menu pops up on release instead
    List1->viewport()->installEventFilter(this);
    connect(List1, &QListWidget::currentRowChanged, this, [this] { ShowSelectedFrame(); });

    // The grip lies under the right pane except for the gap between the panes; the grey bar
    // shows only while it is dragged.
    imgSplitter = new QWidget(picFrame);
    imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    imgSplitter->setAccessibleName(QStringLiteral("Splitter"));

    picRight = new QWidget(picFrame);
    picRight->setObjectName(QStringLiteral("picRight"));
    picRight->setAccessibleName(QStringLiteral("Picture pane"));
    SSTab1 = new QTabWidget(picRight);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->setAccessibleName(QStringLiteral("Frames and preview"));
    const int inset = twipsToPixels(120) - 2;

    auto* framesPage = new QWidget;
    wpdlx1View = new ImageView(wpdlx1, framesPage);
    wpdlx1View->setObjectName(QStringLiteral("wpdlx1"));
    wpdlx1View->setAccessibleName(QStringLiteral("Frames"));
    wpdlx1View->move(inset, inset);
    SSTab1->addTab(framesPage, QStringLiteral("Frames"));

    auto* previewPage = new QWidget;
    picView = new QWidget(previewPage);
    picView->setObjectName(QStringLiteral("picView"));
    picView->setAccessibleName(QStringLiteral("Preview"));
    picView->move(inset, inset);
    picView->installEventFilter(this);
    PlayGif1 = new GifView(picView);
    PlayGif1->setObjectName(QStringLiteral("PlayGif1"));
    PlayGif1->setAccessibleName(QStringLiteral("Animation"));
    PlayGif1->resize(0, 0);
    SSTab1->addTab(previewPage, QStringLiteral("Preview"));

    picSplitter = SplitterDrag::makeBar(picFrame);
    picSplitter->setObjectName(QStringLiteral("picSplitter"));
    picSplitter->setAccessibleName(QStringLiteral("Splitter bar"));
    splitter_ = new SplitterDrag(imgSplitter, picSplitter, kSplitterWidth, 0, [this](int position) {
        SizeControls(position);
    });
}

// ---- layout ------------------------------------------------------------------------------------

int frmExtractor::frameWidthTwips() const { return widthTwips(picFrame); }
int frmExtractor::leftPaneWidthTwips() const { return leftPaneTwips_; }

void frmExtractor::SizeControls(int& position)
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
    }
}

void frmExtractor::placeProgressBar()
{
    const QRect panel = statusPanel1->geometry();
    placeTwips(pbPer, pixelsToTwips(panel.left()) + 30, 75, pixelsToTwips(panel.width()) - 60, kProgressHeight);
}

bool frmExtractor::eventFilter(QObject* watched, QEvent* event)
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

void frmExtractor::closeEvent(QCloseEvent* event)
{
    closed_ = true;  // a loop letting events run stops at its next step
    QMainWindow::closeEvent(event);
}

// ---- dispatch ----------------------------------------------------------------------------------

void frmExtractor::mnuFileSub_Click(int index)
{
    UpdateCommandState();
    switch (index) {
    case kOpen:
        OpenAnimatedGif();
        break;
    case kSaveCurrent:
        SaveCurrentFrame();
        break;
    case kSaveChecked:
        SaveCheckedFrames();
        break;
    case kCheckAll:
        SetAllChecked(true);
        break;
    case kUncheckAll:
        SetAllChecked(false);
        break;
    case kExit:
        close();
        break;
    default:
        break;
    }
}

void frmExtractor::Toolbar1_ButtonClick(const QString& key)
{
    if (key == u"open")
        OpenAnimatedGif();
    else if (key == u"save")
        SaveCurrentFrame();
    else if (key == u"saveall")
        SaveCheckedFrames();
    else if (key == u"checkall")
        SetAllChecked(true);
    else if (key == u"uncheckall")
        SetAllChecked(false);
}

QAction* frmExtractor::toolbarButton(const QString& key) const
{
    for (QAction* action : toolbarButtons)
        if (action->data().toString() == key)
            return action;
    return nullptr;
}

void frmExtractor::PopupFileMenu(const QPoint& globalPos)
{
    if (!working_)
        mnuFile->popup(globalPos);
}

// While a command runs its loop and lets events run, the menu and the toolbar are out of reach
// and the other commands do nothing, so no second command changes the list under the first.
class frmExtractor::WorkingScope {
public:
    explicit WorkingScope(frmExtractor& window) : window_(&window)
    {
        window.working_ = true;
        window.menuBar()->setEnabled(false);
        window.Toolbar1->setEnabled(false);
    }
    ~WorkingScope()
    {
        if (!window_)
            return;  // the window went away while events ran
        window_->working_ = false;
        window_->menuBar()->setEnabled(true);
        window_->Toolbar1->setEnabled(true);
    }
    WorkingScope(const WorkingScope&) = delete;
    WorkingScope& operator=(const WorkingScope&) = delete;

private:
    QPointer<frmExtractor> window_;
};

// ---- commands ----------------------------------------------------------------------------------

void frmExtractor::UpdateCommandState()
{
    const bool hasFrames = List1->count() > 0;
    for (int index : {kSaveCurrent, kSaveChecked, kCheckAll, kUncheckAll})
        mnuFileSub[static_cast<std::size_t>(index)]->setEnabled(hasFrames);
    for (const char* key : {"save", "saveall", "checkall", "uncheckall"})
        toolbarButton(QLatin1String(key))->setEnabled(hasFrames);
}

bool frmExtractor::yieldToEvents()
{
    const QPointer<frmExtractor> self(this);
    QCoreApplication::processEvents();
    return self && !closed_;
}

QString frmExtractor::temporaryFrameFileOf(int index) const
{
    const QListWidgetItem* item = List1->item(index);
    return temporaryFrameFile(tempFolder_(), item ? item->text() : QString());
}

void frmExtractor::OpenAnimatedGif()
{
    if (working_)
        return;
    const auto chosen = dialogs_.openFile(this, {QString(), QStringLiteral("Animated GIF Files(*.gif)|*.gif"), {}});
    if (!chosen)
        return;  // cancelled: the list, the frame and the animation stay as they were
    if (!chosen->isEmpty()) {
        const WorkingScope working(*this);
        // Each step that fails is passed over: a GIF the player cannot read leaves an empty list.
        PlayGif1->component().ClearFrames();
        pbPer->setValue(0);
        pbPer->show();
        {
            const QSignalBlocker quiet(List1);  // emptying the list selects nothing to show
            List1->clear();
        }
        gifFile_ = *chosen;
        Status loaded = PlayGif1->LoadGif(*chosen);
        // A GIF beyond the work budget, or too large to decode, is told and not taken apart; the
        // window's other failures pass in silence.
        if (loaded)
            loaded = checkWorkBudget(QStringLiteral("The GIF"), PlayGif1->component().FrameCount(), PlayGif1->GifWidth(),
                                     PlayGif1->GifHeight(), WorkBudget{});
        if (!loaded && loaded.error().code == ErrorCode::LimitExceeded) {
            PlayGif1->component().ClearFrames();
            dialogs_.messageBox(this, loaded.error().text(), QString(), MessageIcon::Exclamation, MessageButtons::Ok);
        }
        PlayGif1->LoopPlayback(false);
        PlayGif1->resize(PlayGif1->GifWidth(), PlayGif1->GifHeight());  // 15 twips to the pixel
        PlayGif1->component().BackColor(kPlayBackColour);
        PlayGif1->Play();
        const int count = PlayGif1->component().FrameCount();
        for (int k = 0; k < count; ++k) {
            auto* item = new QListWidgetItem(frameEntryText(k));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
            {
                const QSignalBlocker quiet(List1);  // entry 0 is shown once the list is full
                List1->addItem(item);
            }
            pbPer->setValue(progressPercent(k + 1, count));
            if (!yieldToEvents())
                return;
        }
        pbPer->setValue(0);
        pbPer->hide();
    }
    if (List1->count() > 0) {
        if (List1->currentRow() == 0)
            ShowSelectedFrame();
        else
            List1->setCurrentRow(0);  // shows it
    }
    UpdateCommandState();
}

void frmExtractor::ShowSelectedFrame()
{
    if (busy_)
        return;
    const int k = List1->currentRow();
    if (k < 0)
        return;
    const QString t = temporaryFrameFileOf(k);
    (void)PlayGif1->component().ExtractFrame(k, t);
    if (!yieldToEvents())
        return;
    (void)wpdlx1.LoadImage(t);
    QFile::remove(t);
}

Status frmExtractor::loadFrameIntoWorker(int index, const QString& temporaryFile)
{
    if (Status extracted = PlayGif1->component().ExtractFrame(index, temporaryFile); !extracted)
        return extracted;
    wpdlx2.ClearImage();
    return wpdlx2.LoadImage(temporaryFile);
}

Status frmExtractor::writeWorkerPicture(const QString& file, int format) const
{
    switch (format) {
    case kFormatGif:
        return wpdlx2.SaveGif(file, false, kWhite);
    case kFormatBmp:
        return wpdlx2.SaveBmp(file);
    case kFormatJpeg:
        return wpdlx2.SaveJpeg(file, 80, false, false);
    default:
        return Status::success();  // no format of the list: nothing is written
    }
}

void frmExtractor::showSaveError(const Error& error)
{
    dialogs_.messageBox(this, error.text(), QString(), MessageIcon::None, MessageButtons::Ok);
}

bool frmExtractor::refuseSourceAsOutput(const QString& output)
{
    if (!sameFile(output, gifFile_))
        return false;
    dialogs_.inform(this, QStringLiteral("%1 is the animated GIF the frames come from; it is not written over. "
                                         "Please choose another file or folder.")
                              .arg(output));
    return true;
}

namespace {

Status removeTemporaryFile(const QString& file)
{
    if (QFile::remove(file))
        return Status::success();
    return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot delete the file %1").arg(file));
}

}  // namespace

bool frmExtractor::askWhereToSave(bool singleFrame)
{
    request_.SingleFrame = singleFrame;
    request_.Format = kFormatGif;
    request_.Cancelled = false;
    {
        frmSaveFrames dialog(dialogs_, request_, this);
        runSaveDialog_(dialog);
    }
    return !request_.Cancelled;
}

void frmExtractor::SaveCurrentFrame()
{
    if (List1->count() == 0 || busy_ || working_)
        return;
    if (!askWhereToSave(true))
        return;
    if (request_.FileName.isEmpty()) {
        dialogs_.inform(this, QStringLiteral("The file name is not set"));
        return;
    }
    if (refuseSourceAsOutput(request_.FileName))
        return;
    // From here the first failure ends the command with its number and description.
    const int k = List1->currentRow();
    const QString t = temporaryFrameFileOf(k);
    if (Status loaded = loadFrameIntoWorker(k, t); !loaded)
        return showSaveError(loaded.error());
    if (Status written = writeWorkerPicture(request_.FileName, request_.Format); !written)
        return showSaveError(written.error());
    if (!yieldToEvents())
        return;
    if (Status removed = removeTemporaryFile(t); !removed)
        showSaveError(removed.error());
}

void frmExtractor::SaveCheckedFrames()
{
    if (List1->count() == 0 || busy_ || working_)
        return;
    std::vector<int> checked;
    for (int k = 0; k < List1->count(); ++k)
        if (List1->item(k)->checkState() == Qt::Checked)
            checked.push_back(k);
    if (checked.empty()) {
        dialogs_.inform(this, QStringLiteral("Please check the frames that you want to save first!"));
        return;
    }
    if (!askWhereToSave(false))
        return;
    if (request_.Folder.isEmpty()) {
        dialogs_.inform(this, QStringLiteral("The output folder is not set"));
        return;
    }
    // The request is read once: the folder and format stay those of this command.
    const QString folder = request_.Folder;
    const int format = request_.Format;
    // Nothing is written when any of the files would be the GIF itself.
    for (int k : checked) {
        if (refuseSourceAsOutput(checkedFrameOutputFile(folder, List1->item(k)->text(), format)))
            return;
    }
    const WorkingScope working(*this);
    pbPer->setValue(0);
    pbPer->show();
    long long saved = 0;
    for (int k : checked) {
        const QListWidgetItem* item = List1->item(k);
        const QString t = temporaryFrameFileOf(k);
        if (Status loaded = loadFrameIntoWorker(k, t); !loaded)
            return showSaveError(loaded.error());
        if (Status written = writeWorkerPicture(checkedFrameOutputFile(folder, item->text(), format), format); !written)
            return showSaveError(written.error());
        ++saved;
        pbPer->setValue(progressPercent(saved, static_cast<long long>(checked.size())));
        if (!yieldToEvents())
            return;
        if (Status removed = removeTemporaryFile(t); !removed)
            return showSaveError(removed.error());
    }
    pbPer->setValue(0);
    pbPer->hide();
    dialogs_.inform(this, QStringLiteral("Save finished"));
}

void frmExtractor::SetAllChecked(bool value)
{
    if (working_)
        return;
    const WorkingScope working(*this);
    busy_ = true;
    for (int k = 0; k < List1->count(); ++k) {
        List1->item(k)->setCheckState(value ? Qt::Checked : Qt::Unchecked);
        if (!yieldToEvents())
            return;
    }
    busy_ = false;
}

}  // namespace pictoreel
