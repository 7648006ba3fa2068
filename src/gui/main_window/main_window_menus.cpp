// The main window's menus and toolbar: every entry is an action of its own, named as the menus
// number their entries ("mnuFileSub1" ... , separators included) or after its toolbar key
// ("Toolbar1_new"), and runs one command.
#include "gui/main_window/main_window.h"

#include "gui/widgets/button_toolbar.h"
#include "gui/main_window/property_panel.h"
#include "gui/main_window/record_screen_command.h"
#include "gui/main_window/thumbnail_toggle.h"
#include "gui/widgets/twips.h"

#include <QMenuBar>
#include <QToolBar>

namespace pictoreel {

namespace {

using Command = void (MainWindow::*)();

// An entry of a menu: its caption, shortcut and command; a null command makes a separator. The
// entries are named by their place ("mnuFileSub7") unless they carry a name of their own, which
// leaves the places of the others as they were.
struct MenuEntry {
    const char* caption;
    QKeySequence shortcut;
    Command command;
    const char* name = nullptr;
};

}  // namespace

// ---- building ----------------------------------------------------------------------------------

void MainWindow::buildMenus()
{
    // `followRule`: the File and Edit menus apply the Auto Size rule after each command.
    const auto build = [this](const char* name, const QString& caption, bool followRule,
                              std::initializer_list<MenuEntry> entries) {
        QMenu* menu = menuBar()->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        int index = 0;
        for (const MenuEntry& entry : entries) {
            QAction* action = nullptr;
            if (!entry.command) {
                action = menu->addSeparator();
            } else {
                action = menu->addAction(QString::fromUtf8(entry.caption));
                action->setShortcut(entry.shortcut);
                connect(action, &QAction::triggered, this, entry.command);
                if (followRule)
                    connect(action, &QAction::triggered, this, &MainWindow::applyAutoSizeRule);
            }
            action->setObjectName(entry.name ? QString::fromLatin1(entry.name) : QLatin1String(name) + QStringLiteral("Sub%1").arg(++index));
        }
        return menu;
    };
    const MenuEntry separator{"-", {}, nullptr};
    mnuFile = build("mnuFile", QStringLiteral("&File"), true,
                    {{"&New Project ...", QKeySequence(Qt::CTRL | Qt::Key_N), &MainWindow::StartNewProject},
                     {"&Open Project ...", QKeySequence(Qt::CTRL | Qt::Key_O), &MainWindow::OpenProject},
                     separator,
                     {"Sa&ve Project", QKeySequence(Qt::CTRL | Qt::Key_S), &MainWindow::SaveProject},
                     {"Sav&e Project As ...", {}, &MainWindow::SaveProjectAs},
                     separator,
                     {"&Add Image Files ...", QKeySequence(Qt::CTRL | Qt::Key_A), &MainWindow::AddFrames},
                     {"Add Video Frames ...", {}, &MainWindow::AddVideoFrames, "mnuAddVideoFrames"},
                     {"Import Animation Frames ...", {}, &MainWindow::ImportAnimationFrames, "mnuImportAnimationFrames"},
                     separator,
                     {"&Make .gif...", QKeySequence(Qt::CTRL | Qt::Key_F5), &MainWindow::MakeGif},
                     separator,
                     {"Recent Project Files ...", {}, &MainWindow::ShowHistoryList},
                     separator,
                     {"E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q), &MainWindow::exitProgram}});
    mnuEdit = build("mnuEdit", QStringLiteral("&Edit"), true,
                    {{"U&ndo", QKeySequence(Qt::CTRL | Qt::Key_Z), &MainWindow::undoChange, "mnuEditUndo"},
                     {"R&edo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &MainWindow::redoChange, "mnuEditRedo"},
                     {"-", {}, nullptr, "mnuEditUndoSep"},
                     {"&Check All Frames", {}, &MainWindow::CheckAllFrames},
                     {"&Uncheck All Frames", {}, &MainWindow::UncheckAllFrames},
                     separator,
                     {"&Remove Checked Frames", {}, &MainWindow::RemoveCheckedFrames},
                     {"Clear &All Frames", {}, &MainWindow::ClearAllFrames},
                     separator,
                     {"Move Highlight Frame &Up", {}, &MainWindow::MoveFrameUp},
                     {"Move Highlight Frame &Down", {}, &MainWindow::MoveFrameDown},
                     separator,
                     {"Re&verse Frames", {}, &MainWindow::ReverseFrames, "mnuEditReverse"},
                     {"&Ping-Pong", {}, &MainWindow::PingPongFrames, "mnuEditPingPong"},
                     {"Mer&ge Repeated Frames", {}, &MainWindow::MergeRepeatedFrames, "mnuEditMergeRepeated"},
                     {"Set Delay from &Frame Rate ...", {}, &MainWindow::SetDelayFromFrameRate, "mnuEditDelayFromFps"}});
    mnuEditUndo = mnuEdit->findChild<QAction*>(QStringLiteral("mnuEditUndo"));
    mnuEditRedo = mnuEdit->findChild<QAction*>(QStringLiteral("mnuEditRedo"));
    mnuEditRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addThumbnailToggle(mnuEdit, *this);
    // The trims, the change of speed and the copy of the made GIF come after every older entry.
    mnuEdit->addSeparator()->setObjectName(QStringLiteral("mnuEditTrimSep"));
    for (const MenuEntry& entry : {MenuEntry{"Delete Frames &Before", {}, &MainWindow::DeleteFramesBefore, "mnuEditDeleteBefore"},
                                   MenuEntry{"De&lete Frames After", {}, &MainWindow::DeleteFramesAfter, "mnuEditDeleteAfter"},
                                   MenuEntry{"Change &Speed ...", {}, &MainWindow::ChangeSpeed, "mnuEditChangeSpeed"},
                                   MenuEntry{"Cop&y GIF", {}, &MainWindow::CopyGif, "mnuEditCopyGif"}}) {
        QAction* action = mnuEdit->addAction(QString::fromUtf8(entry.caption));
        action->setObjectName(QLatin1String(entry.name));
        connect(action, &QAction::triggered, this, entry.command);
        connect(action, &QAction::triggered, this, &MainWindow::applyAutoSizeRule);
    }
    // The edits of the frames' picture and the captions drawn over them, after those.
    mnuEdit->addSeparator()->setObjectName(QStringLiteral("mnuEditShapeSep"));
    for (const MenuEntry& entry : {MenuEntry{"Captions ...", {}, &MainWindow::EditCaptions, "mnuEditCaptions"},
                                   MenuEntry{"Crop ...", {}, &MainWindow::EditCrop, "mnuEditCrop"},
                                   MenuEntry{"Rotate 90° Left", {}, &MainWindow::RotateLeft, "mnuEditRotateLeft"},
                                   MenuEntry{"Rotate 90° Right", {}, &MainWindow::RotateRight, "mnuEditRotateRight"},
                                   MenuEntry{"Rotate 180°", {}, &MainWindow::Rotate180, "mnuEditRotate180"},
                                   MenuEntry{"Flip Horizontal", {}, &MainWindow::FlipHorizontal, "mnuEditFlipHorizontal"},
                                   MenuEntry{"Flip Vertical", {}, &MainWindow::FlipVertical, "mnuEditFlipVertical"}}) {
        QAction* action = mnuEdit->addAction(QString::fromUtf8(entry.caption));
        action->setObjectName(QLatin1String(entry.name));
        connect(action, &QAction::triggered, this, entry.command);
    }
    mnuTools = build("mnuTools", QStringLiteral("&Tools"), false,
                     {{"&Preview ...", {}, &MainWindow::PreviewGif},
                      {"&Animated GIF Player ...", {}, &MainWindow::ShowPlayer},
                      {"Animated GIF Frames &Extractor ...", {}, &MainWindow::ShowExtractor},
                      {"AVI to GIF Converter ...", {}, &MainWindow::ShowAviToGif},
                      {"GIF to AVI Converter ...", {}, &MainWindow::ShowGifToAvi},
                      separator,
                      {"&Options ...", {}, &MainWindow::ShowOptions},
                      {"-", {}, nullptr, "mnuToolsRecordSep"},
                      {"Record Screen ...", {}, &MainWindow::RecordScreen, "mnuToolsRecordScreen"}});
    explainRecordScreen(*mnuTools->findChild<QAction*>(QStringLiteral("mnuToolsRecordScreen")));
    mnuHelp = build("mnuHelp", QStringLiteral("&Help"), false,
                    {{"&Contents ...", QKeySequence(Qt::Key_F1), &MainWindow::ShowHelpContents},
                     separator,
                     {"&Visit the Website", {}, &MainWindow::VisitWebsite},
                     separator,
                     {"About Pictoreel ...", {}, &MainWindow::ShowAbout}});
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
    Toolbar1 = addButtonToolbar(*this, kButtons, twipsToPixels(kToolbarHeightTwips));
    // Every button applies the Auto Size rule after its command.
    const std::pair<const char*, Command> commands[] = {
        {"new", &MainWindow::StartNewProject}, {"open", &MainWindow::OpenProject},
        {"save", &MainWindow::SaveProject},    {"add", &MainWindow::AddFrames},
        {"del", &MainWindow::RemoveCheckedFrames}, {"up", &MainWindow::MoveFrameUp},
        {"down", &MainWindow::MoveFrameDown},  {"preview", &MainWindow::PreviewGif},
        {"make", &MainWindow::MakeGif},        {"play", &MainWindow::ShowPlayer},
        {"options", &MainWindow::ShowOptions}, {"help", &MainWindow::ShowHelpContents},
    };
    for (const auto& [key, command] : commands) {
        QAction* button = toolbarButton(*Toolbar1, key);
        connect(button, &QAction::triggered, this, command);
        connect(button, &QAction::triggered, this, &MainWindow::applyAutoSizeRule);
    }
}

// ---- the Auto Size rule ------------------------------------------------------------------------

void MainWindow::applyAutoSizeRule()
{
    SSTab1->setAutoSizeEnabled(!frames_.isEmpty());
}

}  // namespace pictoreel
