// Several rows selected at once in the frame list, and the Edit menu's sequence edits.
#include "gui/support/window_fixture.h"

#include "gui/main_window/merge_repeated_command.h"

#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QSignalSpy>

namespace pictoreel::testing {
namespace {

class SequenceCommandsTest : public WindowTest {
protected:
    // The rows' file names without ".png", with ":<interval>" where it is not 50.
    QString names() const
    {
        QStringList names;
        for (int r = 1; r <= rowCount(); ++r) {
            const QStringList texts = rowTexts(r);
            names.append(texts[4].chopped(4) + (texts[1] == QLatin1String("50") ? QString() : u':' + texts[1]));
        }
        return names.join(u' ');
    }
    void click(int row, Qt::KeyboardModifiers modifiers = {})
    {
        const QModelIndex index = listView()->model()->index(row - 1, 1);
        listView()->scrollTo(index);
        QTest::mouseClick(listView()->viewport(), Qt::LeftButton, modifiers, listView()->visualRect(index).center());
    }
    // Edit, Merge Repeated Frames, to its end.
    void merge()
    {
        QSignalSpy finished(&window->mergeCommand(), &MergeRepeatedCommand::finished);
        trigger("mnuEditMergeRepeated");
        ASSERT_TRUE(finished.wait(30000));
    }
};

TEST_F(SequenceCommandsTest, SelectedRowsTakeApplyMoveAsABlockAndGoWithDelete)
{
    addPictures({"1.png", "2.png", "3.png", "4.png", "5.png", "6.png"});
    click(2);
    click(3, Qt::ShiftModifier);
    click(5, Qt::ControlModifier);
    panel->setFrameValues({QStringLiteral("7"), true, 255});
    part<QPushButton>("cmdApply")->click();
    EXPECT_EQ(names(), QStringLiteral("1 2:7 3:7 4 5:7 6"));

    trigger("Toolbar1_up");
    trigger("mnuEditSub7");  // the top rows stay, the row below them closes up
    EXPECT_EQ(names(), QStringLiteral("2:7 3:7 5:7 1 4 6"));
    EXPECT_EQ(listView()->selectedRows(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(listView()->selectedRow(), 3);  // the highlight followed its frame
    trigger("Toolbar1_up");
    click(1);
    click(3, Qt::ControlModifier);
    trigger("Toolbar1_down");
    EXPECT_EQ(names(), QStringLiteral("3:7 2:7 1 5:7 4 6"));
    EXPECT_EQ(dialogs.messageTexts(), QStringList({"The frame is already at the top."}));

    // Shift+Down widens the selection; Delete takes the selected rows away and highlights the next.
    click(1);
    QTest::keyClick(listView(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(listView(), Qt::Key_Delete);
    EXPECT_EQ(names(), QStringLiteral("1 5:7 4 6"));
    EXPECT_TRUE(rowTexts(4)[0] == "4" && listView()->selectedRow() == 1 && textOf("lName") == QStringLiteral("1.png"));
}

TEST_F(SequenceCommandsTest, MergeComparesConvertedFramesAndDelayComesFromAFrameRate)
{
    dialogs.answerFiles({makePicture("a.png", 8, 8), makePicture("b.png", 8, 8), makePicture("c.png", 8, 8, Qt::blue),
                         makePicture("d.png", 8, 8, Qt::blue), makePicture("e.png", 8, 8)});
    trigger(QStringLiteral("mnuFileSub7"));
    // The frames are compared on worker threads, meanwhile the window takes only the Cancel;
    // cancelled, the frames stay as they were.
    auto merge = [&](bool cancel) {
        QSignalSpy finished(&window->mergeCommand(), &MergeRepeatedCommand::finished);
        trigger("mnuEditMergeRepeated");
        EXPECT_TRUE(window->isWorking() && !window->menuBar()->isEnabled() && part<QPushButton>("cmdCancelMake")->isVisible());
        EXPECT_EQ(part<QPushButton>("cmdCancelMake")->accessibleName(), QStringLiteral("Cancel the merge"));
        if (cancel)
            part<QPushButton>("cmdCancelMake")->click();
        ASSERT_TRUE(finished.wait(30000));
        EXPECT_TRUE(!window->isWorking() && window->menuBar()->isEnabled() && part<QProgressBar>("pbPer")->value() == 0);
        EXPECT_EQ(part<QPushButton>("cmdCancelMake")->accessibleName(), QStringLiteral("Cancel the make"));
    };
    merge(true);
    EXPECT_EQ(names(), QStringLiteral("a b c d e"));
    merge(false);
    EXPECT_EQ(names(), QStringLiteral("a:100 c:100 e"));
    trigger("mnuEditUndo");  // the merge is one change of the project
    EXPECT_EQ(names(), QStringLiteral("a b c d e"));
    // Closing while the frames are compared asks the save question first: Cancel leaves the
    // comparison running to its end, any other answer stops it.
    dialogs.messageAnswers = {MessageAnswer::Cancel, MessageAnswer::No};
    {
        QSignalSpy finished(&window->mergeCommand(), &MergeRepeatedCommand::finished);
        trigger("mnuEditMergeRepeated");
        EXPECT_FALSE(window->close());
        ASSERT_TRUE(finished.wait(30000));
        EXPECT_EQ(names(), QStringLiteral("a:100 c:100 e"));
        trigger("mnuEditUndo");
        trigger("mnuEditMergeRepeated");
        EXPECT_TRUE(window->close());
        EXPECT_TRUE(!window->isWorking() && names() == QStringLiteral("a b c d e"));
    }
    window->show();
    SequenceCommandsTest::merge();
    dialogs.clear();

    dialogs.textAnswers = {QStringLiteral("x"), QStringLiteral(" 12.5 "), std::nullopt};
    trigger("mnuEditDelayFromFps");
    EXPECT_EQ(dialogs.messageTexts(), QStringList({"The frame rate must be a number above 0."}));
    trigger("mnuEditDelayFromFps");
    trigger("mnuEditDelayFromFps");  // cancelled: nothing changes
    EXPECT_EQ(names(), QStringLiteral("a:8 c:8 e:8"));
    EXPECT_EQ(textOf("txtInterval"), QStringLiteral("8"));
}

TEST_F(SequenceCommandsTest, MergeComparesFramesCroppedAsTheMakeCropsThem)
{
    // Red pictures, a blue mark on two of them: outside the crop on b, inside it on c.
    const auto marked = [&](const QString& name, QRect mark) -> QString {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(Qt::red);
        QPainter(&image).fillRect(mark, Qt::blue);
        image.save(picturesFolder() + name, "PNG");
        return picturesFolder() + name;
    };
    dialogs.answerFiles({marked("a.png", {}), marked("b.png", {12, 12, 4, 4}), marked("c.png", {3, 3, 2, 2})});
    trigger(QStringLiteral("mnuFileSub7"));
    merge();
    EXPECT_EQ(names(), QStringLiteral("a b c"));
    ProjectProperties project = panel->projectProperties();
    project.crop = QStringLiteral("8x8+2+2");
    panel->setProjectProperties(project);
    merge();
    EXPECT_EQ(names(), QStringLiteral("a:100 c"));
}

}  // namespace
}  // namespace pictoreel::testing
