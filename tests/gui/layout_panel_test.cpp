// The main window's layout and splitter, the panel's key filter and loop rule, and the texts the
// panel and dialogs are given (file sizes, file filters).
#include "gui/support/gui_test.h"
#include "gui/dialogs.h"
#include "gui/image_view.h"
#include "gui/support/window_fixture.h"

#include <QKeyEvent>
#include <QLocale>
#include <QStatusBar>

namespace pictoreel::testing {
namespace {

class LayoutTest : public WindowTest {
protected:
    // Resizes the window so that picFrame is `widthTwips` wide.
    void setFrameWidth(int widthTwips)
    {
        const int extra = window->width() - part(QStringLiteral("picFrame"))->width();
        window->resize(twipsToPixels(widthTwips) + extra, window->height());
        QCoreApplication::processEvents();
        ASSERT_EQ(window->frameWidthTwips(), widthTwips);
    }
    void drag(int toTwips)
    {
        window->imgSplitter_MouseDown();
        window->imgSplitter_MouseMove(toTwips - window->leftPaneWidthTwips());
        window->imgSplitter_MouseUp();
    }
};

TEST_F(LayoutTest, OpensWithTheDescribedClientAreaAndPanes)
{
    EXPECT_EQ(part(QStringLiteral("picFrame"))->width(), twipsToPixels(9975));
    EXPECT_EQ(part<QToolBar>(QStringLiteral("Toolbar1"))->height(), twipsToPixels(570));
    EXPECT_EQ(part<QStatusBar>(QStringLiteral("StatusBar1"))->height(), twipsToPixels(375));
    EXPECT_EQ(window->leftPaneWidthTwips(), 4230);
    EXPECT_EQ(part(QStringLiteral("picProp"))->height(), twipsToPixels(2655));
    EXPECT_EQ(listView()->y(), twipsToPixels(2655 + 90));
    EXPECT_EQ(listView()->height() + listView()->y(), part(QStringLiteral("picFrame"))->height());
    EXPECT_EQ(part(QStringLiteral("picRight"))->x(), twipsToPixels(4230 + 75));
    EXPECT_FALSE(window->isDraggingSplitter());
    EXPECT_FALSE(part(QStringLiteral("picSplitter"))->isVisible());
    // The progress bar lies over the status bar's panel.
    EXPECT_GE(part<QProgressBar>(QStringLiteral("pbPer"))->x(), part<QLabel>(QStringLiteral("StatusBar1Panel1"))->x());
    EXPECT_LE(part<QProgressBar>(QStringLiteral("pbPer"))->geometry().right(), part<QLabel>(QStringLiteral("StatusBar1Panel1"))->geometry().right());
}

TEST_F(LayoutTest, SplitterDragIsClampedOnlyOnReleaseAndTheRightHandRuleWins)
{
    setFrameWidth(9000);
    drag(2000);
    EXPECT_EQ(window->leftPaneWidthTwips(), 4230);
    drag(6000);
    EXPECT_EQ(window->leftPaneWidthTwips(), 4500);
    drag(4300);
    EXPECT_EQ(window->leftPaneWidthTwips(), 4300);
    EXPECT_EQ(part(QStringLiteral("picRight"))->geometry(), twipsRect(4375, 0, 4625, window->frameHeightTwips()));
    EXPECT_EQ(part(QStringLiteral("picLeft"))->width(), twipsToPixels(4300));

    // During the drag the bar may reach either edge; nothing else moves.
    window->imgSplitter_MouseDown();
    EXPECT_TRUE(part(QStringLiteral("picSplitter"))->isVisible());
    EXPECT_TRUE(window->isDraggingSplitter());
    window->imgSplitter_MouseMove(-100000);
    EXPECT_EQ(part(QStringLiteral("picSplitter"))->x(), 0);
    window->imgSplitter_MouseMove(100000);
    EXPECT_EQ(part(QStringLiteral("picSplitter"))->x(), part(QStringLiteral("picFrame"))->width());
    EXPECT_EQ(window->leftPaneWidthTwips(), 4300);
    window->imgSplitter_MouseUp();
    EXPECT_FALSE(part(QStringLiteral("picSplitter"))->isVisible());
    EXPECT_EQ(window->leftPaneWidthTwips(), 4500);

    // The grip takes the mouse itself: a left press in the gap, a move and the release.
    drag(4300);
    QTest::mousePress(part(QStringLiteral("imgSplitter")), Qt::LeftButton, {}, QPoint(2, 10));
    EXPECT_TRUE(window->isDraggingSplitter());
    QTest::mouseMove(part(QStringLiteral("imgSplitter")), QPoint(12, 10));
    QTest::mouseRelease(part(QStringLiteral("imgSplitter")), Qt::LeftButton, {}, QPoint(12, 10));
    EXPECT_EQ(window->leftPaneWidthTwips(), 4300 + 12 * 15);
    EXPECT_FALSE(window->isDraggingSplitter());
    QTest::mousePress(part(QStringLiteral("imgSplitter")), Qt::RightButton, {}, QPoint(2, 10));
    EXPECT_FALSE(window->isDraggingSplitter());

    // A frame of 8000 twips is not a whole number of pixels; 7995 is the nearest that is.
    setFrameWidth(7995);
    EXPECT_EQ(window->leftPaneWidthTwips(), 3495);
    drag(5000);
    EXPECT_EQ(window->leftPaneWidthTwips(), 3495);
    drag(2000);
    EXPECT_EQ(window->leftPaneWidthTwips(), 3495);
}

TEST_F(LayoutTest, ResizingGivesExtraWidthToTheRightPaneAndExtraHeightToListAndViewers)
{
    const int left = part(QStringLiteral("picLeft"))->width();
    const int listHeight = listView()->height();
    const int viewerHeight = part<ImageView>(QStringLiteral("wpdlx1"))->height();
    window->resize(window->width() + 150, window->height() + 90);
    QCoreApplication::processEvents();
    EXPECT_EQ(part(QStringLiteral("picLeft"))->width(), left);
    EXPECT_EQ(part(QStringLiteral("picProp"))->height(), twipsToPixels(2655));
    EXPECT_EQ(listView()->height(), listHeight + 90);
    EXPECT_EQ(part<ImageView>(QStringLiteral("wpdlx1"))->height(), viewerHeight + 90);
    EXPECT_EQ(part(QStringLiteral("picRight"))->geometry().right(), part(QStringLiteral("picFrame"))->width() - 1);
}

TEST_F(WindowTest, NumericBoxesTakeOnlyDigitsAndBackspace)
{
    QLineEdit* box = panel->txtWidth;
    box->setFocus();
    box->setText(QStringLiteral("1"));
    box->setCursorPosition(1);
    const auto type = [box](Qt::Key key, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(box, &press);
    };
    type(Qt::Key_A, QStringLiteral("a"));
    type(Qt::Key_Minus, QStringLiteral("-"));
    type(Qt::Key_Period, QStringLiteral("."));
    EXPECT_EQ(box->text(), QStringLiteral("1"));
    type(Qt::Key_5, QStringLiteral("5"));
    EXPECT_EQ(box->text(), QStringLiteral("15"));
    type(Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(box->text(), QStringLiteral("1"));
}

TEST(FileSizeTextTest, GroupsDigitsAndWritesKilobytesTheLocaleWay)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates), german(QLocale::German, QLocale::Germany);
    QStringList texts;
    for (qint64 size : {1536, 1024, 500, 3000, 0, 1048575})
        texts << fileSizeTextFor(size, english);
    texts << fileSizeTextFor(1536, german);
    EXPECT_EQ(texts, QStringList({"1,536 Bytes (1.5 KB)", "1,024 Bytes (1. KB)", "500 Bytes (.49 KB)", "3,000 Bytes (2.93 KB)",
                                  " Bytes (. KB)", "1,048,575 Bytes (1,024. KB)", "1.536 Bytes (1,5 KB)"}));
    EXPECT_EQ(FileSizeText(QStringLiteral("/nonexistent/file.png")), QString());
}

TEST(FileFilterTest, TurnsDescriptionPatternPairsIntoQtFilters)
{
    EXPECT_EQ(qtFileFilter(QStringLiteral("GIF Files (*.gif)|*.gif|All Supported Image Files|*.bmp;*.png")),
              QStringLiteral("GIF Files (*.gif);;All Supported Image Files (*.bmp *.png)"));
    // A description whose group Qt would misread gets the group Qt reads after it.
    EXPECT_EQ(qtFileFilter(QStringLiteral("JPG/JPEG Files (*.jpg;*.jpeg)|*.jpg;*.jpeg")),
              QStringLiteral("JPG/JPEG Files (*.jpg;*.jpeg) (*.jpg *.jpeg)"));
    EXPECT_EQ(qtFileFilter(QStringLiteral("All Files(*.*)|*.*")), QStringLiteral("All Files(*.*)"));
    EXPECT_EQ(qtFileFilter(QStringLiteral("Animated GIF Files|*.gif")), QStringLiteral("Animated GIF Files (*.gif)"));
    EXPECT_EQ(qtFileFilter(QString()), QString());
    EXPECT_EQ(messageCaption(QString()), QStringLiteral("Pictoreel"));
    EXPECT_EQ(messageCaption(QStringLiteral("Error")), QStringLiteral("Error"));
}

}  // namespace
}  // namespace pictoreel::testing
