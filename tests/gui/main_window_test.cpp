// Start-up, closing, menus, toolbar and the help commands of the main window.
#include "gui/support/gui_test.h"
#include "core/project/settings_store.h"
#include "gui/application_setup.h"
#include "gui/support/window_fixture.h"

namespace pictoreel::testing {
namespace {

using Kind = DialogCall::Kind;

TEST_F(WindowTest, StartsOnAnEmptyProjectWithItsTempFolderMade)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("New Project - Pictoreel"));
    EXPECT_TRUE(rowCount() == 0 && window->ProjectFile().isEmpty() && dialogs.calls.empty());
    EXPECT_FALSE(panel->cmdAutoW->isEnabled() || panel->cmdAutoH->isEnabled());

    const QString temp = programFolder() + QStringLiteral("/temp/");
    EXPECT_EQ(window->context().settingsFile(), programFolder() + QStringLiteral("/pictoreel.ini"));
    EXPECT_TRUE(window->context().tempFolder() == temp && QDir(temp).exists());
    EXPECT_EQ(window->context().previewFile(), temp + QStringLiteral("__tmp__preview.gif"));

    // A new project's values: the frame values tick transparency, unlike the panel at design.
    EXPECT_EQ(panelValues(), QStringLiteral("100x75 loop 1 ticked off out= | 50 YES 16777215"));
}

TEST_F(WindowTest, TempPathSettingIsCompletedOrReportedWhenItCannotBeMade)
{
    const QString settings = programFolder() + QStringLiteral("/pictoreel.ini");
    WriteIniKey(QStringLiteral("General"), QStringLiteral("Temp Path"), path(QStringLiteral("cache")), settings);
    startWindow();
    EXPECT_EQ(window->context().tempFolder(), path(QStringLiteral("cache/")));
    EXPECT_EQ(window->context().previewFile(), path(QStringLiteral("cache/__tmp__preview.gif")));
    EXPECT_TRUE(dialogs.calls.empty());

    // A folder below a file cannot be made: one critical box, and start-up goes on.
    writeFile(path(QStringLiteral("blocker")));
    const QString impossible = path(QStringLiteral("blocker/temp/"));
    WriteIniKey(QStringLiteral("General"), QStringLiteral("Temp Path"), impossible, settings);
    startWindow();
    EXPECT_EQ(dialogs.boxes(),
              QStringList{box("Create directory error: " + impossible, MessageIcon::Critical, MessageButtons::Ok, "Error")});
    EXPECT_EQ(window->windowTitle(), QStringLiteral("New Project - Pictoreel"));
    EXPECT_FALSE(panel->cmdAutoW->isEnabled());
}

TEST_F(WindowTest, ClosingAsksOnlyForAListWithRowsAndAlwaysSweepsTheTempGifs)
{
    const QString temp = window->context().tempFolder();
    const auto makeTempFiles = [&] {
        writeFile(temp + QStringLiteral("__tmp__a.jpg_t_True_c_0_w_8_h_8__.gif"));
        writeFile(temp + QStringLiteral("__tmp__preview.gif"));
        writeFile(temp + QStringLiteral("__tmp__extract__1.bmp"));
    };

    // Empty list: nothing asked, the GIFs go, other files stay.
    makeTempFiles();
    EXPECT_TRUE(window->close() && dialogs.calls.empty());
    EXPECT_FALSE(QFile::exists(temp + QStringLiteral("__tmp__preview.gif")));
    EXPECT_FALSE(QFile::exists(temp + QStringLiteral("__tmp__a.jpg_t_True_c_0_w_8_h_8__.gif")));
    EXPECT_TRUE(QFile::exists(temp + QStringLiteral("__tmp__extract__1.bmp")));

    // Rows, answered Cancel: the window stays with its project, but the GIFs are gone all the same.
    window->show();
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    makeTempFiles();
    dialogs.clear();
    dialogs.messageAnswers.push_back(MessageAnswer::Cancel);
    EXPECT_TRUE(!window->close() && window->isVisible());
    EXPECT_EQ(dialogs.boxes(), QStringList{box("Would you like to save the project before closing?", MessageIcon::Question,
                                               MessageButtons::YesNoCancel, "Save Before Closing")});
    EXPECT_EQ(rowCount(), 2);
    EXPECT_FALSE(QFile::exists(temp + QStringLiteral("__tmp__preview.gif")));

    // Yes on a project without a file asks for a name; cancelling that still closes.
    dialogs.clear();
    dialogs.messageAnswers.push_back(MessageAnswer::Yes);
    dialogs.answerCancel();
    EXPECT_TRUE(window->close());
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[1].kind, Kind::SaveFile);
    EXPECT_EQ(dialogs.calls[1].request.title, QStringLiteral("Save Project As (*.agp)..."));
}

TEST_F(WindowTest, ExitEndsTheProgramUnlessTheCloseIsCancelled)
{
    int ends = 0;
    window->setProgramEndHandler([&ends] { ++ends; });
    addPictures({QStringLiteral("a.png")});

    dialogs.messageAnswers.push_back(MessageAnswer::Cancel);
    trigger(QStringLiteral("mnuFileSub13"));
    EXPECT_TRUE(ends == 0 && window->isVisible() && rowCount() == 1);

    // Saving first: the project is written under the chosen name before the program ends.
    const QString project = path(QStringLiteral("exit.agp"));
    dialogs.messageAnswers.push_back(MessageAnswer::Yes);
    dialogs.answerFile(project);
    trigger(QStringLiteral("mnuFileSub13"));
    EXPECT_TRUE(ends == 1 && !window->isVisible());
    EXPECT_TRUE(readTextFile(project).contains(QStringLiteral("FRAME001=50;YES;16777215;a.png;")));
}

TEST_F(WindowTest, MenusHaveTheirCaptionsAccessKeysAndShortcuts)
{
    const auto captions = [this](const char* menu) {
        QStringList texts;
        for (const QAction* item : part<QMenu>(QLatin1String(menu))->actions())
            texts.append(item->isSeparator() ? QStringLiteral("-") : item->text());
        return texts;
    };
    EXPECT_EQ(part<QMenu>(QStringLiteral("mnuFile"))->title(), QStringLiteral("&File"));
    EXPECT_EQ(captions("mnuFile"),
              QStringList({"&New Project ...", "&Open Project ...", "-", "Sa&ve Project", "Sav&e Project As ...", "-",
                           "&Add Image Files ...", "-", "&Make .gif...", "-", "Recent Project Files ...", "-",
                           "E&xit"}));
    EXPECT_EQ(part<QMenu>(QStringLiteral("mnuEdit"))->title(), QStringLiteral("&Edit"));
    EXPECT_EQ(captions("mnuEdit"),
              QStringList({"&Check All Frames", "&Uncheck All Frames", "-", "&Remove Checked Frames",
                           "Clear &All Frames", "-", "Move Highlight Frame &Up", "Move Highlight Frame &Down"}));
    EXPECT_EQ(part<QMenu>(QStringLiteral("mnuTools"))->title(), QStringLiteral("&Tools"));
    EXPECT_EQ(captions("mnuTools"),
              QStringList({"&Preview ...", "&Animated GIF Player ...", "Animated GIF Frames &Extractor ...",
                           "AVI to GIF Converter ...", "GIF to AVI Converter ...", "-", "&Options ..."}));
    EXPECT_EQ(part<QMenu>(QStringLiteral("mnuHelp"))->title(), QStringLiteral("&Help"));
    EXPECT_EQ(captions("mnuHelp"),
              QStringList({"&Contents ...", "-", "&Visit the Website", "-", "About Pictoreel ..."}));

    const auto shortcuts = [this](const char* menu) {
        QStringList keys;
        for (const QAction* item : part<QMenu>(QLatin1String(menu))->actions())
            keys.append(item->shortcut().toString(QKeySequence::PortableText));
        return keys.join(u',');
    };
    EXPECT_EQ(shortcuts("mnuFile"), QStringLiteral("Ctrl+N,Ctrl+O,,Ctrl+S,,,Ctrl+A,,Ctrl+F5,,,,Ctrl+Q"));
    EXPECT_EQ(shortcuts("mnuEdit"), QStringLiteral(",,,,,,,"));
    EXPECT_EQ(shortcuts("mnuHelp").section(u',', 0, 0), QStringLiteral("F1"));

    // Access keys within a menu do not collide, so one letter runs its item. (The Edit menu's
    // "&Uncheck All Frames" and "Move Highlight Frame &Up" share U; pressing it again moves on.)
    for (QMenu* menu : {part<QMenu>(QStringLiteral("mnuFile")), part<QMenu>(QStringLiteral("mnuTools")), part<QMenu>(QStringLiteral("mnuHelp"))}) {
        QStringList keys;
        for (QAction* a : menu->actions()) {
            const qsizetype amp = a->text().indexOf(u'&');
            if (amp >= 0)
                keys.append(a->text().mid(amp + 1, 1).toLower());
        }
        EXPECT_EQ(keys.size(), QSet<QString>(keys.begin(), keys.end()).size()) << menu->title().toStdString();
    }
}

TEST_F(WindowTest, ToolbarHasFifteenPositionsWithCaptionsKeysAndTooltips)
{
    const QList<QAction*> buttons = part<QToolBar>(QStringLiteral("Toolbar1"))->actions();
    ASSERT_EQ(buttons.size(), 15);
    const QStringList expected{"New|new|Create a new croject",
                               "Open|open|Open a project",
                               "Save|save|Save the project",
                               "-",
                               "Add|add|Add Frames",
                               "Del|del|Delete checked frames",
                               "Up|up|Move the highlighted frame up",
                               "Down|down|Move the highlighted frame down",
                               "-",
                               "View|preview|Preview the Animated GIF",
                               "Make|make|Make Animated GIF",
                               "Play|play|Play the generated animated GIF",
                               "-",
                               "Option|options|Options Dialog",
                               "Help|help|Open Help Document"};
    for (int i = 0; i < 15; ++i) {
        const QAction* a = buttons[i];
        const QString seen = a->isSeparator() ? QStringLiteral("-")
                                              : a->text() + u'|' + a->data().toString() + u'|' + a->toolTip();
        EXPECT_EQ(seen, expected[i]) << "position " << i + 1;
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().isNull()) << "position " << i + 1;
        }
    }
    EXPECT_EQ(part<QToolBar>(QStringLiteral("Toolbar1"))->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
}

TEST_F(WindowTest, AutoSizeRuleFollowsFileEditAndToolbarCommandsButNotToolsOrHelp)
{
    addPictures({QStringLiteral("a.png")});
    EXPECT_TRUE(panel->cmdAutoW->isEnabled());

    panel->cmdAutoW->setEnabled(false);
    panel->cmdAutoH->setEnabled(false);
    trigger(QStringLiteral("mnuToolsSub7"));
    trigger(QStringLiteral("mnuHelpSub3"));
    EXPECT_FALSE(panel->cmdAutoW->isEnabled());

    // The toolbar's "Option" opens the same dialog, and the rule applies after it.
    trigger(QStringLiteral("Toolbar1_options"));
    EXPECT_TRUE(panel->cmdAutoW->isEnabled() && panel->cmdAutoH->isEnabled());

    trigger(QStringLiteral("mnuEditSub5"));  // clear all
    EXPECT_FALSE(panel->cmdAutoW->isEnabled() || panel->cmdAutoH->isEnabled());
}

TEST_F(WindowTest, HelpOpensTheHelpFileOrTheManualAndTheWebsiteThroughTheShell)
{
    trigger(QStringLiteral("mnuHelpSub1"));
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_EQ(shell.opened[0], programFolder() + QStringLiteral("/help/index.html"));

    writeFile(programFolder() + QStringLiteral("/pictoreel.chm"));
    trigger(QStringLiteral("Toolbar1_help"));
    ASSERT_EQ(shell.opened.size(), 2);
    EXPECT_EQ(shell.opened[1], programFolder() + QStringLiteral("/pictoreel.chm"));

    trigger(QStringLiteral("mnuHelpSub3"));
    ASSERT_EQ(shell.opened.size(), 3);
    EXPECT_TRUE(shell.opened[2].startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(dialogs.calls.empty());
}

// Once an application display name is set, the platform appends it to every window title that
// does not end with it ("Player — Pictoreel"). Without one, the display name is nothing but the
// application name, whatever that is at the moment.
TEST(ApplicationSetUp, LeavesWindowCaptionsAsTheWindowsGiveThem)
{
    const QString testName = QCoreApplication::applicationName();
    setUpApplication();
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("pictoreel"));
    QCoreApplication::setApplicationName(QStringLiteral("caption-probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("caption-probe"));
    QCoreApplication::setApplicationName(testName);
}

}  // namespace
}  // namespace pictoreel::testing
