// The main window's menus and toolbar, and what their commands run.
#include "gui/main_window.h"

#include "gui/about_dialog.h"
#include "gui/button_toolbar.h"
#include "gui/dialogs.h"
#include "gui/property_panel.h"
#include "gui/twips.h"

#include <QMenuBar>
#include <QPushButton>

namespace pictoreel {

// ---- building -----------------------------------------------------------------------------------

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
    Toolbar1 = addButtonToolbar(*this, kButtons, twipsToPixels(kToolbarHeightTwips), toolbarButtons,
                                [this](const QString& key) { Toolbar1_ButtonClick(key); });
}

// ---- dispatch -----------------------------------------------------------------------------------

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

}  // namespace pictoreel
