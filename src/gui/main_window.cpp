#include "gui/main_window.h"

#include "core/production/frame_cache.h"
#include "core/production/frame_cache_names.h"
#include "core/project/history.h"
#include "core/project/project_file.h"
#include "gui/compact_font.h"
#include "gui/dialogs.h"
#include "gui/frame_list_model.h"
#include "gui/about_dialog.h"
#include "gui/frm_avi2gif.h"
#include "gui/frm_extractor.h"
#include "gui/frm_gif2avi.h"
#include "gui/history_dialog.h"
#include "gui/options_dialog.h"
#include "gui/player_window.h"
#include "gui/image_view.h"
#include "gui/make_commands.h"
#include "gui/property_panel.h"
#include "gui/shell.h"
#include "gui/button_toolbar.h"
#include "gui/progress_status_bar.h"
#include "gui/toolbar_icons.h"
#include "gui/twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

namespace pictoreel {

namespace {

// Layout constants, in twips.
constexpr int kClientWidth = 9975;
constexpr int kClientHeight = 7275;
constexpr int kToolbarHeight = 570;
constexpr int kStatusBarHeight = 375;
constexpr int kProgressHeight = 255;
constexpr int kPropHeight = 2655;
constexpr int kMinLeftWidth = 4230;
constexpr int kMinRightWidth = 4500;
constexpr int kPaneGap = 75;
constexpr int kListGap = 90;
constexpr int kSplitterWidth = 150;
constexpr int kTabInnerWidth = 240;
constexpr int kViewerInnerHeight = 600;

const QString kProjectFilter = QStringLiteral("Animated GIF Project(*.agp)|*.agp");

// Shows the busy pointer over the program while it lives.
class BusyPointer {
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

// Moves a widget to a place given in twips; a place with a negative size is not taken.
bool isBlank(const QString& text) { return text.trimmed().isEmpty(); }

}  // namespace

QString imageFilesFilter()
{
    static const QStringList entries{
        QStringLiteral("GIF Files (*.gif)|*.gif"),
        QStringLiteral("Bitmap (*.bmp)|*.bmp"),
        QStringLiteral("JPG/JPEG Files (*.jpg;*.jpeg)|*.jpg;*.jpeg"),
        QStringLiteral("Device Independent Bitmap (*.dib)|*.dib"),
        QStringLiteral("Enhanced Meta Files (*.emf)|*.emf"),
        QStringLiteral("ICB Files (*.icb)|*.icb"),
        QStringLiteral("ICON Files (*.ico)|*.ico"),
        QStringLiteral("Portable Bitmap Files (*.pbm)|*.pbm"),
        QStringLiteral("Photo CD Files (*.pcd)|*.pcd"),
        QStringLiteral("PCX Files (*.pcx)|*.pcx"),
        QStringLiteral("PGM Files (*.pgm)|*.pgm"),
        QStringLiteral("Portable Network Graphics (*.png)|*.png"),
        QStringLiteral("PPM Files (*.ppm)|*.ppm"),
        QStringLiteral("Photo Shop Files (*.psd)|*.psd"),
        QStringLiteral("Paint Shop Files (*.psp)|*.psp"),
        QStringLiteral("RLE Files (*.rle)|*.rle"),
        QStringLiteral("SGI Files (*.sgi)|*.sgi"),
        QStringLiteral("Targa Files (*.tga)|*.tga"),
        QStringLiteral("Tagged Image Format Files (*.tif;*.tiff)|*.tif;*.tiff"),
        QStringLiteral("VDA Files (*.vda)|*.vda"),
        QStringLiteral("VST Files (*.vst)|*.vst"),
        QStringLiteral("WBMP Files (*.wbmp)|*.wbmp"),
        QStringLiteral("Windows Meta Files (*.wmf)|*.wmf"),
        QStringLiteral("All Supported Image Files|*.bmp;*.dib;*.emf;*.gif;*.ico;*.jpg;*.jpeg;*.pbm;*.pcd;*.pcx;"
                       "*.pgm;*.png;*.ppm;*.psd;*.psp;*.rle;*.sgi;*.tga;*.vda;*.vst;*.wbmp;*.wmf"),
        QStringLiteral("All Files(*.*)|*.*"),
    };
    return entries.join(u'|');
}

MainWindow::MainWindow(const ProgramFolders& folders, Dialogs& dialogs, Shell& shell, QWidget* parent)
    : QMainWindow(parent), context_(folders, dialogs, shell)
{
    setObjectName(QStringLiteral("frmPictoreel"));
    applyCompactFont(this);
    programEnd_ = [] {
        QApplication::closeAllWindows();
        QCoreApplication::quit();
    };

    // Loading, in order: the panes laid out, the viewers...
    buildMenus();
    buildToolbar();
    buildStatusBar();
    buildPanes();
    connectPanel();
    resize(twipsToPixels(kClientWidth), twipsToPixels(kClientHeight) + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    picFrame->resize(twipsToPixels(kClientWidth),
                     twipsToPixels(kClientHeight - kToolbarHeight - kStatusBarHeight));
    int x = leftPaneTwips_;
    SizeControls(x);
    wpdlx1View->show();  // wpdlx2 is the hidden worker: a component without a view

    // ...the settings file, the temp folder (made, a failure reported) and the preview file...
    context_.loadProgramValues([this](const QString& message) {
        context_.dialogs().messageBox(this, message, QStringLiteral("Error"), MessageIcon::Critical,
                                      MessageButtons::Ok);
    });

    // ...an empty project, and Auto Size only for a list with rows.
    NewProject();
    applyAutoSizeRule();
}

MainWindow::~MainWindow()
{
    // The extractor asks this window for the temp folder, so it cannot outlive it.
    delete extractor_.data();
    // The viewers let go of their components, and the model of the list, before those go.
    delete wpdlx1View;
    delete wpdlx3View;
    wpdlx1View = wpdlx3View = nullptr;
    delete ListView1;
    ListView1 = nullptr;
    delete model_;
    model_ = nullptr;
}

// ---- building ----------------------------------------------------------------------------------

void MainWindow::buildMenus()
{
    struct Item {
        const char* caption;
        QKeySequence shortcut;
    };
    const auto build = [this](const char* name, const QString& caption, std::vector<QAction*>& items,
                              std::initializer_list<Item> entries, void (MainWindow::*dispatch)(int)) {
        QMenu* menu = menuBar()->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        items.assign(1, nullptr);
        int index = 0;
        for (const Item& entry : entries) {
            ++index;
            QAction* action = nullptr;
            if (QLatin1String(entry.caption) == QLatin1String("-")) {
                action = menu->addSeparator();
            } else {
                action = menu->addAction(QString::fromUtf8(entry.caption));
                action->setShortcut(entry.shortcut);
                connect(action, &QAction::triggered, this, [this, dispatch, index] { (this->*dispatch)(index); });
            }
            action->setObjectName(QLatin1String(name) + QStringLiteral("Sub%1").arg(index));
            items.push_back(action);
        }
        return menu;
    };
    mnuFile = build("mnuFile", QStringLiteral("&File"), mnuFileSub,
                    {{"&New Project ...", QKeySequence(Qt::CTRL | Qt::Key_N)},
                     {"&Open Project ...", QKeySequence(Qt::CTRL | Qt::Key_O)},
                     {"-", {}},
                     {"Sa&ve Project", QKeySequence(Qt::CTRL | Qt::Key_S)},
                     {"Sav&e Project As ...", {}},
                     {"-", {}},
                     {"&Add Image Files ...", QKeySequence(Qt::CTRL | Qt::Key_A)},
                     {"-", {}},
                     {"&Make .gif...", QKeySequence(Qt::CTRL | Qt::Key_F5)},
                     {"-", {}},
                     {"Recent Project Files ...", {}},
                     {"-", {}},
                     {"E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q)}},
                    &MainWindow::mnuFileSub_Click);
    mnuEdit = build("mnuEdit", QStringLiteral("&Edit"), mnuEditSub,
                    {{"&Check All Frames", {}},
                     {"&Uncheck All Frames", {}},
                     {"-", {}},
                     {"&Remove Checked Frames", {}},
                     {"Clear &All Frames", {}},
                     {"-", {}},
                     {"Move Highlight Frame &Up", {}},
                     {"Move Highlight Frame &Down", {}}},
                    &MainWindow::mnuEditSub_Click);
    mnuTools = build("mnuTools", QStringLiteral("&Tools"), mnuToolsSub,
                     {{"&Preview ...", {}},
                      {"&Animated GIF Player ...", {}},
                      {"Animated GIF Frames &Extractor ...", {}},
                      {"AVI to GIF Converter ...", {}},
                      {"GIF to AVI Converter ...", {}},
                      {"-", {}},
                      {"&Options ...", {}}},
                     &MainWindow::mnuToolsSub_Click);
    mnuHelp = build("mnuHelp", QStringLiteral("&Help"), mnuHelpSub,
                    {{"&Contents ...", QKeySequence(Qt::Key_F1)},
                     {"-", {}},
                     {"&Visit the Website", {}},
                     {"-", {}},
                     {"About Pictoreel ...", {}}},
                    &MainWindow::mnuHelpSub_Click);
}

void MainWindow::buildToolbar()
{
    static constexpr ToolbarButton kButtons[] = {
        {"new", "New", "Create a new croject"},
        {"open", "Open", "Open a project"},
        {"save", "Save", "Save the project"},
        {nullptr, nullptr, nullptr},
        {"add", "Add", "Add Frames"},
        {"del", "Del", "Delete checked frames"},
        {"up", "Up", "Move the highlighted frame up"},
        {"down", "Down", "Move the highlighted frame down"},
        {nullptr, nullptr, nullptr},
        {"preview", "View", "Preview the Animated GIF"},
        {"make", "Make", "Make Animated GIF"},
        {"play", "Play", "Play the generated animated GIF"},
        {nullptr, nullptr, nullptr},
        {"options", "Option", "Options Dialog"},
        {"help", "Help", "Open Help Document"},
    };
    Toolbar1 = addButtonToolbar(*this, kButtons, twipsToPixels(kToolbarHeight), toolbarButtons,
                                [this](const QString& key) { Toolbar1_ButtonClick(key); });
}

void MainWindow::buildStatusBar()
{
    const ProgressStatusBar status = addProgressStatusBar(*this, twipsToPixels(kStatusBarHeight), this);
    StatusBar1 = status.bar;
    statusPanel1 = status.panel;
    pbPer = status.progress;
    missingPanel_ = new QLabel(StatusBar1);
    missingPanel_->setObjectName(QStringLiteral("StatusBar1Panel2"));
    missingPanel_->setAccessibleName(QStringLiteral("Missing pictures"));
    StatusBar1->addPermanentWidget(missingPanel_);
}

void MainWindow::showMissingPictures(const std::vector<MissingPicture>& missing)
{
    model_->refreshMissingPictures();
    const auto count = static_cast<int>(missing.size());
    missingPanel_->setText(count == 0   ? QString()
                           : count == 1 ? tr("1 picture was missing")
                                        : tr("%1 pictures were missing").arg(count));
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
    for (int c = 0; c < kFrameColumnCount; ++c)
        ListView1->header()->resizeSection(c, twipsToPixels(FrameListModel::columnWidthTwips(c)));
    connect(ListView1, &FrameListView::rowClicked, this, [this] { ShowFrameProperties(); });

    // The grip lies under the right pane except for the gap between the panes, where it is
    // taken with the west-east pointer; the grey bar shows only while it is dragged.
    imgSplitter = new QWidget(picFrame);
    imgSplitter->setObjectName(QStringLiteral("imgSplitter"));

    picRight = new QWidget(picFrame);
    picRight->setObjectName(QStringLiteral("picRight"));
    SSTab2 = new QTabWidget(picRight);
    SSTab2->setObjectName(QStringLiteral("SSTab2"));
    SSTab2->setAccessibleName(QStringLiteral("Pictures"));
    const auto viewerTab = [this](ImagingComponent& component, const char* name, const QString& caption) {
        auto* page = new QWidget;
        auto* view = new ImageView(component, page);
        view->setObjectName(QLatin1String(name));
        view->setAccessibleName(caption);
        view->move(twipsToPixels(120) - 2, twipsToPixels(120) - 2);
        SSTab2->addTab(page, caption);
        return view;
    };
    wpdlx1View = viewerTab(wpdlx1, "wpdlx1", QStringLiteral("Frame Image"));
    wpdlx3View = viewerTab(wpdlx3, "wpdlx3", QStringLiteral("Original Image"));

    picSplitter = SplitterDrag::makeBar(picFrame);
    picSplitter->setObjectName(QStringLiteral("picSplitter"));
    imgSplitter->resize(twipsToPixels(kSplitterWidth), imgSplitter->height());
    splitter_ = new SplitterDrag(imgSplitter, picSplitter, kSplitterWidth, kMinLeftWidth, [this](int x) {
        SizeControls(x);
    });
}

void MainWindow::connectPanel()
{
    connect(SSTab1->cmdAutoW, &QPushButton::clicked, this, [this] { cmdAutoW_Click(); });
    connect(SSTab1->cmdAutoH, &QPushButton::clicked, this, [this] { cmdAutoH_Click(); });
    connect(SSTab1->cmdOutputFile, &QPushButton::clicked, this, [this] { cmdOutputFile_Click(); });
    connect(SSTab1, &PropertyPanel::outputFileKeyPressed, this, [this] { cmdOutputFile_Click(); });
    connect(SSTab1->cmdTransColor, &QPushButton::clicked, this, [this] { cmdTransColor_Click(); });
    connect(SSTab1->cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(SSTab1->cmdApplyAll, &QPushButton::clicked, this, [this] { cmdApplyAll_Click(); });
}

// ---- layout ------------------------------------------------------------------------------------

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
    } else if ((watched == StatusBar1 || watched == statusPanel1)
               && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) {
        placeProgressBar();
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- dispatch ----------------------------------------------------------------------------------

void MainWindow::applyAutoSizeRule()
{
    const bool any = !frames_.isEmpty();
    SSTab1->cmdAutoH->setEnabled(any);
    SSTab1->cmdAutoW->setEnabled(any);
}

void MainWindow::mnuFileSub_Click(int index)
{
    switch (index) {
    case 1:
        NewProject();
        AddFrames();
        break;
    case 2: OpenProject(); break;
    case 4: SaveProject(); break;
    case 5: SaveProjectAs(); break;
    case 7: AddFrames(); break;
    case 9: MakeGif(); break;
    case 11: ShowHistoryList(); break;
    case 13: exitProgram(); break;
    default: break;
    }
    applyAutoSizeRule();
}

void MainWindow::mnuEditSub_Click(int index)
{
    const auto noFilesNotice = [this] {
        if (frames_.isEmpty())
            context_.dialogs().inform(this, QStringLiteral("No files in the list!"));
    };
    switch (index) {
    case 1:
        noFilesNotice();
        frames_.SetAllChecked(true);
        break;
    case 2:
        noFilesNotice();
        frames_.SetAllChecked(false);
        break;
    case 4: RemoveCheckedFrames(); break;
    case 5:
        noFilesNotice();
        frames_.clear();
        break;
    case 7: MoveFrameUp(); break;
    case 8: MoveFrameDown(); break;
    default: break;
    }
    applyAutoSizeRule();
}

void MainWindow::mnuToolsSub_Click(int index)
{
    switch (index) {
    case 1: PreviewGif(); break;
    case 2: ShowPlayer(); break;
    case 3: ShowExtractor(); break;
    case 4: ShowAviToGif(); break;
    case 5: ShowGifToAvi(); break;
    case 7: ShowOptions(); break;
    default: break;
    }
}

void MainWindow::mnuHelpSub_Click(int index)
{
    switch (index) {
    case 1: ShowHelpContents(); break;
    case 3: ShellOpen(QLatin1String(kWebsiteAddress)); break;
    case 5: ShowAbout(); break;
    default: break;
    }
}

void MainWindow::Toolbar1_ButtonClick(const QString& key)
{
    if (key == u"new") {
        NewProject();
        AddFrames();
    } else if (key == u"open") {
        OpenProject();
    } else if (key == u"save") {
        SaveProject();
    } else if (key == u"preview") {
        PreviewGif();
    } else if (key == u"make") {
        MakeGif();
    } else if (key == u"play") {
        ShowPlayer();
    } else if (key == u"add") {
        AddFrames();
    } else if (key == u"del") {
        RemoveCheckedFrames();
    } else if (key == u"up") {
        MoveFrameUp();
    } else if (key == u"down") {
        MoveFrameDown();
    } else if (key == u"help") {
        ShowHelpContents();
    } else if (key == u"options") {
        ShowOptions();
    }
    applyAutoSizeRule();
}

// ---- project commands --------------------------------------------------------------------------

void MainWindow::setProjectFile(const QString& path)
{
    projectFile_ = path;
    setWindowTitle(projectWindowTitle(path));
}

void MainWindow::NewProject()
{
    setProjectFile(QString());
    frames_.clear();
    SSTab1->resetProjectProperties();
    SSTab1->resetFrameValues();
    SSTab1->clearFileFacts();
    wpdlx1.ClearImage();
    wpdlx2.ClearImage();
    wpdlx3.ClearImage();
}

void MainWindow::OpenProject()
{
    const auto chosen = context_.dialogs().openFile(this, {QStringLiteral("Open Project File (*.agp) ..."), kProjectFilter, {}});
    if (!chosen)
        return;
    OpenProjectFile(*chosen);
}

bool MainWindow::OpenProjectFile(const QString& strFile)
{
    // A picture or any other file that is not a project is not taken for one (the next save
    // would write over it): the user is told, and the current project stays as it is.
    if (!isBlank(strFile)) {
        if (Status usable = checkProjectFile(strFile); !usable) {
            context_.dialogs().inform(this, usable.error().message);
            return false;
        }
    }
    NewProject();
    QCoreApplication::processEvents();
    if (isBlank(strFile))
        return false;
    ProjectProperties properties = SSTab1->projectProperties();
    if (Status read = readProjectFile(strFile, properties, frames_); !read) {  // replaced since the check
        context_.dialogs().inform(this, read.error().message);
        return false;
    }
    SSTab1->setProjectProperties(properties);
    setProjectFile(strFile);
    AddToHistory(strFile, context_.settingsFile());
    ListView1->selectRow(1);
    ShowFrameProperties();
    ListView1->setFocus();
    return true;
}

void MainWindow::ShowHistoryList()
{
    auto* list = new HistoryDialog(context_, HistoryListMode::Open, this,
                                   [this](const QString& path) { return OpenProjectFile(path); });
    list->setAttribute(Qt::WA_DeleteOnClose);
    connect(list, &QDialog::finished, this, [this] { applyAutoSizeRule(); });
    list->open();
}

void MainWindow::SaveProject()
{
    // The project takes the chosen name only once it is written there (WriteProjectFile).
    QString file = projectFile_;
    if (file.isEmpty()) {
        const auto chosen =
            context_.dialogs().saveFile(this, {QStringLiteral("Save Project As (*.agp)..."), kProjectFilter, {}});
        if (!chosen)
            return;
        file = *chosen;
    }
    if (!file.isEmpty())
        WriteProjectFile(file);
}

void MainWindow::SaveProjectAs()
{
    const auto chosen = context_.dialogs().saveFile(this, {QStringLiteral("Save Project As ..."), kProjectFilter, {}});
    if (!chosen)
        return;
    WriteProjectFile(*chosen);
}

void MainWindow::WriteProjectFile(const QString& path)
{
    // Never over a picture or any other file that is not a project: refused before anything
    // changes, the output name included.
    if (!isBlank(path)) {
        if (Status usable = checkProjectFile(path); !usable) {
            context_.dialogs().inform(this, usable.error().message);
            return;
        }
    }
    ProjectProperties properties = SSTab1->projectProperties();
    if (isBlank(properties.outputFile)) {
        properties.outputFile = proposeOutputFile(path);
        SSTab1->txtOutputFile->setText(properties.outputFile);
    }
    if (isBlank(path))
        return;
    const Status written = writeProjectFile(path, frames_, properties);
    if (!written && written.error().code == ErrorCode::UnsupportedFormat) {  // replaced since the check
        context_.dialogs().inform(this, written.error().message);
        return;
    }
    // A file that cannot be written is not reported; the project takes its name all the same.
    setProjectFile(path);
    AddToHistory(path, context_.settingsFile());
}

// ---- frame editing -----------------------------------------------------------------------------

void MainWindow::AddFrames()
{
    const bool wasEmpty = frames_.isEmpty();
    const QStringList paths =
        context_.dialogs().openFiles(this, {QStringLiteral("Open Image Files ..."), imageFilesFilter(), {}});
    if (paths.isEmpty())
        return;
    for (const QString& path : paths) {
        if (!frames_.AddFrameEntry(path, SSTab1->frameValues()).ok())
            return;  // the frame values cannot make a row: the command ends, added rows stay
    }
    frames_.RenumberFrames();
    if (ListView1->selectedRow() == 0)
        ListView1->selectRow(1);
    ShowFrameProperties();
    ListView1->setFocus();
    if (wasEmpty) {
        cmdAutoW_Click();
        cmdAutoH_Click();
    }
}

void MainWindow::RemoveCheckedFrames()
{
    if (frames_.isEmpty())
        context_.dialogs().inform(this, QStringLiteral("No files in the list!"));
    frames_.removeCheckedRows();
    frames_.RenumberFrames();
    ShowFrameProperties();
    ListView1->setFocus();
}

void MainWindow::MoveFrameUp()
{
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, QStringLiteral("There is no frames for moving, Please add frames first"));
        return;
    }
    const int i = ListView1->selectedRow();
    if (i == 0)
        return;  // nothing highlighted: passed over
    if (i < 2) {
        context_.dialogs().inform(this, QStringLiteral("The frame is already at the top."));
        return;
    }
    SwapFrames(i - 1, i);
}

void MainWindow::MoveFrameDown()
{
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, QStringLiteral("There is no frames for moving, Please add frames first"));
        return;
    }
    const int i = ListView1->selectedRow();
    if (i == 0)
        return;
    if (i >= frames_.rowCount()) {
        context_.dialogs().inform(this, QStringLiteral("The frame is already at the bottom."));
        return;
    }
    SwapFrames(i + 1, i);
}

void MainWindow::SwapFrames(int a, int b)
{
    frames_.SwapFrames(a, b);
    ListView1->selectRow(a);
    ListView1->setFocus();
}

void MainWindow::ShowFrameProperties()
{
    if (frames_.isEmpty())
        return;
    const int i = ListView1->selectedRow();
    if (i < 1 || i > frames_.rowCount())
        return;
    BusyPointer busy;
    const QString width = SSTab1->txtWidth->text(), height = SSTab1->txtHeight->text();
    const FrameConversion conversion = frameConversionFor(frames_, i, context_.tempFolder(), width, height);
    wpdlx2.ClearImage();
    const Result<QString> frameGif = frameGifFor(conversion, wpdlx2);
    wpdlx1.ClearImage();
    if (frameGif && !frameGif.value().isEmpty())
        (void)wpdlx1.LoadImage(frameGif.value());
    wpdlx3.ClearImage();
    (void)wpdlx3.LoadImage(conversion.picture);

    SSTab1->chkTrans->setChecked(frames_.GetFrameTrans(i));
    if (const auto colour = frames_.GetFrameTransColor(i))
        SSTab1->setTransColor(*colour);
    SSTab1->txtInterval->setText(QString::number(frames_.GetFrameInterval(i)));
    SSTab1->lWidth->setText(QString::number(wpdlx3.ImageWidth()) + QStringLiteral(" Pixels"));
    SSTab1->lHeight->setText(QString::number(wpdlx3.ImageHeight()) + QStringLiteral(" Pixels"));
    SSTab1->lName->setText(frames_.GetFrameFileName(i));
    SSTab1->lPath->setText(frames_.GetFrameFullPath(i));
    SSTab1->lSize->setText(FileSizeText(conversion.picture));
}

void MainWindow::cmdAutoW_Click()
{
    const int w = wpdlx3.ImageWidth();
    if (w > 1) {
        SSTab1->txtWidth->setText(QString::number(w));
        ShowFrameProperties();
    }
}

void MainWindow::cmdAutoH_Click()
{
    const int h = wpdlx3.ImageHeight();
    if (h > 1) {
        SSTab1->txtHeight->setText(QString::number(h));
        ShowFrameProperties();
    }
}

void MainWindow::cmdOutputFile_Click()
{
    const auto chosen = context_.dialogs().saveFile(
        this, {QStringLiteral("Set a gif file name for output ..."), QStringLiteral("Animated GIF Files|*.gif"), {}});
    if (chosen)
        SSTab1->txtOutputFile->setText(*chosen);
}

void MainWindow::cmdTransColor_Click()
{
    if (const auto colour = context_.dialogs().chooseColor(this))
        SSTab1->setTransColor(*colour);
}

void MainWindow::writeFrameValues(int row)
{
    frames_.setColumn(row, FrameColumn::Interval, SSTab1->txtInterval->text());
    frames_.setColumn(row, FrameColumn::Trans,
                      SSTab1->chkTrans->isChecked() ? QStringLiteral("YES") : QStringLiteral("NO"));
    frames_.setColumn(row, FrameColumn::TransColor, QString::number(SSTab1->transColor()));
}

void MainWindow::cmdApply_Click()
{
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, QStringLiteral("No frames now!"));
        return;
    }
    if (const int i = ListView1->selectedRow(); i >= 1)
        writeFrameValues(i);
}

void MainWindow::cmdApplyAll_Click()
{
    if (frames_.isEmpty()) {
        context_.dialogs().inform(this, QStringLiteral("No frames now!"));
        return;
    }
    for (int i = 1; i <= frames_.rowCount(); ++i)
        writeFrameValues(i);
}

// ---- make, preview and the player ---------------------------------------------------------------

MakeCommands& MainWindow::makeCommands()
{
    if (!makeCommands_) {
        MakeHost host;
        host.window = this;
        host.context = &context_;
        host.frames = &frames_;
        host.panel = SSTab1;
        host.pbPer = pbPer;
        host.chooseOutputFile = [this] { cmdOutputFile_Click(); };
        host.projectFile = [this] { return projectFile_; };
        host.picturesMissing = [this](const std::vector<MissingPicture>& missing) { showMissingPictures(missing); };
        makeCommands_ = new MakeCommands(std::move(host), this);
    }
    return *makeCommands_;
}

void MainWindow::MakeGif() { makeCommands().MakeGif(); }
void MainWindow::PreviewGif() { makeCommands().PreviewGif(); }
void MainWindow::ShowPlayer() { makeCommands().ShowPlayer(); }
bool MainWindow::isMakingGif() const { return makeCommands_ && makeCommands_->isBusy(); }

// ---- tool windows ------------------------------------------------------------------------------

void MainWindow::setWindowRunner(WindowRunner runner)
{
    runModal_ = std::move(runner);
    makeCommands().setWindowRunner(runModal_ ? runModal_ : WindowRunner(execWindow));
}

void MainWindow::ShowExtractor()
{
    if (!extractor_)
        // A top-level window of its own: closing the main window leaves it open, and the program
        // runs on until it is closed too.
        extractor_ = new frmExtractor(context_.dialogs(), [this] { return context_.tempFolder(); });
    extractor_->show();
    extractor_->raise();
    extractor_->activateWindow();
}

frmExtractor* MainWindow::extractorWindow() const { return extractor_.data(); }

void MainWindow::ShowOptions()
{
    showModal(new OptionsDialog(context_, runModal_, this), runModal_);
}

void MainWindow::ShowAviToGif()
{
    showModal(new frmAVI2GIF(context_.dialogs(), this), runModal_);
}

void MainWindow::ShowGifToAvi()
{
    showModal(new frmGIF2AVI(context_.dialogs(), this), runModal_);
}

void MainWindow::ShowAbout()
{
    showModal(new AboutDialog(context_.helpFile(QStringLiteral("vimo.gif")), context_.shell(), this), runModal_);
}

// ---- help --------------------------------------------------------------------------------------

void MainWindow::ShowHelpContents()
{
    const QString helpFile = context_.helpFile(QStringLiteral("pictoreel.chm"));
    if (QFileInfo::exists(helpFile))
        ShellOpen(helpFile);
    else
        ShellOpen(joinPath(context_.helpFile(QStringLiteral("help")), QStringLiteral("index.html")));
}

void MainWindow::ShellOpen(const QString& target) { (void)context_.shell().open(target); }

// ---- closing -----------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (isMakingGif()) {  // the frames and the temp folder are in use until the make ends
        event->ignore();
        return;
    }
    bool cancelled = false;
    if (!frames_.isEmpty()) {
        switch (context_.dialogs().messageBox(this, QStringLiteral("Would you like to save the project before closing?"),
                                    QStringLiteral("Save Before Closing"), MessageIcon::Question,
                                    MessageButtons::YesNoCancel)) {
        case MessageAnswer::Yes: SaveProject(); break;
        case MessageAnswer::Cancel: cancelled = true; break;
        default: break;
        }
    }
    {
        BusyPointer busy;
        deleteTempGifs(context_.tempFolder());
    }
    if (cancelled)
        event->ignore();
    else
        event->accept();
}

void MainWindow::exitProgram()
{
    if (close() && programEnd_)
        programEnd_();
}

}  // namespace pictoreel
