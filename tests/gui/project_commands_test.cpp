// New, open, save and save as: their dialogs, the files they write, the title and the history.
#include "gui/support/gui_test.h"
#include "core/project/history.h"
#include "core/project/settings_store.h"
#include "gui/program_start.h"
#include "gui/support/window_fixture.h"

#include <QKeyEvent>

namespace pictoreel::testing {
namespace {

using Kind = DialogCall::Kind;

TEST_F(WindowTest, SavingANewProjectAsksForANameProposesTheGifAndTitlesTheWindow)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    panel->txtWidth->setText(QStringLiteral("100"));
    panel->txtHeight->setText(QStringLiteral("75"));
    window->frames().setColumn(2, FrameColumn::Interval, QStringLiteral("25"));
    window->frames().setColumn(2, FrameColumn::Trans, QStringLiteral("NO"));

    // Cancelled: nothing written, still a new project.
    dialogs.answerCancel();
    trigger(QStringLiteral("mnuFileSub4"));
    EXPECT_TRUE(window->ProjectFile().isEmpty());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("New Project - Pictoreel"));

    const QString project = path(QStringLiteral("demo.agp"));
    dialogs.clear();
    dialogs.answerFile(project);
    trigger(QStringLiteral("Toolbar1_save"));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, Kind::SaveFile);
    EXPECT_EQ(dialogs.calls[0].request.title, QStringLiteral("Save Project As (*.agp)..."));
    EXPECT_EQ(dialogs.calls[0].request.filter, QStringLiteral("Animated GIF Project(*.agp)|*.agp"));

    const QString gif = path(QStringLiteral("demo.gif"));
    EXPECT_EQ(panel->txtOutputFile->text(), gif);
    EXPECT_EQ(window->ProjectFile(), project);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("demo.agp - Pictoreel"));
    const QStringList expectedLines{
        "[Global Properties]", "Width=100", "Height=75", "Loop Infinitely=1", "Loop Times=1",
        "Output GIF File Name=" + gif, "Frames=2", "[Frame Properties]",
        "FRAME001=50;YES;16777215;a.png;" + picturesFolder(), "FRAME002=25;NO;16777215;b.png;" + picturesFolder()};
    QStringList lines = readTextFile(project).split(u'\n', Qt::SkipEmptyParts);
    for (QString& line : lines)
        line = line.trimmed();
    lines.removeAll(QString());
    EXPECT_EQ(lines, expectedLines);
    EXPECT_EQ(readHistory(window->context().settingsFile()).value(0), project);

    // A project with a file saves without a question.
    dialogs.clear();
    window->frames().setColumn(1, FrameColumn::Interval, QStringLiteral("60"));
    trigger(QStringLiteral("mnuFileSub4"));
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(readTextFile(project).contains(QStringLiteral("FRAME001=60;")));
}

TEST_F(WindowTest, SaveAsWritesUnderTheNewNameAndCancelChangesNothing)
{
    addPictures({QStringLiteral("a.png")});
    dialogs.clear();
    dialogs.answerCancel();
    trigger(QStringLiteral("mnuFileSub5"));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].request.title, QStringLiteral("Save Project As ..."));
    EXPECT_TRUE(window->ProjectFile().isEmpty());
    EXPECT_TRUE(panel->txtOutputFile->text().isEmpty());

    // A name typed without ".agp" is used as typed, and the proposed GIF never is the project.
    const QString project = path(QStringLiteral("noext"));
    dialogs.answerFile(project);
    trigger(QStringLiteral("mnuFileSub5"));
    EXPECT_EQ(window->ProjectFile(), project);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("noext - Pictoreel"));
    EXPECT_TRUE(QFile::exists(project));
    EXPECT_NE(panel->txtOutputFile->text(), project);
    EXPECT_FALSE(panel->txtOutputFile->text().isEmpty());
}

TEST_F(WindowTest, OpeningAProjectFillsListAndPanelAndEntersTheHistory)
{
    makePicture(QStringLiteral("p.png"), 32, 16);
    const QString project = path(QStringLiteral("hand.agp"));
    writeFile(project, QStringLiteral("[Global Properties]\nWidth=32\nHeight=16\nLoop Infinitely=0\nLoop Times=3\n"
                                      "Output GIF File Name=/out/x.gif\nFrames=3\n[Frame Properties]\n"
                                      "FRAME001=20;NO;255;p.png;%1\nFRAME002=no separator\nFRAME003=30;YES;0;q.png;%1\n")
                           .arg(picturesFolder())
                           .toUtf8());

    // Cancel keeps the current project.
    addPictures({QStringLiteral("keep.png")});
    dialogs.clear();
    dialogs.answerCancel();
    trigger(QStringLiteral("Toolbar1_open"));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, Kind::OpenFile);
    EXPECT_EQ(dialogs.calls[0].request.title, QStringLiteral("Open Project File (*.agp) ..."));
    EXPECT_EQ(dialogs.calls[0].request.filter, QStringLiteral("Animated GIF Project(*.agp)|*.agp"));
    EXPECT_EQ(rowCount(), 1);

    dialogs.answerFile(project);
    trigger(QStringLiteral("mnuFileSub2"));
    ASSERT_EQ(rowCount(), 2);  // the entry without ";" is skipped, leaving no gap
    EXPECT_EQ(rowTexts(1), QStringList({"1", "20", "NO", "255", "p.png", picturesFolder()}));
    EXPECT_EQ(rowTexts(2)[0], QStringLiteral("2"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("hand.agp - Pictoreel"));
    // The first row is shown: its frame values replace the panel's.
    EXPECT_EQ(panelValues(), QStringLiteral("32x16 loop 3 unticked on out=/out/x.gif | 20 NO 255"));
    EXPECT_EQ(listView()->selectedRow(), 1);
    EXPECT_EQ(panel->lWidth->text(), QStringLiteral("32 Pixels"));
    EXPECT_TRUE(panel->cmdAutoW->isEnabled());
    EXPECT_EQ(readHistory(window->context().settingsFile()).value(0), project);
}

TEST_F(WindowTest, OpenProjectFileWithoutFramesOrWithAGreyedLoopKeepsTheNewProjectValues)
{
    const QString project = path(QStringLiteral("empty.agp"));
    writeFile(project, "[Global Properties]\nLoop Infinitely=2\n");
    window->OpenProjectFile(project);
    EXPECT_EQ(rowCount(), 0);
    // Greyed is not unticked: the loop box stays off.
    EXPECT_EQ(panelValues(), QStringLiteral("100x75 loop 1 greyed off out= | 50 YES 16777215"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("empty.agp - Pictoreel"));
    EXPECT_FALSE(panel->cmdAutoW->isEnabled());

    // A file that does not exist loads as an empty project under its name; blank loads nothing.
    const QString missing = path(QStringLiteral("missing.agp"));
    window->OpenProjectFile(missing);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("missing.agp - Pictoreel"));
    EXPECT_EQ(panel->chkLoop->checkState(), Qt::Checked);
    EXPECT_EQ(readHistory(window->context().settingsFile()), QStringList({missing, project}));
    window->OpenProjectFile(QStringLiteral("   "));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("New Project - Pictoreel"));
    EXPECT_TRUE(window->ProjectFile().isEmpty());
}

// A picture (or any file that is not a project) is never taken for a project, so no save can
// write into it; an empty file still opens as an empty project.
TEST_F(WindowTest, APictureIsNeitherOpenedAsAProjectNorSavedOver)
{
    const QString photo = makePicture(QStringLiteral("photo.png"), 40, 30);
    const QByteArray bytes = readFile(photo);
    const QString refused = box(photo + QStringLiteral(" is not a Pictoreel project."));
    addPictures({QStringLiteral("a.png")});

    // File > Open and the command line: told, and the project stays as it was.
    dialogs.clear();
    dialogs.answerFile(photo);
    trigger(QStringLiteral("mnuFileSub2"));
    EXPECT_FALSE(openProjectFromArguments(*window, {QStringLiteral("pictoreel"), photo}));
    EXPECT_EQ(dialogs.boxes(), QStringList({refused, refused}));
    EXPECT_EQ(rowCount(), 1);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("New Project - Pictoreel"));

    // Save (which asks for a name) and Save As onto the picture: told, nothing written.
    for (int command : {4, 5}) {
        dialogs.clear();
        dialogs.answerFile(photo);
        trigger(QStringLiteral("mnuFileSub%1").arg(command));
        EXPECT_EQ(dialogs.boxes(), QStringList{refused}) << command;
    }
    EXPECT_EQ(readFile(photo), bytes);
    EXPECT_TRUE(window->ProjectFile().isEmpty());
    EXPECT_TRUE(panel->txtOutputFile->text().isEmpty());
    EXPECT_TRUE(readHistory(window->context().settingsFile()).isEmpty());

    const QString empty = path(QStringLiteral("empty.agp"));
    writeFile(empty, QByteArray());
    dialogs.clear();
    EXPECT_TRUE(window->OpenProjectFile(empty));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("empty.agp - Pictoreel"));
    EXPECT_EQ(rowCount(), 0);
    trigger(QStringLiteral("mnuFileSub4"));
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(readTextFile(empty).startsWith(QStringLiteral("[Global Properties]\n")));
}

TEST_F(WindowTest, OutputFileAndColourDialogsChangeOnlyWhenAChoiceIsMade)
{
    dialogs.answerCancel();
    panel->cmdOutputFile->click();
    EXPECT_TRUE(panel->txtOutputFile->text().isEmpty());
    dialogs.answerFile(path(QStringLiteral("out.gif")));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCoreApplication::sendEvent(panel->txtOutputFile, &key);
    EXPECT_EQ(panel->txtOutputFile->text(), path(QStringLiteral("out.gif")));
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_EQ(dialogs.calls[1].request.title, QStringLiteral("Set a gif file name for output ..."));
    EXPECT_EQ(dialogs.calls[1].request.filter, QStringLiteral("Animated GIF Files|*.gif"));

    dialogs.colorAnswers.push_back(std::nullopt);
    dialogs.colorAnswers.push_back(0x0000FF);
    panel->cmdTransColor->click();
    EXPECT_EQ(panel->transColor(), 16777215);
    panel->cmdTransColor->click();
    EXPECT_EQ(panel->transColor(), 255);
    EXPECT_EQ(panel->lTransColor->palette().color(QPalette::Window), QColor(255, 0, 0));
}

}  // namespace
}  // namespace pictoreel::testing
