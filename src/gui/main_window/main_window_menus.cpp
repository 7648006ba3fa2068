// The main window's menus and toolbar: every entry is an action of its own, named as the menus
// number their entries ("mnuFileSub1" ... , separators included) or after its toolbar key
// ("Toolbar1_new"), and runs one command.
#include "gui/main_window/main_window.h"

#include "gui/widgets/button_toolbar.h"
#include "gui/main_window/file_commands.h"
#include "gui/main_window/frame_list_commands.h"
#include "gui/main_window/make_commands.h"
#include "gui/main_window/sequence_commands.h"
#include "gui/main_window/undo_commands.h"
#include "gui/player/player_window.h"
#include "gui/main_window/property_panel.h"
#include "gui/main_window/record_screen_command.h"
#include "gui/main_window/thumbnail_toggle.h"
#include "gui/widgets/twips.h"

#include <QMenuBar>
#include <QToolBar>

namespace pictoreel {

namespace {

using Command = std::function<void()>;

// An entry of a menu: its caption, shortcut and command; a null command makes a separator. The
// entries are named by their place ("mnuFileSub7") unless they carry a name of their own, which
// leaves the places of the others as they were.
struct MenuEntry {
    const char* caption;
    QKeySequence shortcut;
    Command command;
    const char* name = nullptr;
};

// A command of one of the window's command classes (all made before any entry can be triggered),
// of its make commands (made on first use), or of the window's own.
template <class Commands>
Command commandOf(const std::unique_ptr<Commands>& commands, void (Commands::*command)())
{
    return [&commands, command] { ((*commands).*command)(); };
}

Command makeCommandOf(MainWindow* window, void (MakeCommands::*command)())
{
    return [window, command] { (window->makeCommands().*command)(); };
}

Command commandOf(MainWindow* window, void (MainWindow::*command)())
{
    return [window, command] { (window->*command)(); };
}

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
                action = menu->addAction(tr(entry.caption));
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
    fileMenu_ = build("mnuFile", tr("&File"), true,
                    {{QT_TR_NOOP("&New Project ..."), QKeySequence(Qt::CTRL | Qt::Key_N), commandOf(fileCommands_, &FileCommands::StartNewProject)},
                     {QT_TR_NOOP("&Open Project ..."), QKeySequence(Qt::CTRL | Qt::Key_O), commandOf(fileCommands_, &FileCommands::OpenProject)},
                     separator,
                     {QT_TR_NOOP("Sa&ve Project"), QKeySequence(Qt::CTRL | Qt::Key_S), commandOf(fileCommands_, &FileCommands::SaveProject)},
                     {QT_TR_NOOP("Sav&e Project As ..."), {}, commandOf(fileCommands_, &FileCommands::SaveProjectAs)},
                     separator,
                     {QT_TR_NOOP("&Add Image Files ..."), QKeySequence(Qt::CTRL | Qt::Key_A), commandOf(frameListCommands_, &FrameListCommands::AddFrames)},
                     {QT_TR_NOOP("Add Video Frames ..."), {}, commandOf(this, &MainWindow::AddVideoFrames), "mnuAddVideoFrames"},
                     {QT_TR_NOOP("Import Animation Frames ..."), {}, commandOf(this, &MainWindow::ImportAnimationFrames), "mnuImportAnimationFrames"},
                     separator,
                     {QT_TR_NOOP("&Make .gif..."), QKeySequence(Qt::CTRL | Qt::Key_F5), makeCommandOf(this, &MakeCommands::MakeGif)},
                     separator,
                     {QT_TR_NOOP("Recent Project Files ..."), {}, commandOf(fileCommands_, &FileCommands::ShowHistoryList)},
                     separator,
                     {QT_TR_NOOP("E&xit"), QKeySequence(Qt::CTRL | Qt::Key_Q), commandOf(fileCommands_, &FileCommands::exitProgram)}});
    editMenu_ = build("mnuEdit", tr("&Edit"), true,
                    {{QT_TR_NOOP("U&ndo"), QKeySequence(Qt::CTRL | Qt::Key_Z), commandOf(undoCommands_, &UndoCommands::undoChange), "mnuEditUndo"},
                     {QT_TR_NOOP("R&edo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), commandOf(undoCommands_, &UndoCommands::redoChange), "mnuEditRedo"},
                     {"-", {}, nullptr, "mnuEditUndoSep"},
                     {QT_TR_NOOP("&Check All Frames"), {}, commandOf(frameListCommands_, &FrameListCommands::CheckAllFrames)},
                     {QT_TR_NOOP("&Uncheck All Frames"), {}, commandOf(frameListCommands_, &FrameListCommands::UncheckAllFrames)},
                     separator,
                     {QT_TR_NOOP("&Remove Checked Frames"), {}, commandOf(frameListCommands_, &FrameListCommands::RemoveCheckedFrames)},
                     {QT_TR_NOOP("Clear &All Frames"), {}, commandOf(frameListCommands_, &FrameListCommands::ClearAllFrames)},
                     separator,
                     {QT_TR_NOOP("Move Highlight Frame &Up"), {}, commandOf(frameListCommands_, &FrameListCommands::MoveFrameUp)},
                     {QT_TR_NOOP("Move Highlight Frame &Down"), {}, commandOf(frameListCommands_, &FrameListCommands::MoveFrameDown)},
                     separator,
                     {QT_TR_NOOP("Re&verse Frames"), {}, commandOf(sequenceCommands_, &SequenceCommands::ReverseFrames), "mnuEditReverse"},
                     {QT_TR_NOOP("&Ping-Pong"), {}, commandOf(sequenceCommands_, &SequenceCommands::PingPongFrames), "mnuEditPingPong"},
                     {QT_TR_NOOP("Mer&ge Repeated Frames"), {}, commandOf(this, &MainWindow::MergeRepeatedFrames), "mnuEditMergeRepeated"},
                     {QT_TR_NOOP("Set Delay from &Frame Rate ..."), {}, commandOf(sequenceCommands_, &SequenceCommands::SetDelayFromFrameRate), "mnuEditDelayFromFps"}});
    undoAction_ = editMenu_->findChild<QAction*>(QStringLiteral("mnuEditUndo"));
    redoAction_ = editMenu_->findChild<QAction*>(QStringLiteral("mnuEditRedo"));
    redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addThumbnailToggle(editMenu_, *this);
    // The trims, the change of speed and the copy of the made GIF come after every older entry.
    editMenu_->addSeparator()->setObjectName(QStringLiteral("mnuEditTrimSep"));
    for (const MenuEntry& entry : {MenuEntry{QT_TR_NOOP("Delete Frames &Before"), {}, commandOf(sequenceCommands_, &SequenceCommands::DeleteFramesBefore), "mnuEditDeleteBefore"},
                                   MenuEntry{QT_TR_NOOP("De&lete Frames After"), {}, commandOf(sequenceCommands_, &SequenceCommands::DeleteFramesAfter), "mnuEditDeleteAfter"},
                                   MenuEntry{QT_TR_NOOP("Change &Speed ..."), {}, commandOf(sequenceCommands_, &SequenceCommands::ChangeSpeed), "mnuEditChangeSpeed"},
                                   MenuEntry{QT_TR_NOOP("Cop&y GIF"), {}, commandOf(this, &MainWindow::CopyGif), "mnuEditCopyGif"}}) {
        QAction* action = editMenu_->addAction(tr(entry.caption));
        action->setObjectName(QLatin1String(entry.name));
        connect(action, &QAction::triggered, this, entry.command);
        connect(action, &QAction::triggered, this, &MainWindow::applyAutoSizeRule);
    }
    // The edits of the frames' picture and the captions drawn over them, after those.
    editMenu_->addSeparator()->setObjectName(QStringLiteral("mnuEditShapeSep"));
    for (const MenuEntry& entry : {MenuEntry{QT_TR_NOOP("Captions ..."), {}, commandOf(this, &MainWindow::EditCaptions), "mnuEditCaptions"},
                                   MenuEntry{QT_TR_NOOP("Crop ..."), {}, commandOf(this, &MainWindow::EditCrop), "mnuEditCrop"},
                                   MenuEntry{QT_TR_NOOP("Rotate 90° Left"), {}, commandOf(this, &MainWindow::RotateLeft), "mnuEditRotateLeft"},
                                   MenuEntry{QT_TR_NOOP("Rotate 90° Right"), {}, commandOf(this, &MainWindow::RotateRight), "mnuEditRotateRight"},
                                   MenuEntry{QT_TR_NOOP("Rotate 180°"), {}, commandOf(this, &MainWindow::Rotate180), "mnuEditRotate180"},
                                   MenuEntry{QT_TR_NOOP("Flip Horizontal"), {}, commandOf(this, &MainWindow::FlipHorizontal), "mnuEditFlipHorizontal"},
                                   MenuEntry{QT_TR_NOOP("Flip Vertical"), {}, commandOf(this, &MainWindow::FlipVertical), "mnuEditFlipVertical"}}) {
        QAction* action = editMenu_->addAction(tr(entry.caption));
        action->setObjectName(QLatin1String(entry.name));
        connect(action, &QAction::triggered, this, entry.command);
    }
    toolsMenu_ = build("mnuTools", tr("&Tools"), false,
                     {{QT_TR_NOOP("&Preview ..."), {}, makeCommandOf(this, &MakeCommands::PreviewGif)},
                      {QT_TR_NOOP("&Animated GIF Player ..."), {}, makeCommandOf(this, &MakeCommands::ShowPlayer)},
                      {QT_TR_NOOP("Animated GIF Frames &Extractor ..."), {}, commandOf(this, &MainWindow::ShowExtractor)},
                      {QT_TR_NOOP("AVI to GIF Converter ..."), {}, commandOf(this, &MainWindow::ShowAviToGif)},
                      {QT_TR_NOOP("GIF to AVI Converter ..."), {}, commandOf(this, &MainWindow::ShowGifToAvi)},
                      separator,
                      {QT_TR_NOOP("&Options ..."), {}, commandOf(this, &MainWindow::ShowOptions)},
                      {"-", {}, nullptr, "mnuToolsRecordSep"},
                      {QT_TR_NOOP("Record Screen ..."), {}, commandOf(this, &MainWindow::RecordScreen), "mnuToolsRecordScreen"}});
    explainRecordScreen(*toolsMenu_->findChild<QAction*>(QStringLiteral("mnuToolsRecordScreen")));
    helpMenu_ = build("mnuHelp", tr("&Help"), false,
                    {{QT_TR_NOOP("&Contents ..."), QKeySequence(Qt::Key_F1), commandOf(this, &MainWindow::ShowHelpContents)},
                     separator,
                     {QT_TR_NOOP("&Visit the Website"), {}, commandOf(this, &MainWindow::VisitWebsite)},
                     separator,
                     {QT_TR_NOOP("About Pictoreel ..."), {}, commandOf(this, &MainWindow::ShowAbout)}});
}

void MainWindow::buildToolbar()
{
    static constexpr ToolbarButton kButtons[] = {
        {"new", QT_TR_NOOP("New"), QT_TR_NOOP("Create a new croject")},
        {"open", QT_TR_NOOP("Open"), QT_TR_NOOP("Open a project")},
        {"save", QT_TR_NOOP("Save"), QT_TR_NOOP("Save the project")},
        {nullptr, nullptr, nullptr},
        {"add", QT_TR_NOOP("Add"), QT_TR_NOOP("Add Frames")},
        {"del", QT_TR_NOOP("Del"), QT_TR_NOOP("Delete checked frames")},
        {"up", QT_TR_NOOP("Up"), QT_TR_NOOP("Move the highlighted frame up")},
        {"down", QT_TR_NOOP("Down"), QT_TR_NOOP("Move the highlighted frame down")},
        {nullptr, nullptr, nullptr},
        {"preview", QT_TR_NOOP("View"), QT_TR_NOOP("Preview the Animated GIF")},
        {"make", QT_TR_NOOP("Make"), QT_TR_NOOP("Make Animated GIF")},
        {"play", QT_TR_NOOP("Play"), QT_TR_NOOP("Play the generated animated GIF")},
        {nullptr, nullptr, nullptr},
        {"options", QT_TR_NOOP("Option"), QT_TR_NOOP("Options Dialog")},
        {"help", QT_TR_NOOP("Help"), QT_TR_NOOP("Open Help Document")},
    };
    toolbar_ = addButtonToolbar(*this, kButtons, twipsToPixels(kToolbarHeightTwips));
    // Every button applies the Auto Size rule after its command.
    const std::pair<const char*, Command> commands[] = {
        {"new", commandOf(fileCommands_, &FileCommands::StartNewProject)},
        {"open", commandOf(fileCommands_, &FileCommands::OpenProject)},
        {"save", commandOf(fileCommands_, &FileCommands::SaveProject)},
        {"add", commandOf(frameListCommands_, &FrameListCommands::AddFrames)},
        {"del", commandOf(frameListCommands_, &FrameListCommands::RemoveCheckedFrames)},
        {"up", commandOf(frameListCommands_, &FrameListCommands::MoveFrameUp)},
        {"down", commandOf(frameListCommands_, &FrameListCommands::MoveFrameDown)},
        {"preview", makeCommandOf(this, &MakeCommands::PreviewGif)},
        {"make", makeCommandOf(this, &MakeCommands::MakeGif)},
        {"play", makeCommandOf(this, &MakeCommands::ShowPlayer)},
        {"options", commandOf(this, &MainWindow::ShowOptions)},
        {"help", commandOf(this, &MainWindow::ShowHelpContents)},
    };
    for (const auto& [key, command] : commands) {
        QAction* button = toolbarButton(*toolbar_, key);
        connect(button, &QAction::triggered, this, command);
        connect(button, &QAction::triggered, this, &MainWindow::applyAutoSizeRule);
    }
}

// ---- the Auto Size rule ------------------------------------------------------------------------

void MainWindow::applyAutoSizeRule()
{
    panel_->setAutoSizeEnabled(!frames_.isEmpty());
}

}  // namespace pictoreel
