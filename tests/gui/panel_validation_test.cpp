// The range checks of the panel's numeric boxes, made when the focus moves from a box to another
// control: the two-line message, the box's tab made current, the focus given back and the text
// kept; and what does not count as leaving a box.
#include "gui/support/gui_test.h"
#include "gui/history_dialog.h"
#include "gui/support/window_fixture.h"

namespace pictoreel::testing {
namespace {

class PanelValidationTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // Every box can take the focus.
        panel->chkLoop->setChecked(false);
        ASSERT_TRUE(panel->txtLoop->isEnabled());
    }

    // Types nothing: puts `text` into `box` as a paste would, with the focus in the box.
    void enter(QLineEdit* box, const QString& text)
    {
        panel->setCurrentIndex(box == panel->txtInterval ? 1 : 0);
        box->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        ASSERT_TRUE(box->hasFocus());
        box->setText(text);
        dialogs.clear();
    }

    // Moves the focus to `target` and lets the queued check run.
    static void leaveTo(QWidget* target)
    {
        target->setFocus(Qt::MouseFocusReason);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
};

QString expectedMessage(const char* firstLine)
{
    return QString::fromLatin1(firstLine) + QStringLiteral("\nplease enter a valid value again");
}
QStringList widthRefused() { return {expectedMessage("the width value must be between 8 and 1024, ")}; }

TEST_F(PanelValidationTest, EachBoxRefusesEmptyNonNumericAndOutOfRangeTextsAndTakesItsEnds)
{
    struct Case {
        QLineEdit* box;
        const char* firstLine;
        int tab;
        QStringList refused;
        QStringList accepted;
    };
    const Case cases[] = {
        {panel->txtInterval, "the frame interval value must be between 1 and 1000, ", 1,
         {"", "0", "1001", "abc", "-5", "0.4", "1000.4", "1e4"},
         {"1", "1000", "0050", " 75 ", "1e3"}},
        {panel->txtWidth, "the width value must be between 8 and 1024, ", 0,
         {"7", "1025", "", "x8", "7.9", "99999999999999999999"},
         {"8", "1024", "640"}},
        {panel->txtHeight, "the height value must be between 8 and 1024, ", 0, {"7", "1025", " "}, {"8", "1024"}},
        {panel->txtLoop, "the loop value must be between 0 and 65535, ", 0, {"65536", "", "-1", "1.5.2"},
         {"0", "65535"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box->objectName().toStdString());
        // Leaving for the frame list, which is outside the panel.
        for (const QString& text : c.refused) {
            SCOPED_TRACE(text.toStdString());
            enter(c.box, text);
            leaveTo(listView());
            EXPECT_EQ(dialogs.boxes(), QStringList{box(expectedMessage(c.firstLine))});
            EXPECT_TRUE(panel->currentIndex() == c.tab && c.box->hasFocus());
            EXPECT_EQ(c.box->text(), text);  // no earlier value comes back
        }
        for (const QString& text : c.accepted) {
            SCOPED_TRACE(text.toStdString());
            enter(c.box, text);
            leaveTo(listView());
            EXPECT_TRUE(dialogs.calls.empty() && listView()->hasFocus());
        }
    }
    // The message texts are the panel's own too.
    EXPECT_EQ(PropertyPanel::rangeMessage(QStringLiteral("txtWidth")),
              expectedMessage("the width value must be between 8 and 1024, "));
}

TEST_F(PanelValidationTest, LeavingByAnotherTabBringsTheBoxTabBackAndTheFocusIntoTheBox)
{
    enter(panel->txtInterval, QStringLiteral("0"));
    // The user picks "Global Properties" while the interval box holds a refused value.
    panel->setCurrentIndex(0);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList{expectedMessage("the frame interval value must be between 1 and 1000, ")});
    EXPECT_TRUE(panel->currentIndex() == 1 && panel->txtInterval->hasFocus());

    // Width on "Global Properties", left for a control of "Frame Properties".
    panel->txtInterval->setText(QStringLiteral("10"));
    enter(panel->txtWidth, QStringLiteral("1025"));
    panel->setCurrentIndex(1);
    leaveTo(panel->chkTrans);
    EXPECT_EQ(dialogs.messageTexts(), widthRefused());
    EXPECT_TRUE(panel->currentIndex() == 0 && panel->txtWidth->hasFocus());
}

TEST_F(PanelValidationTest, TwoRefusedBoxesGiveOneMessageAndTheFocusStaysWithTheFirst)
{
    panel->txtHeight->setText(QString());
    enter(panel->txtWidth, QStringLiteral("7"));
    leaveTo(panel->txtHeight);
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messageTexts(), widthRefused());
    EXPECT_TRUE(panel->txtWidth->hasFocus());

    // The Tab key leaves the box as a click does; the next control in the row is Auto Size.
    addPictures({QStringLiteral("a.png")});
    enter(panel->txtWidth, QStringLiteral("1025"));
    QTest::keyClick(panel->txtWidth, Qt::Key_Tab);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messageTexts(), widthRefused());
    EXPECT_TRUE(panel->txtWidth->hasFocus());
}

TEST_F(PanelValidationTest, OtherWindowsAndMenusAreNotLeavingTheBox)
{
    enter(panel->txtWidth, QStringLiteral("7"));
    // A modal window of the program takes the focus: no check.
    trigger(QStringLiteral("mnuFileSub11"));
    auto* list = window->findChild<HistoryDialog*>(QStringLiteral("frmList"));
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(list));
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.calls.empty());
    list->CancelButton->click();
    QCoreApplication::processEvents();

    // Opening a menu neither.
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    panel->txtWidth->setFocus();
    QCoreApplication::processEvents();
    dialogs.clear();
    part<QMenu>(QStringLiteral("mnuEdit"))->popup(window->mapToGlobal(QPoint(10, 10)));
    QCoreApplication::processEvents();
    part<QMenu>(QStringLiteral("mnuEdit"))->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(panel->txtWidth->text(), QStringLiteral("7"));

    // But the next control of the window does check it.
    leaveTo(listView());
    EXPECT_EQ(dialogs.messageTexts(), widthRefused());
}

TEST_F(PanelValidationTest, AutoSizeWritesWithoutACheckTheCheckComesWithTheNextFocusLoss)
{
    addPictures({QStringLiteral("wide.png")}, 2000, 10);
    listView()->selectRow(1);
    window->ShowFrameProperties();
    dialogs.clear();
    panel->cmdAutoW->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(panel->txtWidth->text(), QStringLiteral("2000"));
    EXPECT_TRUE(dialogs.calls.empty());

    enter(panel->txtWidth, panel->txtWidth->text());
    leaveTo(listView());
    EXPECT_EQ(dialogs.messageTexts(), widthRefused());
    EXPECT_EQ(panel->txtWidth->text(), QStringLiteral("2000"));
}

TEST_F(PanelValidationTest, TheLoopBoxFollowsTheCheckBoxWhoeverSetsIt)
{
    panel->txtLoop->setText(QStringLiteral("4"));
    panel->chkLoop->setChecked(true);  // by the program
    EXPECT_FALSE(panel->txtLoop->isEnabled());
    panel->chkLoop->setChecked(false);
    EXPECT_TRUE(panel->txtLoop->isEnabled());
    // By the user, on the check mark, the text kept.
    QTest::mouseClick(panel->chkLoop, Qt::LeftButton, {}, QPoint(6, panel->chkLoop->height() / 2));
    EXPECT_EQ(panelValues().section(u' ', 0, 4), QStringLiteral("100x75 loop 4 ticked off"));
    // A new project ticks the box again.
    panel->chkLoop->setChecked(false);
    window->NewProject();
    EXPECT_EQ(panelValues().section(u' ', 0, 4), QStringLiteral("100x75 loop 1 ticked off"));
}

}  // namespace
}  // namespace pictoreel::testing
