// Undo and redo in the main window, the modified mark of its title, and the save question that
// only a modified project asks.
#include "gui/support/window_fixture.h"

#include <QClipboard>
#include <QGuiApplication>

namespace pictoreel::testing {
namespace {

TEST_F(WindowTest, EditsAreUndoneBackToTheSavedProjectAndRedone)
{
    auto* undo = part<QAction>("mnuEditUndo");
    auto* redo = part<QAction>("mnuEditRedo");
    EXPECT_FALSE(undo->isEnabled() || redo->isEnabled());
    EXPECT_EQ(redo->shortcuts(), QList<QKeySequence>({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")}));
    // The project as the window shows it: the panel's global values and every row.
    const auto shown = [this] {
        QStringList texts{panelValues().section(u'|', 0, 0)};
        for (int row = 1; row <= rowCount(); ++row)
            texts.append(rowTexts(row).join(u','));
        return texts.join(u'/');
    };
    const auto settle = [] { QCoreApplication::processEvents(); };
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    dialogs.answerFile(path("u.agp"));
    trigger("mnuFileSub4");
    settle();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("u.agp - Pictoreel"));
    QStringList states{shown()};
    const std::function<void()> edits[] = {
        [&] { addPictures({QStringLiteral("c.png")}); },
        [&] {
            listView()->selectRow(2);
            part<QLineEdit>("txtInterval")->setText(QStringLiteral("70"));
            part<QPushButton>("cmdApply")->click();
        },
        [&] { trigger("mnuEditSub8"); },  // Move Highlight Frame Down
        [&] {
            auto* width = part<QLineEdit>("txtWidth");
            width->selectAll();
            QTest::keyClicks(width, QStringLiteral("64"));
            QTest::keyClick(width, Qt::Key_Return);
        },
        [&] {
            setRowChecked(1, true);
            trigger("mnuEditSub4");  // Remove Checked Frames
        },
    };
    for (const auto& edit : edits) {
        edit();
        settle();
        states.append(shown());
        EXPECT_TRUE(window->windowTitle().startsWith(u'*') && undo->isEnabled() && !redo->isEnabled());
    }
    for (qsizetype k = states.size() - 2; k >= 0; --k) {
        trigger("mnuEditUndo");
        EXPECT_EQ(shown(), states[k]);
    }
    EXPECT_TRUE(window->windowTitle() == QStringLiteral("u.agp - Pictoreel") && redo->isEnabled());
    dialogs.clear();
    EXPECT_TRUE(window->close() && dialogs.calls.empty());  // nothing to save, nothing asked
    window->show();
    for (qsizetype k = 1; k < states.size(); ++k) {
        trigger("mnuEditRedo");
        EXPECT_EQ(shown(), states[k]);
    }
    EXPECT_TRUE(window->windowTitle().startsWith(u'*') && !redo->isEnabled());

    // A new change after Undo ends the redo.
    trigger("mnuEditUndo");
    trigger("mnuEditReverse");
    settle();
    EXPECT_TRUE(!redo->isEnabled() && window->windowTitle().startsWith(u'*'));
    // Opening another project asks first; Cancel keeps this one.
    dialogs.answerFile(path("u.agp"));
    dialogs.messageAnswers = {MessageAnswer::Cancel};
    trigger("mnuFileSub2");
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Would you like to save the project before closing?")});
    EXPECT_TRUE(rowCount() == 3 && window->windowTitle() == QStringLiteral("*u.agp - Pictoreel"));
}

// What is typed into a box is a state of the history as the box takes it: a value the range check
// refuses never is (Undo after a refused width and a good one brings back the width before both),
// and a number pasted with its line end (as a spreadsheet cell copies) is that number.
TEST_F(WindowTest, TypedValuesAreUndoneAsTheBoxTookThem)
{
    addPictures({QStringLiteral("a.png")});
    QCoreApplication::processEvents();
    auto* width = part<QLineEdit>("txtWidth");
    const QString before = width->text();
    for (const char* typed : {"0", "64"}) {
        width->selectAll();
        QTest::keyClicks(width, QString::fromLatin1(typed));
        QTest::keyClick(width, Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    trigger("mnuEditUndo");
    EXPECT_EQ(width->text(), before);
    trigger("mnuEditRedo");
    EXPECT_EQ(width->text(), QStringLiteral("64"));

    QGuiApplication::clipboard()->setText(QStringLiteral("7\r\n2\n"));
    width->selectAll();
    width->paste();
    QTest::keyClick(width, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(std::pair(width->text(), width->cursorPosition()), std::pair(QStringLiteral("72"), 2));
    trigger("mnuEditUndo");
    EXPECT_EQ(width->text(), QStringLiteral("64"));
}

}  // namespace
}  // namespace pictoreel::testing
