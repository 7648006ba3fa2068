// The main window's panes and splitter; the property panel's key filter, loop rule and range checks
// (made when the focus leaves a box for another control); file size and file filter texts.
#include "gui/app/dialogs.h"
#include "gui/support/window_fixture.h"

#include <QComboBox>
#include <QFileDialog>

namespace pictoreel::testing {
namespace {

class LayoutTest : public WindowTest {
protected:
    // Drags the splitter so that the left pane would be `toTwips` wide; the width it got.
    int drag(int toTwips)
    {
        window->pressSplitter();
        window->dragSplitter(toTwips - window->leftPaneWidthTwips());
        window->releaseSplitter();
        return window->leftPaneWidthTwips();
    }
};

TEST_F(LayoutTest, TheSplitterMovesThePanesOnReleaseWithinTheirLeastWidthsAndEverythingFits)
{
    const int least = window->leftPaneWidthTwips();  // it opens at its least width
    EXPECT_TRUE(drag(0) == least && drag(least + 300) == least + 300);
    const int rightLeast = window->frameWidthTwips() - drag(100000);
    EXPECT_GT(rightLeast, 300);
    // The grip takes the mouse itself: a left press, a move (the bar follows) and the release.
    drag(least);
    QTest::mousePress(part("imgSplitter"), Qt::LeftButton, {}, QPoint(2, 10));
    QTest::mouseMove(part("imgSplitter"), QPoint(12, 10));
    QTest::mouseRelease(part("imgSplitter"), Qt::LeftButton, {}, QPoint(12, 10));
    EXPECT_EQ(window->leftPaneWidthTwips(), least + 12 * 15);
    // Narrower than both least widths: the right pane's wins.
    window->resize(window->width() - 150, window->height());
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->leftPaneWidthTwips() == window->frameWidthTwips() - rightLeast && drag(0) < least);
}

TEST(PanelTexts, FileSizesAndFileFilters)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates), german(QLocale::German, QLocale::Germany);
    QStringList texts;
    for (qint64 size : {1536, 1024, 500, 0, 1048575})
        texts << fileSizeTextFor(size, english);
    EXPECT_EQ(texts << fileSizeTextFor(1536, german),
              QStringList({"1,536 Bytes (1.5 KB)", "1,024 Bytes (1. KB)", "500 Bytes (.49 KB)", " Bytes (. KB)",
                           "1,048,575 Bytes (1,024. KB)", "1.536 Bytes (1,5 KB)"}));
    // Every description gets the group Qt reads the patterns from, and the dialog shows the
    // descriptions alone, as written: no group twice, no list of every pattern.
    const QString types = QStringLiteral("GIF Files (*.gif)|*.gif|JPG/JPEG Files (*.jpg;*.jpeg)|*.jpg;*.jpeg|All|*.bmp;*.gif");
    EXPECT_EQ(qtFileFilter(types),
              QStringLiteral("GIF Files (*.gif) (*.gif);;JPG/JPEG Files (*.jpg;*.jpeg) (*.jpg *.jpeg);;All (*.bmp *.gif)"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    showFileTypes(dialog, types);
    const auto* typeBox = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_TRUE(typeBox && typeBox->count() == 3);
    EXPECT_EQ(QStringList({typeBox->itemText(0), typeBox->itemText(1), typeBox->itemText(2)}),
              QStringList({"GIF Files (*.gif)", "JPG/JPEG Files (*.jpg;*.jpeg)", "All"}));
    // A name typed without extension under the WebP or PNG entry of the output dialog gets it;
    // under the first (GIF) entry, or with an extension of its own, it stays as typed.
    const QString output = QStringLiteral("Animated GIF Files|*.gif|Animated WebP Files|*.webp|Animated PNG Files|*.png;*.apng");
    const QStringList entries = qtFileFilter(output).split(QStringLiteral(";;"));
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(QStringList({savedFileName("/t/anim", output, entries[1]), savedFileName("/t/anim", output, entries[2]),
                           savedFileName("/t/anim", output, entries[0]), savedFileName("/t/anim.gif", output, entries[1]),
                           savedFileName("/t/anim", output, QString())}),
              QStringList({"/t/anim.webp", "/t/anim.png", "/t/anim", "/t/anim.gif", "/t/anim"}));
}

class PanelTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        part<QCheckBox>("chkLoop")->setChecked(false);  // every box can take the focus
    }
    // Puts `text` into `box` as a paste would, with the focus in the box.
    void enter(QLineEdit* box, const QString& text)
    {
        panel->setCurrentIndex(box == part("txtInterval") ? 1 : 0);
        box->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(box->hasFocus());
        box->setText(text);
        dialogs.clear();
    }
    // Moves the focus to `target` (if any) and lets the queued check run.
    static void leaveTo(QWidget* target)
    {
        if (target)
            target->setFocus(Qt::MouseFocusReason);
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }
    const QStringList widthRefused{QStringLiteral("the width value must be between 8 and 1024, \nplease enter a valid value again")};
};

TEST_F(PanelTest, EachBoxRefusesTextsOutOfItsRangeWhenTheFocusLeavesItForAnotherControlOrTab)
{
    struct Case {
        QLineEdit* box;
        const char* range;
        QStringList refused, accepted;
    };
    const Case cases[] = {
        {part<QLineEdit>("txtInterval"), "frame interval value must be between 1 and 1000", {"", "0", "1001", "abc", "0.4", "1e4"},
         {"1", "1000", " 75 ", "1e3"}},
        {part<QLineEdit>("txtWidth"), "width value must be between 8 and 1024", {"7", "1025", "99999999999999999999"}, {"8", "1024"}},
        {part<QLineEdit>("txtHeight"), "height value must be between 8 and 1024", {"7", "1025"}, {"8", "1024"}},
        {part<QLineEdit>("txtLoop"), "loop value must be between 0 and 65535", {"65536", "-1"}, {"0", "65535"}},
    };
    for (const Case& c : cases) {
        for (const QString& text : c.refused + c.accepted) {
            SCOPED_TRACE(c.box->objectName().toStdString() + " '" + text.toStdString() + "'");
            enter(c.box, text);
            leaveTo(listView());  // outside the panel
            if (!c.refused.contains(text)) {
                EXPECT_TRUE(dialogs.calls.empty() && listView()->hasFocus());
                continue;
            }
            EXPECT_EQ(dialogs.boxes(), QStringList{box(QStringLiteral("the %1, \nplease enter a valid value again").arg(QLatin1String(c.range)))});
            EXPECT_TRUE(panel->currentIndex() == (c.box == part("txtInterval")) && c.box->hasFocus());
            EXPECT_EQ(c.box->text(), text);  // no earlier value comes back
        }
    }
    // Leaving by another tab brings the box back; two refused boxes give one message.
    enter(part<QLineEdit>("txtInterval"), QStringLiteral("0"));
    panel->setCurrentIndex(0);  // the user picks "Global Properties"
    leaveTo(nullptr);
    EXPECT_EQ(dialogs.messageTexts().size(), 1);
    EXPECT_TRUE(panel->currentIndex() == 1 && part("txtInterval")->hasFocus());
    part<QLineEdit>("txtInterval")->setText(QStringLiteral("10"));
    part<QLineEdit>("txtHeight")->setText(QString());
    enter(part<QLineEdit>("txtWidth"), QStringLiteral("7"));
    leaveTo(part("txtHeight"));
    leaveTo(nullptr);
    EXPECT_EQ(dialogs.messageTexts(), widthRefused);
    EXPECT_TRUE(part("txtWidth")->hasFocus());
}

// The check of a box left for Apply runs before Apply, and a make from the keyboard checks the
// box that keeps the focus: a refused text is told once and never applied or made with.
TEST_F(PanelTest, ApplyAndMakeActOnlyOnTextsTheRangeCheckLetsThrough)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    const QStringList before = rowTexts(1);
    enter(part<QLineEdit>("txtInterval"), QStringLiteral("0"));
    QTest::mouseClick(part("cmdApply"), Qt::LeftButton);  // the press takes the focus
    leaveTo(nullptr);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"the frame interval value must be between 1 and 1000, \nplease enter a valid value again"});
    EXPECT_EQ(rowTexts(1), before);
    EXPECT_TRUE(part("txtInterval")->hasFocus());
    // Nor is it lost to a click on another row: the row stays picked, the text stays to mend.
    auto* list = part<FrameListView>("ListView1");
    dialogs.clear();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(1, 1)).center());
    leaveTo(nullptr);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"the frame interval value must be between 1 and 1000, \nplease enter a valid value again"});
    EXPECT_TRUE(list->selectedRow() == 1 && part("txtInterval")->hasFocus() && shownText(window.get(), "txtInterval") == "0");

    part<QLineEdit>("txtInterval")->setText(QStringLiteral("10"));
    enter(part<QLineEdit>("txtWidth"), QStringLiteral("0"));
    trigger(QStringLiteral("mnuFileSub9"));  // Ctrl+F5: the focus stays in the box
    leaveTo(nullptr);
    EXPECT_EQ(dialogs.messageTexts(), widthRefused);
    EXPECT_TRUE(part("txtWidth")->hasFocus());
}

TEST_F(PanelTest, NumericBoxesTakeOnlyDigitsAndTheLoopBoxFollowsTheCheckBox)
{
    part<QLineEdit>("txtWidth")->setText(QStringLiteral("1"));
    for (const auto& [key, text] : std::initializer_list<std::pair<Qt::Key, const char*>>{
             {Qt::Key_A, "a"}, {Qt::Key_Minus, "-"}, {Qt::Key_Period, "."}, {Qt::Key_5, "5"}, {Qt::Key_6, "6"},
             {Qt::Key_Backspace, "\b"}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QLatin1String(text));
        QCoreApplication::sendEvent(part("txtWidth"), &press);
    }
    EXPECT_EQ(textOf("txtWidth"), QStringLiteral("15"));

    // The loop box is enabled while the check box is unticked, by the user (the text kept) or a new project.
    part<QLineEdit>("txtLoop")->setText(QStringLiteral("4"));
    QTest::mouseClick(part("chkLoop"), Qt::LeftButton, {}, QPoint(6, part("chkLoop")->height() / 2));
    EXPECT_EQ(panelValues().section(u' ', 1, 4), QStringLiteral("loop 4 ticked off"));
    newProject();
    EXPECT_EQ(panelValues().section(u' ', 1, 4), QStringLiteral("loop 1 ticked off"));
}

// With the aspect kept, typing one side sets the other: in the first frame's proportions, or in
// the boxes' own when the box was ticked and there is no picture. Fit and bars go with the project.
TEST_F(PanelTest, KeepAspectRatioAndTheFitRows)
{
    const auto type = [this](const char* box, const char* digits) -> QString {
        part<QLineEdit>(box)->clear();
        QTest::keyClicks(part(box), digits);
        return textOf("txtWidth") + "x" + textOf("txtHeight");
    };
    part<QLineEdit>("txtWidth")->setText("100");
    part<QLineEdit>("txtHeight")->setText("50");
    EXPECT_EQ(type("txtWidth", "300"), "300x50");  // not kept yet
    part<QCheckBox>("chkAspect")->setChecked(true);
    EXPECT_EQ(type("txtWidth", "120"), "120x20");
    EXPECT_EQ(type("txtHeight", "40"), "240x40");
    addPictures({"a.png"}, 40, 30);
    EXPECT_EQ(type("txtWidth", "80"), "80x60");
    EXPECT_EQ(type("txtHeight", "1000"), "1024x1000");  // within the boxes' range

    part<QComboBox>("cboFit")->setCurrentText("Fit Inside");
    dialogs.colorAnswers.push_back(255);
    part<QAction>("mnuFitColor")->trigger();
    EXPECT_EQ(QStringList({panel->projectProperties().fit, panel->projectProperties().fitBackground}), QStringList({"Fit Inside", "255"}));
    part<QAction>("mnuFitTransparent")->trigger();
    EXPECT_TRUE(panel->projectProperties().fitBackground.isEmpty());
}

}  // namespace
}  // namespace pictoreel::testing
