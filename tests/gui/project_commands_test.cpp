// New, open, save and save as: their dialogs, the files they write, the title and the history;
// and the history window (File, "Recent Project Files ..."), which opens a recent project
// through the main window and edits a working copy that reaches the file only through "&Save".
#include "core/project/history.h"
#include "gui/dialogs/history_dialog.h"
#include "gui/app/program_start.h"
#include "gui/support/window_fixture.h"

#include <QClipboard>

namespace pictoreel::testing {
namespace {

TEST_F(WindowTest, SavingANewProjectAsksForANameProposesTheGifAndTitlesTheWindow)
{
    addPictures({QStringLiteral("a.png")});
    dialogs.clear();
    dialogs.answerCancel();  // nothing written, still a new project
    trigger("mnuFileSub4");
    const QString project = path("demo.agp");
    dialogs.answerFile(project);
    trigger("Toolbar1_save");
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[1].kind, DialogCall::Kind::SaveFile);
    EXPECT_EQ(dialogs.calls[1].request.title + dialogs.calls[1].request.filter,
              QStringLiteral("Save Project As (*.agp)...Animated GIF Project(*.agp)|*.agp"));
    EXPECT_EQ(textOf("txtOutputFile"), path("demo.gif"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("demo.agp - Pictoreel"));
    EXPECT_TRUE(readTextFile(project).contains("FRAME001=50;YES;16777215;a.png;" + picturesFolder()));
    EXPECT_EQ(readHistory(window->context().settingsFile()).value(0), project);

    // A project with a file saves without a question; Save As asks for a new name.
    window->frames().setColumn(1, FrameColumn::Interval, QStringLiteral("60"));
    trigger("mnuFileSub4");
    EXPECT_TRUE(dialogs.calls.size() == 2u && readTextFile(project).contains(QStringLiteral("FRAME001=60;")));
    dialogs.answerFile(path("other.agp"));
    trigger("mnuFileSub5");
    EXPECT_EQ(dialogs.calls.back().request.title, QStringLiteral("Save Project As ..."));
    EXPECT_TRUE(window->windowTitle() == QStringLiteral("other.agp - Pictoreel") && QFile::exists(path("other.agp")));
}

TEST_F(WindowTest, OpeningAProjectFillsListAndPanelAndEntersTheHistory)
{
    makePicture(QStringLiteral("p.png"), 32, 16);
    const QString project = path("hand.agp");
    writeFile(project, QStringLiteral("[Global Properties]\nWidth=32\nHeight=16\nLoop Infinitely=0\nLoop Times=3\n"
                                      "Output GIF File Name=/out/x.gif\nFrames=2\n[Frame Properties]\n"
                                      "FRAME001=20;NO;255;p.png;%1\nFRAME002=30;YES;0;q.png;%1\n")
                           .arg(picturesFolder())
                           .toUtf8());
    addPictures({QStringLiteral("keep.png")});
    dialogs.clear();
    dialogs.answerCancel();  // keeps the current project
    trigger("Toolbar1_open");
    EXPECT_EQ(rowCount(), 1);
    dialogs.answerFile(project);
    dialogs.messageAnswers = {MessageAnswer::No};  // the changed project is not saved
    trigger("mnuFileSub2");
    EXPECT_EQ(dialogs.calls[0].request.title, QStringLiteral("Open Project File (*.agp) ..."));
    EXPECT_EQ(rowTexts(1), QStringList({"1", "20", "NO", "255", "p.png", picturesFolder()}));
    EXPECT_TRUE(rowCount() == 2 && window->windowTitle() == QStringLiteral("hand.agp - Pictoreel"));
    // The first row is shown: its frame values replace the panel's.
    EXPECT_EQ(panelValues(), QStringLiteral("32x16 loop 3 unticked on out=/out/x.gif | 20 NO 255"));
    EXPECT_TRUE(listView()->selectedRow() == 1 && part("cmdAutoW")->isEnabled());
    EXPECT_EQ(readHistory(window->context().settingsFile()).value(0), project);

    // A file that does not exist loads as an empty project under its name.
    window->OpenProjectFile(path("missing.agp"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("missing.agp - Pictoreel"));
    EXPECT_EQ(panelValues(), QStringLiteral("100x75 loop 1 ticked off out= | 50 YES 16777215"));
    EXPECT_EQ(rowCount(), 0);
}

// A project whose frame keys skip a number opens with the frames read as always, and the user is
// told which keys were left out.
TEST_F(WindowTest, OpeningAProjectWithAGapInItsFrameKeysWarnsOfTheKeysLeftOut)
{
    const QString gap = path("gap.agp");
    writeFile(gap, "[Global Properties]\nFrames=3\n[Frame Properties]\nFRAME001=20;NO;0;a.png;/\nFRAME002=20;NO;0;b.png;/\n"
                   "FRAME004=20;NO;0;d.png;/\n");
    dialogs.answerFile(gap);
    trigger("mnuFileSub2");
    EXPECT_EQ(rowCount(), 2);
    EXPECT_EQ(dialogs.boxes(), QStringList(box(QStringLiteral("gap.agp: 2 frames were read; 1 frame key after a gap in the "
                                                              "numbers was left out (FRAME004)"),
                                               MessageIcon::Exclamation)));
}

// A picture (or any file that is not a project) is never taken for one, so no save writes into it
// (on the command line a picture is added as a frame instead: see clip_commands_test).
TEST_F(WindowTest, APictureIsNeitherOpenedAsAProjectNorSavedOver)
{
    const QString photo = makePicture(QStringLiteral("photo.png"), 40, 30);
    const QByteArray bytes = readFile(photo);
    addPictures({QStringLiteral("a.png")});
    dialogs.clear();
    for (const char* command : {"mnuFileSub2", "mnuFileSub4", "mnuFileSub5"}) {  // open, save (asking), save as
        dialogs.answerFile(photo);
        trigger(QLatin1String(command));
    }
    EXPECT_EQ(dialogs.boxes(), QStringList(3, box(photo + QStringLiteral(" is not a Pictoreel project."))));
    EXPECT_EQ(readFile(photo), bytes);
    EXPECT_TRUE(rowCount() == 1 && window->ProjectFile().isEmpty() && textOf("txtOutputFile").isEmpty());
    EXPECT_TRUE(readHistory(window->context().settingsFile()).isEmpty());

    // Nor is a project counting more frames than one holds; the frames in the window stay.
    const QString huge = path(QStringLiteral("huge.agp"));
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("[Global Properties]\nFrames=40000\n") > 0);
    file.close();
    dialogs.clear();
    dialogs.answerFile(huge);
    trigger(QStringLiteral("mnuFileSub2"));
    EXPECT_EQ(dialogs.boxes(), QStringList(box(huge + QStringLiteral(" names 40000 frames; a project holds at most 32767."))));
    EXPECT_EQ(rowCount(), 1);
}

// A picture whose name holds a semicolon would come back from a project as another picture: it
// is told about and left out when added, the others are added, and the project saves.
TEST_F(WindowTest, APictureAProjectCannotNameIsToldAboutAndLeftOut)
{
    addPictures({QStringLiteral("x.png"), QStringLiteral("a;b.png"), QStringLiteral("y.png")});
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_TRUE(dialogs.boxes()[0].contains(QStringLiteral("This picture was not added")) &&
                dialogs.boxes()[0].contains(QStringLiteral("Rename or move it, then add it again.\n\n") + picturesFolder() +
                                            QStringLiteral("a;b.png")))
        << dialogs.boxes()[0].toStdString();
    ASSERT_EQ(rowCount(), 2);
    EXPECT_EQ(rowTexts(2)[4], QStringLiteral("y.png"));

    dialogs.clear();
    QStringList many;
    for (int i = 0; i < 12; ++i)
        many.append(QStringLiteral("p;%1.png").arg(i));
    addPictures(many);
    ASSERT_EQ(dialogs.boxes().size(), 1);
    EXPECT_TRUE(dialogs.boxes()[0].contains(QStringLiteral("These pictures were not added")) &&
                dialogs.boxes()[0].contains(QStringLiteral("p;9.png\n... and 2 more")))
        << dialogs.boxes()[0].toStdString();
    EXPECT_EQ(rowCount(), 2);

    dialogs.clear();
    dialogs.answerFile(path("kept.agp"));
    trigger("mnuFileSub5");
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    EXPECT_EQ(window->ProjectFile(), path("kept.agp"));
}

TEST_F(WindowTest, OutputFileAndColourDialogsChangeOnlyWhenAChoiceIsMade)
{
    dialogs.answerCancel();
    part<QPushButton>("cmdOutputFile")->click();
    EXPECT_TRUE(textOf("txtOutputFile").isEmpty());
    dialogs.answerFile(path("out.gif"));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));  // typing opens the dialog
    QCoreApplication::sendEvent(part("txtOutputFile"), &key);
    EXPECT_EQ(textOf("txtOutputFile"), path("out.gif"));
    EXPECT_EQ(dialogs.calls.back().request.title + dialogs.calls.back().request.filter,
              QStringLiteral("Set a gif file name for output ...Animated GIF Files|*.gif|Animated WebP Files|*.webp|"
                             "Animated PNG Files|*.png;*.apng"));
    // Escape and Ctrl+C open nothing; Ctrl+C copies the name.
    const auto calls = dialogs.calls.size();
    QTest::keyClick(part("txtOutputFile"), Qt::Key_Escape);
    part<QLineEdit>("txtOutputFile")->selectAll();
    QTest::keyClick(part("txtOutputFile"), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(dialogs.calls.size(), calls);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), path("out.gif"));
    dialogs.colorAnswers = {std::nullopt, 0x0000FF};
    part<QPushButton>("cmdTransColor")->click();
    part<QPushButton>("cmdTransColor")->click();
    EXPECT_TRUE(panel->transColor() == 255 && part("lTransColor")->palette().color(QPalette::Window) == Qt::red);
}

// ---- the history window ------------------------------------------------------------------------

class HistoryWindowTest : public WindowTest {
protected:
    QString settings() const { return window->context().settingsFile(); }
    // File, "Recent Project Files ...": the window it opened, which stays until a button closes it.
    QPointer<HistoryDialog> openFromMenu()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the window shown before
        trigger("mnuFileSub11");
        auto* list = window->findChild<HistoryDialog*>(QStringLiteral("frmList"));
        EXPECT_TRUE(list && list->isVisible() && list->windowModality() != Qt::NonModal);
        return list;
    }
    static void click(HistoryDialog* list, const char* button, int row = -1)
    {
        if (row >= 0)
            child<QListWidget>(list, "List1")->item(row)->setSelected(true);
        child<QPushButton>(list, button)->click();
    }
};

TEST_F(HistoryWindowTest, ShowsItsButtonsAndOpenRefusesWhatIsNoProjectFile)
{
    HistoryDialog open(window->context(), HistoryListMode::Open, nullptr), edit(window->context(), HistoryListMode::Edit, nullptr);
    expectCaptions(open, {{"frmList", "History List"}, {"OKButton", "&Open"}, {"CancelButton", "&Cancel"},
                          {"cmdDelete", "&Delete"}, {"cmdClear", "&Clear All"}, {"cmdSave", "&Save"}});
    EXPECT_TRUE(!child(&open, "OKButton")->isHidden() && child(&edit, "OKButton")->isHidden() && child(&edit, "CancelButton")->isHidden());

    // Open refuses no selection, a blank line, a missing file and a picture, and the window stays.
    const QString missing = path("gone away.agp"), photo = makePicture(QStringLiteral("photo.png"), 4, 4);
    AddToHistory(missing, settings());
    QPointer<HistoryDialog> list = openFromMenu();
    ASSERT_FALSE(list.isNull());
    click(list, "OKButton");
    child<QListWidget>(list, "List1")->addItems({QStringLiteral("   "), photo, picturesFolder()});  // a working copy the file cannot hold
    for (int row = 0; row < 4; ++row)
        click(list, "OKButton", row);
    const auto notExist = [](const QString& file) { return box("The following file is not exist:\n" + file, MessageIcon::Critical); };
    EXPECT_EQ(dialogs.boxes(), QStringList({box("Please select a file to open ..."), notExist(missing),
                                            box("Please select a file to open ..."),
                                            box(photo + " is not a Pictoreel project."), notExist(picturesFolder())}));
    // The entries stay, in the window and in the file; the main window still shows a new project.
    EXPECT_TRUE(list->isVisible() && list->entries().value(0) == missing);
    EXPECT_EQ(readHistory(settings()), QStringList{missing});
    EXPECT_EQ(window->windowTitle(), QStringLiteral("New Project - Pictoreel"));
    click(list, "CancelButton");
}

TEST_F(HistoryWindowTest, OpenLoadsTheProjectThroughTheMainWindowPutsItOnTopAndCloses)
{
    makePicture(QStringLiteral("p.png"), 24, 12);
    const QString a = path("a.agp"), b = path("b.agp"), c = path("c.agp");
    writeFile(a, QStringLiteral("[Global Properties]\nWidth=24\nFrames=1\n[Frame Properties]\nFRAME001=20;NO;255;p.png;%1\n")
                     .arg(picturesFolder())
                     .toUtf8());
    ASSERT_TRUE(saveHistory({b, a, c}, settings()));
    QPointer<HistoryDialog> list = openFromMenu();
    ASSERT_FALSE(list.isNull());
    EXPECT_EQ(list->entries(), QStringList({b, a, c}));
    click(list, "OKButton", 1);
    EXPECT_TRUE(dialogs.calls.empty() && (list.isNull() || !list->isVisible()));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("a.agp - Pictoreel"));
    EXPECT_TRUE(rowCount() == 1 && textOf("txtWidth") == QStringLiteral("24"));
    EXPECT_EQ(readHistory(settings()), QStringList({a, b, c}));
    // Closing the window ends the File command: the Auto Size rule sees the opened frames.
    EXPECT_TRUE(part("cmdAutoW")->isEnabled() && part("cmdAutoH")->isEnabled());

    // From the keyboard: Enter on the line that has the focus opens it, selected or not.
    list = openFromMenu();
    ASSERT_FALSE(list.isNull());
    auto* lines = child<QListWidget>(list, "List1");
    lines->setFocus();
    lines->setCurrentRow(0, QItemSelectionModel::Current);
    ASSERT_TRUE(lines->selectedItems().isEmpty());
    dialogs.clear();
    QTest::keyClick(lines, Qt::Key_Return);
    EXPECT_TRUE(dialogs.calls.empty() && (list.isNull() || !list->isVisible()));
}

TEST_F(HistoryWindowTest, DeleteAndCancelLeaveTheFileAsItWasDeleteClearAndSaveWriteTheList)
{
    ASSERT_TRUE(saveHistory({"/p/1.agp", "/p/2.agp", "/p/3.agp"}, settings()));
    const QString before = readTextFile(settings());
    QPointer<HistoryDialog> list;
    for (bool save : {false, true}) {
        list = openFromMenu();
        ASSERT_FALSE(list.isNull());
        click(list, "cmdDelete", 1);
        click(list, "cmdDelete");  // nothing selected any more: nothing happens
        EXPECT_EQ(list->entries(), QStringList({"/p/1.agp", "/p/3.agp"}));
        click(list, save ? "cmdSave" : "CancelButton");
        EXPECT_EQ(readTextFile(settings()) == before, !save);
    }
    // Editing on after a save, then leaving by the close box, keeps what was saved.
    ASSERT_TRUE(list && list->isVisible());
    click(list, "cmdClear");
    list->close();
    EXPECT_TRUE(!list->isVisible() && readHistory(settings()) == QStringList({"/p/1.agp", "/p/3.agp"}) && dialogs.calls.empty());
}

}  // namespace
}  // namespace pictoreel::testing
