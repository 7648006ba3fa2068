// The main window: start-up, closing, named menus and toolbar, shortcuts, the Auto Size rule, help,
// and the tool windows the menus open (modal through the window runner, the extractor modeless).
#include "core/project/settings_store.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/extractor/extractor_window.h"
#include "gui/widgets/gif_view.h"
#include "gui/dialogs/options_dialog.h"
#include "gui/support/window_fixture.h"

namespace pictoreel::testing {
namespace {

TEST_F(WindowTest, StartsOnAnEmptyProjectInItsTempFolderWhichASettingMayMove)
{
    EXPECT_TRUE(rowCount() == 0 && window->ProjectFile().isEmpty() && dialogs.calls.empty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("New Project - Pictoreel"));
    EXPECT_FALSE(part("cmdAutoW")->isEnabled() || part("cmdAutoH")->isEnabled());
    const QString settings = window->context().settingsFile();
    EXPECT_EQ(settings, programFolder() + QStringLiteral("/pictoreel.ini"));
    EXPECT_TRUE(window->context().previewFile() == programFolder() + "/temp/__tmp__preview.gif" && QDir(programFolder() + "/temp").exists());
    EXPECT_EQ(panelValues(), QStringLiteral("100x75 loop 1 ticked off out= | 50 YES 16777215"));
    WriteIniKey(QStringLiteral("General"), QStringLiteral("Temp Path"), path("cache"), settings);
    startWindow();
    EXPECT_EQ(window->context().previewFile(), path("cache/__tmp__preview.gif"));
    // A folder below a file cannot be made: one critical box, and start-up goes on.
    writeFile(path("blocker"));
    WriteIniKey(QStringLiteral("General"), QStringLiteral("Temp Path"), path("blocker/temp/"), settings);
    startWindow();
    EXPECT_EQ(dialogs.boxes(), QStringList{box("Create directory error: " + path("blocker/temp/"),
                                               MessageIcon::Critical, MessageButtons::Ok, "Error")});
}

TEST_F(WindowTest, ClosingAsksOnlyForAListWithRowsSweepsTheTempGifsAndExitEndsTheProgram)
{
    int ends = 0;
    window->setProgramEndHandler([&ends] { ++ends; });
    const QString cached = window->context().tempFolder() + QStringLiteral("__tmp__a.jpg_t_True_c_0_w_8_h_8__.gif");
    const QString other = window->context().tempFolder() + QStringLiteral("__tmp__extract__1.bmp");
    writeFile(cached);
    writeFile(other);
    EXPECT_TRUE(window->close() && dialogs.calls.empty() && !QFile::exists(cached) && QFile::exists(other));  // nothing asked
    // Rows, answered Cancel: the window stays with its project, but the GIFs are gone all the same.
    window->show();
    addPictures({QStringLiteral("a.png")});
    writeFile(cached);
    dialogs.messageAnswers = {MessageAnswer::Cancel, MessageAnswer::Yes};
    trigger("mnuFileSub13");
    EXPECT_TRUE(ends == 0 && window->isVisible() && rowCount() == 1 && !QFile::exists(cached));
    EXPECT_EQ(dialogs.boxes(), QStringList{box("Would you like to save the project before closing?", MessageIcon::Question,
                                               MessageButtons::YesNoCancel, "Save Before Closing")});
    // Yes, and then no save after all (its dialog cancelled, a file that cannot be written): the
    // window stays with its changes, and the failure is told.
    writeFile(path("plain"));
    dialogs.clear();
    dialogs.messageAnswers = {MessageAnswer::Yes, MessageAnswer::Yes, MessageAnswer::Ok};
    dialogs.answerCancel();
    dialogs.answerFile(path("plain/exit.agp"));
    trigger("mnuFileSub13");
    trigger("mnuFileSub13");
    EXPECT_TRUE(ends == 0 && window->isVisible() && rowCount() == 1);
    EXPECT_TRUE(window->windowTitle().startsWith(u'*')) << window->windowTitle().toStdString();
    ASSERT_EQ(dialogs.boxes().size(), 3);
    EXPECT_TRUE(dialogs.boxes()[2].startsWith("The project could not be saved.")) << dialogs.boxes()[2].toStdString();
    // Yes on a project without a file asks for a name; the project is written before the end.
    dialogs.messageAnswers = {MessageAnswer::Yes};
    dialogs.answerFile(path("exit.agp"));
    trigger("mnuFileSub13");
    EXPECT_TRUE(ends == 1 && !window->isVisible());
    EXPECT_TRUE(readTextFile(path("exit.agp")).contains(QStringLiteral("FRAME001=50;YES;16777215;a.png;")));
}

TEST_F(WindowTest, MenusAndToolbarCarryTheirNamesCaptionsAndShortcuts)
{
    // Each menu as "title: caption[shortcut] ...", its entries found by their object names.
    const auto menu = [this](const char* name, int entries) {
        QString text = part<QMenu>(QLatin1String(name))->title() + u':';
        for (int i = 1; i <= entries; ++i) {
            const QAction* a = part<QAction>(QLatin1String(name) + QStringLiteral("Sub%1").arg(i));
            text += u' ' + (a->isSeparator() ? QStringLiteral("-") : a->text());
            if (!a->shortcut().isEmpty())
                text += u'[' + a->shortcut().toString(QKeySequence::PortableText) + u']';
        }
        return text;
    };
    EXPECT_EQ(menu("mnuFile", 13), "&File: &New Project ...[Ctrl+N] &Open Project ...[Ctrl+O] - Sa&ve Project[Ctrl+S] "
                                   "Sav&e Project As ... - &Add Image Files ...[Ctrl+A] - &Make .gif...[Ctrl+F5] - "
                                   "Recent Project Files ... - E&xit[Ctrl+Q]");
    EXPECT_EQ(menu("mnuEdit", 8), "&Edit: &Check All Frames &Uncheck All Frames - &Remove Checked Frames Clear &All Frames"
                                  " - Move Highlight Frame &Up Move Highlight Frame &Down");
    EXPECT_EQ(menu("mnuTools", 7), "&Tools: &Preview ... &Animated GIF Player ... Animated GIF Frames &Extractor ... "
                                   "AVI to GIF Converter ... GIF to AVI Converter ... - &Options ...");
    EXPECT_EQ(menu("mnuHelp", 5), "&Help: &Contents ...[F1] - &Visit the Website - About Pictoreel ...");
    QStringList buttons;
    for (const QAction* a : part<QToolBar>("Toolbar1")->actions()) {
        buttons.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        EXPECT_TRUE(a->isSeparator() || (!a->toolTip().isEmpty() && !a->icon().isNull())) << a->text().toStdString();
    }
    EXPECT_EQ(buttons.join(u' '), QStringLiteral("New Open Save - Add Del Up Down - View Make Play - Option Help"));
}

TEST_F(WindowTest, ShortcutsWorkFromTextBoxesAndEveryControlHasAnAccessibleName)
{
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    // The window's shortcuts work from the list and the text boxes (Undo and Redo once there is
    // something to undo and to redo), except that in a text box the keys that edit text act on it.
    for (const char* name : {"a.png", "b.png"}) {
        addPictures({QLatin1String(name)});
        QCoreApplication::processEvents();
    }
    trigger("mnuEditUndo");
    for (QAction* a : window->findChildren<QAction*>())
        QObject::disconnect(a, &QAction::triggered, window.get(), nullptr);  // reaching the entry is enough here
    const auto editsText = [](const QKeySequence& keys) {
        for (auto standard : {QKeySequence::SelectAll, QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Copy})
            if (QKeySequence::keyBindings(standard).contains(keys))
                return true;
        return false;
    };
    for (QWidget* focus : std::initializer_list<QWidget*>{listView(), part("txtWidth"), part("txtOutputFile")}) {
        focus->setFocus();
        for (QAction* action : window->findChildren<QAction*>()) {
            QSignalSpy triggered(action, &QAction::triggered);
            if (!action->shortcut().isEmpty())
                QTest::keySequence(QApplication::focusWidget(), action->shortcut());
            const bool reaches = !action->shortcut().isEmpty() && (focus == listView() || !editsText(action->shortcut()));
            EXPECT_EQ(triggered.count(), reaches ? 1 : 0) << action->text().toStdString() << " from " << focus->objectName().toStdString();
        }
    }
    // Ctrl+A selects a box's text, Ctrl+Z takes back what was typed there.
    auto* width = part<QLineEdit>("txtWidth");
    width->setFocus();
    QTest::keyClick(width, Qt::Key_End);
    QTest::keyClicks(width, QStringLiteral("5"));
    QTest::keySequence(width, QKeySequence::SelectAll);
    EXPECT_EQ(width->selectedText(), width->text());
    const QString typed = width->text();
    QTest::keySequence(width, QKeySequence::Undo);
    EXPECT_EQ(width->text(), typed.chopped(1));
    // Every control has a name for assistive technology (not the tab arrows).
    for (QWidget* w : panel->findChildren<QWidget*>()) {
        if ((qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w)) && !qobject_cast<QToolButton*>(w)) {
            EXPECT_FALSE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).trimmed().isEmpty()) << w->objectName().toStdString();
        }
    }
}

// The first start lays the window out as always; closing keeps its place, size, left pane and
// columns, which the next start brings back. Maximised, the list gets the room its columns need.
TEST_F(WindowTest, LaterStartsBringBackTheWindowAsItWasClosedAndMaximisedTheListFitsItsColumns)
{
    const QSize first = window->size();
    EXPECT_EQ(first.width(), twipsToPixels(9975));
    const int firstPane = window->leftPaneWidthTwips();
    startWindow();  // nothing kept without a close
    EXPECT_TRUE(window->size() == first && window->leftPaneWidthTwips() == firstPane);

    window->resize(first + QSize(120, 80));
    QTest::qWait(50);
    int pane = firstPane + 600;
    window->SizeControls(pane);
    listView()->header()->resizeSection(4, 222);
    ASSERT_TRUE(window->close());
    startWindow();
    window->show();
    QTest::qWait(50);
    EXPECT_EQ(window->size(), first + QSize(120, 80));
    EXPECT_TRUE(window->leftPaneWidthTwips() == pane && listView()->header()->sectionSize(4) == 222);

    window->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMaximized() && window->width() > first.width() + 120; }));
    int columns = 0;
    for (int c = 0; c < listView()->header()->count(); ++c)
        columns += listView()->header()->sectionSize(c);
    EXPECT_TRUE(QTest::qWaitFor([&] { return listView()->viewport()->width() >= std::min(columns, window->width() / 2 - 40); }))
        << listView()->viewport()->width() << " for " << columns;
}

// Alt and a letter reach one entry of a menu: the letters its entries share are those of the
// Edit menu's own captions ("&Uncheck All Frames", "Move Highlight Frame &Up") and no others.
TEST_F(WindowTest, MenuEntriesShareNoLetterButTheTwoOfTheEditMenusCaptions)
{
    QStringList shared;
    for (QMenu* menu : window->menuBar()->findChildren<QMenu*>()) {
        QMap<QChar, int> uses;
        for (const QAction* a : menu->actions())
            if (const qsizetype amp = a->text().indexOf(u'&'); amp >= 0 && amp + 1 < a->text().size() && a->isVisible())
                ++uses[a->text().at(amp + 1).toLower()];
        for (auto [letter, count] : uses.asKeyValueRange())
            if (count > 1)
                shared.append(menu->title() + u' ' + letter);
    }
    EXPECT_EQ(shared, QStringList{QStringLiteral("&Edit u")});
}

// What a screen reader says: a value shown in a label is read from the label, which the caption
// describes, and a swatch tells its colour.
TEST_F(WindowTest, ScreenReadersHearTheValuesAndColoursShown)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    listView()->selectRow(1);
    QCoreApplication::processEvents();
    const auto said = [](QWidget* w) -> QString {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        return a->text(QAccessible::Name) + u'|' + a->text(QAccessible::Description);
    };
    EXPECT_EQ(said(part("lWidth")), QString(part<QLabel>("lWidth")->text() + QStringLiteral("|Original Width")));
    EXPECT_TRUE(part<QLabel>("lWidth")->text().endsWith(QStringLiteral(" Pixels")));
    EXPECT_EQ(said(part("lTransColor")), QStringLiteral("#FFFFFF|Transparent Color"));
    EXPECT_EQ(said(part("txtWidth")), QStringLiteral("Width|"));
}

TEST_F(WindowTest, AutoSizeRuleFollowsFileEditAndToolbarCommandsButNotToolsOrHelp)
{
    addPictures({QStringLiteral("a.png")});
    panel->setAutoSizeEnabled(false);
    trigger("mnuToolsSub7");
    trigger("mnuHelpSub3");
    EXPECT_FALSE(part("cmdAutoW")->isEnabled());
    trigger("Toolbar1_options");
    EXPECT_TRUE(part("cmdAutoW")->isEnabled() && part("cmdAutoH")->isEnabled());
    trigger("mnuEditSub5");  // clear all
    EXPECT_FALSE(part("cmdAutoW")->isEnabled() || part("cmdAutoH")->isEnabled());
}

TEST_F(WindowTest, HelpOpensTheHelpFileOrTheManualAndTheWebsiteThroughTheShell)
{
    trigger("mnuHelpSub1");
    writeFile(programFolder() + QStringLiteral("/pictoreel.chm"));
    trigger("Toolbar1_help");
    trigger("mnuHelpSub3");
    EXPECT_EQ(shell.opened.mid(0, 2), QStringList({programFolder() + QStringLiteral("/help/index.html"),
                                                   programFolder() + QStringLiteral("/pictoreel.chm")}));
    EXPECT_TRUE(shell.opened.size() == 3 && shell.opened.last().startsWith(QStringLiteral("https://")) && dialogs.calls.empty());
}

class ToolsMenuTest : public WindowTest {
protected:
    // Records each modal window shown as "objectName|title", and lets `aboutScript` work the About box.
    void SetUp() override
    {
        WindowTest::SetUp();
        window->setWindowRunner([this](QDialog& w) {
            shown.append(w.objectName() + u'|' + w.windowTitle());
            EXPECT_EQ(w.parentWidget(), window.get());
            if (qobject_cast<OptionsDialog*>(&w))
                shown.last() += u'|' + shownText(&w, "txtFolder");
            if (auto* about = qobject_cast<AboutDialog*>(&w); about && aboutScript) {
                about->show();
                ASSERT_TRUE(QTest::qWaitForWindowExposed(about));
                aboutScript(*about);
            }
        });
    }
    QStringList shown;
    std::function<void(AboutDialog&)> aboutScript;
};

TEST_F(ToolsMenuTest, EntriesOpenTheirWindowsModallyOverTheMainWindowEachTimeAfresh)
{
    for (const char* name : {"mnuToolsSub4", "mnuToolsSub5", "mnuHelpSub5", "mnuToolsSub7"})
        trigger(QLatin1String(name));
    window->context().setTempFolder(path("other"));
    trigger("Toolbar1_options");
    EXPECT_EQ(shown, QStringList({"frmAVI2GIF|AVI to GIF Converter", "frmGIF2AVI|GIF to AVI Converter",
                                  "frmAbout|About Pictoreel", "frmOptions|Options|" + programFolder() + "/temp/",
                                  "frmOptions|Options|" + path("other/")}));
    EXPECT_TRUE(window->findChildren<OptionsDialog*>().isEmpty() && dialogs.calls.empty());
}

TEST_F(ToolsMenuTest, TheExtractorIsModelessAndOneInstanceWhileItIsOpen)
{
    trigger("mnuToolsSub3");
    QPointer<ExtractorWindow> first = window->extractorWindow();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible() && first->windowModality() == Qt::NonModal && shown.empty());
    first->hide();
    trigger("mnuToolsSub3");
    EXPECT_TRUE(window->extractorWindow() == first && first->isVisible());
    // A window of its own: closing the main window leaves it open; the program's end takes it along.
    EXPECT_TRUE(window->close() && first->isVisible() && first->parentWidget() == nullptr);
    window.reset();
    EXPECT_TRUE(first.isNull());
}

TEST_F(ToolsMenuTest, AboutPlaysTheLogoBesideTheProgramAndUnderlinesAndOpensTheLinkUnderThePointer)
{
    writeFlatGif(programFolder() + QStringLiteral("/vimo.gif"), {30, 20}, {10, 10});
    aboutScript = [this](AboutDialog& a) {
        expectCaptions(a, {{"Label4", "How Beautiful :)"}, {"lblName", "Pictoreel"}, {"lblVer", "1.40"},
                           {"Label1", "Website"}, {"lblWeb", "https://www.example.org/pictoreel/"},
                           {"Label3", "Support"}, {"lblSupp", "support@example.org"}});
        const GifView* logo = child<GifView>(&a, "PlayGif1");
        QLabel *web = child<QLabel>(&a, "lblWeb"), *supp = child<QLabel>(&a, "lblSupp");
        EXPECT_TRUE(logo->size() == QSize(30, 20) && logo->isVisible() && logo->isAnimating()
                    && web->palette().color(QPalette::WindowText) == Qt::blue && supp->cursor().shape() == Qt::PointingHandCursor);
        QTest::mouseMove(a.windowHandle(), supp->mapTo(&a, supp->rect().center()));  // as a real pointer
        EXPECT_TRUE(supp->font().underline() && !web->font().underline());
        QTest::mouseMove(a.windowHandle(), QPoint(2, 2));  // the window's own background, outside the frame
        EXPECT_FALSE(supp->font().underline());
        for (QLabel* label : {supp, web, child<QLabel>(&a, "Label1")})  // the last no link
            QTest::mouseClick(label, Qt::LeftButton, {}, label->rect().center());
        EXPECT_EQ(shell.opened, QStringList({"mailto:support@example.org", "https://www.example.org/pictoreel/"}));
        // From the keyboard: Enter follows a link Tab has reached, Space too.
        shell.opened.clear();
        QTest::keyClick(web, Qt::Key_Return);
        QTest::keyClick(supp, Qt::Key_Space);
        EXPECT_TRUE(web->focusPolicy() & Qt::TabFocus);
        EXPECT_EQ(shell.opened, QStringList({"https://www.example.org/pictoreel/", "mailto:support@example.org"}));
    };
    trigger("mnuHelpSub5");
    EXPECT_TRUE(shown.size() == 1 && dialogs.calls.empty());
}

}  // namespace
}  // namespace pictoreel::testing
