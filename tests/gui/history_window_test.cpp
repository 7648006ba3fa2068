// The history window: opened from File, "Recent Project Files ...", it lists the recent projects
// without gaps, opens one through the main window, and edits a working copy that reaches the
// settings file only through "&Save".
#include "gui/support/gui_test.h"
#include "core/project/history.h"
#include "core/project/settings_store.h"
#include "gui/history_dialog.h"
#include "gui/support/window_fixture.h"

#include <QRegularExpression>

namespace pictoreel::testing {
namespace {

class HistoryWindowTest : public WindowTest {
protected:
    QString settings() const { return window->context().settingsFile(); }

    // The values of the history keys `from` to `to` in the settings file, "-" for a missing key.
    QStringList historyKeys(int from, int to) const
    {
        QStringList values;
        for (int place = from; place <= to; ++place)
            values << ReadIniKey(QStringLiteral("Project"), historyKey(place), QStringLiteral("-"), settings());
        return values;
    }

    // A project file of one frame, so that opening it is visible in the main window.
    QString makeProject(const QString& name)
    {
        makePicture(QStringLiteral("p.png"), 24, 12);
        const QString project = path(name);
        writeFile(project, QStringLiteral("[Global Properties]\nWidth=24\nHeight=12\nLoop Infinitely=1\nLoop Times=1\n"
                                  "Output GIF File Name=\nFrames=1\n[Frame Properties]\nFRAME001=20;NO;255;p.png;%1\n")
                       .arg(picturesFolder())
                       .toUtf8());
        return project;
    }

    // File, "Recent Project Files ...": the window it opened.
    HistoryDialog* openFromMenu()
    {
        trigger(QStringLiteral("mnuFileSub11"));
        auto* list = window->findChild<HistoryDialog*>(QStringLiteral("frmList"));
        EXPECT_NE(list, nullptr);
        return list;
    }

    static void select(HistoryDialog* list, int row) { list->List1->item(row)->setSelected(true); }

    static bool isGone(const QPointer<HistoryDialog>& list)
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return list.isNull() || !list->isVisible();
    }
};

TEST_F(HistoryWindowTest, RecentProjectFilesShowsTheWindowModallyWithItsControlsWhereDesigned)
{
    HistoryDialog* list = openFromMenu();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible() && list->windowModality() != Qt::NonModal);
    EXPECT_EQ(list->windowTitle(), QStringLiteral("History List"));

    struct Expected {
        QPushButton* button;
        const char* caption;
        int left;
    };
    for (const Expected& e : {Expected{list->OKButton, "&Open", 120}, Expected{list->CancelButton, "&Cancel", 1200},
                              Expected{list->cmdDelete, "&Delete", 3960}, Expected{list->cmdClear, "&Clear All", 5040},
                              Expected{list->cmdSave, "&Save", 6120}}) {
        SCOPED_TRACE(e.caption);
        EXPECT_EQ(e.button->text(), QString::fromLatin1(e.caption));
        EXPECT_TRUE(e.button->isVisible());
        EXPECT_EQ(e.button->parentWidget(), list->Picture1);
        EXPECT_EQ(e.button->geometry(), twipsRect(e.left, 120, 975, 375));
    }
    // The designed client area: the bar of 660 twips on top, the list filling the pane below.
    EXPECT_EQ(list->size(), QSize(twipsToPixels(7755), twipsToPixels(6900)));
    EXPECT_EQ(list->Picture1->geometry(), twipsRect(0, 0, 7755, 660));
    EXPECT_EQ(list->Picture2->geometry(), twipsRect(0, 660, 7755, 6900 - 660));
    EXPECT_EQ(list->List1->geometry(), QRect(QPoint(0, 0), list->Picture2->size()));
    EXPECT_EQ(list->List1->count(), 0);

    // Edit mode (the Options dialog): the open and cancel buttons are hidden, the rest stay.
    HistoryDialog edit(window->context(), HistoryListMode::Edit, window.get());
    edit.show();
    for (QPushButton* b : {edit.OKButton, edit.CancelButton, edit.cmdDelete, edit.cmdClear, edit.cmdSave})
        EXPECT_EQ(b->isVisible(), b != edit.OKButton && b != edit.CancelButton) << b->text().toStdString();
    EXPECT_EQ(edit.cmdDelete->geometry(), twipsRect(3960, 120, 975, 375));
    list->CancelButton->click();
}

TEST_F(HistoryWindowTest, AGapInTheFileShowsNoGapMovesDownWithTheNextAddAndIsGoneAfterSave)
{
    // Written by hand, as a user with an editor would.
    writeFile(settings(), QStringLiteral("[General]\nTemp Path=%1\n[Project]\nFile1=/p/a.agp\nFile3=/p/c.agp\n"
                                         "File4=   \nFile100=/p/z.agp\nFile101=/p/beyond.agp\n")
                              .arg(window->context().tempFolder())
                              .toUtf8());
    forgetParsedIniFiles();
    {
        HistoryDialog list(window->context(), HistoryListMode::Open, window.get());
        EXPECT_EQ(list.entries(), QStringList({"/p/a.agp", "/p/c.agp", "/p/z.agp"}));
    }

    // The next AddToHistory moves every place down one, the empty one included.
    AddToHistory(QStringLiteral("/p/new.agp"), settings());
    EXPECT_EQ(historyKeys(1, 4), QStringList({"/p/new.agp", "/p/a.agp", "-", "/p/c.agp"}));

    HistoryDialog* list = openFromMenu();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->entries(), QStringList({"/p/new.agp", "/p/a.agp", "/p/c.agp"}));
    list->cmdSave->click();
    EXPECT_TRUE(list->isVisible());  // "&Save" stays in the window
    EXPECT_EQ(historyKeys(1, 100), QStringList({"/p/new.agp", "/p/a.agp", "/p/c.agp"}) + QStringList(97, QStringLiteral("-")));
    // Other settings are left alone.
    EXPECT_EQ(ReadIniKey(QStringLiteral("General"), QStringLiteral("Temp Path"), {}, settings()),
              window->context().tempFolder());
    list->CancelButton->click();
}

TEST_F(HistoryWindowTest, OpenRefusesNoSelectionABlankLineAndAMissingFileAndStays)
{
    const QString missing = path(QStringLiteral("gone away.agp"));
    AddToHistory(missing, settings());
    HistoryDialog* list = openFromMenu();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->List1->count(), 1);

    list->OKButton->click();
    EXPECT_EQ(dialogs.boxes(), QStringList{box("Please select a file to open ...")});
    EXPECT_TRUE(list->isVisible());

    // A line of blanks (a working copy the file cannot hold) counts as no choice.
    list->List1->addItem(QStringLiteral("   "));
    select(list, 1);
    dialogs.clear();
    list->OKButton->click();
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Please select a file to open ...")});

    select(list, 0);
    dialogs.clear();
    list->OKButton->click();
    EXPECT_EQ(dialogs.boxes(), QStringList{box("The following file is not exist:\n" + missing, MessageIcon::Critical)});
    // The entry stays, in the window and in the file; the main window still shows a new project.
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(list->entries().value(0), missing);
    EXPECT_EQ(readHistory(settings()), QStringList{missing});
    EXPECT_EQ(window->windowTitle(), QStringLiteral("New Project - Pictoreel"));

    // A picture is no project: the main window says so, and the list stays for another choice.
    const QString photo = makePicture(QStringLiteral("photo.png"), 4, 4);
    list->List1->item(0)->setText(photo);
    select(list, 0);
    dialogs.clear();
    list->OKButton->click();
    EXPECT_EQ(dialogs.boxes(), QStringList{box(photo + " is not a Pictoreel project.")});
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("New Project - Pictoreel"));

    // A folder of that name is no project file either.
    list->List1->item(0)->setText(picturesFolder());
    select(list, 0);
    dialogs.clear();
    list->OKButton->click();
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("The following file is not exist:\n") + picturesFolder()});
    list->CancelButton->click();
}

TEST_F(HistoryWindowTest, OpenLoadsTheProjectThroughTheMainWindowPutsItOnTopAndCloses)
{
    const QString a = makeProject(QStringLiteral("a.agp"));
    const QString b = path(QStringLiteral("b.agp"));
    const QString c = path(QStringLiteral("c.agp"));
    ASSERT_TRUE(saveHistory({b, a, c}, settings()));
    EXPECT_FALSE(panel->cmdAutoW->isEnabled());

    QPointer<HistoryDialog> list = openFromMenu();
    ASSERT_FALSE(list.isNull());
    EXPECT_EQ(list->entries(), QStringList({b, a, c}));
    select(list, 1);
    list->OKButton->click();
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(isGone(list));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("a.agp - Pictoreel"));
    EXPECT_EQ(rowCount(), 1);
    EXPECT_EQ(panel->txtWidth->text(), QStringLiteral("24"));
    EXPECT_EQ(readHistory(settings()), QStringList({a, b, c}));
    // Closing the window ends the File command: the Auto Size rule sees the opened frames.
    EXPECT_TRUE(panel->cmdAutoW->isEnabled());
    EXPECT_TRUE(panel->cmdAutoH->isEnabled());

    // Opening the project that is already on top leaves the history as it is.
    list = openFromMenu();
    ASSERT_FALSE(list.isNull());
    select(list, 0);
    list->OKButton->click();
    EXPECT_TRUE(isGone(list));
    EXPECT_EQ(readHistory(settings()), QStringList({a, b, c}));
}

TEST_F(HistoryWindowTest, DeleteAndCancelLeaveTheFileAsItWasDeleteAndSaveWriteTheShorterList)
{
    QStringList entries;
    for (int i = 1; i <= 5; ++i)
        entries.append(QStringLiteral("/p/%1.agp").arg(i));
    ASSERT_TRUE(saveHistory(entries, settings()));
    const QString before = readTextFile(settings());

    QPointer<HistoryDialog> list = openFromMenu();
    ASSERT_FALSE(list.isNull());
    select(list, 1);
    list->cmdDelete->click();
    EXPECT_TRUE(list->List1->selectedItems().isEmpty());
    list->cmdDelete->click();  // nothing selected: nothing happens
    EXPECT_EQ(list->entries(), QStringList({"/p/1.agp", "/p/3.agp", "/p/4.agp", "/p/5.agp"}));
    select(list, 3);
    list->cmdDelete->click();
    EXPECT_EQ(list->entries(), QStringList({"/p/1.agp", "/p/3.agp", "/p/4.agp"}));
    list->CancelButton->click();
    EXPECT_TRUE(isGone(list));
    EXPECT_EQ(readTextFile(settings()), before);
    EXPECT_TRUE(dialogs.calls.empty());

    // The same deletions saved: "File1" onwards hold the shorter list, the keys behind it go.
    list = openFromMenu();
    ASSERT_FALSE(list.isNull());
    EXPECT_EQ(list->entries(), entries);  // the cancelled deletions are forgotten
    select(list, 1);
    list->cmdDelete->click();
    select(list, 3);
    list->cmdDelete->click();
    list->cmdSave->click();
    EXPECT_EQ(historyKeys(1, 5), QStringList({"/p/1.agp", "/p/3.agp", "/p/4.agp", "-", "-"}));
    // Editing on after a save, then leaving by the close box, keeps what was saved.
    list->cmdClear->click();
    EXPECT_EQ(list->List1->count(), 0);
    list->close();
    EXPECT_TRUE(isGone(list));
    EXPECT_EQ(readHistory(settings()), QStringList({"/p/1.agp", "/p/3.agp", "/p/4.agp"}));
}

TEST_F(HistoryWindowTest, ClearAllAndSaveRemoveEveryFileKeyInEitherMode)
{
    const auto fileKeys = [this] {
        static const QRegularExpression key(QStringLiteral("^\\s*File\\d+\\s*="),
                                            QRegularExpression::MultilineOption
                                                | QRegularExpression::CaseInsensitiveOption);
        return readTextFile(settings()).count(key);
    };
    QStringList full;
    for (int i = 1; i <= 100; ++i)
        full.append(QStringLiteral("/p/%1.agp").arg(i));
    ASSERT_TRUE(saveHistory(full, settings()));
    ASSERT_EQ(fileKeys(), 100);

    HistoryDialog edit(window->context(), HistoryListMode::Edit, window.get());
    edit.show();
    EXPECT_EQ(edit.List1->count(), 100);
    edit.cmdClear->click();
    edit.cmdSave->click();
    EXPECT_EQ(fileKeys(), 0);
    EXPECT_TRUE(readHistory(settings()).isEmpty());
    EXPECT_TRUE(edit.isVisible());

    // Clear All on an empty list and Save again change nothing.
    const QString after = readTextFile(settings());
    edit.cmdClear->click();
    edit.cmdSave->click();
    EXPECT_EQ(readTextFile(settings()), after);
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(HistoryWindowTest, ResizingKeepsTheBarOnTopAndTheListFillingTheRest)
{
    HistoryDialog list(window->context(), HistoryListMode::Open, window.get());
    list.show();
    list.resize(twipsToPixels(9000), twipsToPixels(8250));
    QCoreApplication::processEvents();
    EXPECT_EQ(list.Picture1->geometry(), twipsRect(0, 0, 9000, 660));
    EXPECT_EQ(list.Picture2->geometry(), twipsRect(0, 660, 9000, 8250 - 660));
    EXPECT_EQ(list.List1->geometry(), QRect(QPoint(0, 0), list.Picture2->size()));
    // The buttons keep their places.
    EXPECT_EQ(list.cmdSave->geometry(), twipsRect(6120, 120, 975, 375));

    // Lower than the bar: the pane shrinks to nothing, never below.
    list.resize(twipsToPixels(3000), twipsToPixels(450));
    QCoreApplication::processEvents();
    ASSERT_EQ(list.height(), twipsToPixels(450));
    EXPECT_EQ(list.Picture2->height(), 0);
    EXPECT_EQ(list.List1->height(), 0);
    EXPECT_EQ(list.Picture2->width(), list.width());
    EXPECT_EQ(list.List1->width(), list.width());
}

}  // namespace
}  // namespace pictoreel::testing
