// Adding, checking, removing, clearing and moving frames through the window's commands, and
// what the frame list and the panel show afterwards.
#include "gui/support/gui_test.h"
#include "gui/support/window_fixture.h"

#include <QHeaderView>

namespace pictoreel::testing {
namespace {

using Kind = DialogCall::Kind;

class FrameCommandsTest : public WindowTest {
protected:
    QStringList names() const
    {
        QStringList n;
        for (int r = 1; r <= rowCount(); ++r)
            n.append(rowTexts(r)[4]);
        return n;
    }
    QStringList numbers() const
    {
        QStringList n;
        for (int r = 1; r <= rowCount(); ++r)
            n.append(rowTexts(r)[0]);
        return n;
    }
    // The check marks, row by row: "10100".
    QString checks() const
    {
        QString marks;
        for (int r = 1; r <= rowCount(); ++r)
            marks += rowChecked(r) ? u'1' : u'0';
        return marks;
    }
};

TEST_F(FrameCommandsTest, FrameListShowsSixColumnsWithTheirCaptionsWidthsAndCheckBoxes)
{
    const QAbstractItemModel* model = listView()->model();
    ASSERT_EQ(model->columnCount(), 6);
    const QStringList captions{"NO", "Interval", "Trans", "Trans Color", "File Name", "Full Path"};
    const int widths[] = {47, 47, 47, 67, 96, 229};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(model->headerData(c, Qt::Horizontal).toString(), captions[c]);
        EXPECT_EQ(listView()->header()->sectionSize(c), widths[c]) << c;
    }
    addPictures({QStringLiteral("a.png")});
    const auto align = [&](int c) {
        return model->index(0, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask;
    };
    EXPECT_EQ(align(0), Qt::AlignLeft);
    EXPECT_EQ(align(1), Qt::AlignRight);
    EXPECT_EQ(align(2), Qt::AlignHCenter);
    EXPECT_TRUE(model->flags(model->index(0, 0)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(model->flags(model->index(0, 1)) & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(rowChecked(1));
}

TEST_F(FrameCommandsTest, AddingToAnEmptyListSelectsTheFirstRowAndTakesItsPictureSize)
{
    const QStringList chosen{makePicture(QStringLiteral("c.png"), 64, 48), makePicture(QStringLiteral("a.png"), 20, 10),
                             makePicture(QStringLiteral("b.png"), 20, 10)};
    dialogs.answerFiles(chosen);
    trigger(QStringLiteral("Toolbar1_add"));

    ASSERT_EQ(dialogs.calls.size(), 1u);
    const DialogCall& open = dialogs.calls[0];
    EXPECT_EQ(open.kind, Kind::OpenFiles);
    EXPECT_EQ(open.request.title, QStringLiteral("Open Image Files ..."));
    const QStringList filter = open.request.filter.split(u'|');
    ASSERT_EQ(filter.size(), 50);
    EXPECT_EQ(QStringList({filter[0], filter[5], filter[46], filter[48]}),
              QStringList({"GIF Files (*.gif)", "*.jpg;*.jpeg", "All Supported Image Files", "All Files(*.*)"}));
    EXPECT_FALSE(filter[47].contains(QStringLiteral("*.tif")));

    // Rows in the order chosen, the folder and name split, values from the panel.
    ASSERT_EQ(rowCount(), 3);
    EXPECT_EQ(rowTexts(1), QStringList({"1", "50", "YES", "16777215", "c.png", picturesFolder()}));
    EXPECT_EQ(names(), QStringList({"c.png", "a.png", "b.png"}));
    EXPECT_EQ(numbers(), QStringList({"1", "2", "3"}));
    EXPECT_EQ(listView()->selectedRow(), 1);

    // The panel shows the first frame, and Auto Size took its size.
    EXPECT_TRUE(panelValues().startsWith(QStringLiteral("64x48 ")));
    EXPECT_EQ(QStringList({panel->lWidth->text(), panel->lHeight->text(), panel->lName->text(), panel->lPath->text()}),
              QStringList({"64 Pixels", "48 Pixels", "c.png", picturesFolder()}));
    EXPECT_TRUE(panel->lSize->text().endsWith(QStringLiteral(" KB)")));
    EXPECT_TRUE(window->wpdlx1.ImageWidth() == 64 && window->wpdlx3.ImageWidth() == 64);  // converted at the new size
    EXPECT_TRUE(panel->cmdAutoW->isEnabled());

    // More pictures go after the last row and leave the size alone.
    addPictures({QStringLiteral("d.png")}, 200, 100);
    EXPECT_EQ(names(), QStringList({"c.png", "a.png", "b.png", "d.png"}));
    EXPECT_EQ(panel->txtWidth->text(), QStringLiteral("64"));
    EXPECT_EQ(dialogs.messages().size(), 0u);
}

TEST_F(FrameCommandsTest, AddingTakesThePanelValuesAndStopsWhenTheyCannotMakeARow)
{
    panel->txtInterval->setText(QStringLiteral("075"));
    panel->chkTrans->setChecked(false);
    panel->setTransColor(255);
    addPictures({QStringLiteral("a.png")});
    EXPECT_EQ(rowTexts(1).mid(1, 3), QStringList({"75", "NO", "255"}));

    // A cancelled dialog adds nothing and says nothing.
    dialogs.answerCancel();
    trigger(QStringLiteral("mnuFileSub7"));
    EXPECT_EQ(rowCount(), 1);

    panel->txtInterval->setText(QStringLiteral("99999"));
    addPictures({QStringLiteral("b.png"), QStringLiteral("c.png")});
    EXPECT_EQ(rowCount(), 1);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(FrameCommandsTest, NewDiscardsTheListWithoutAQuestionAndOpensTheAddDialog)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    panel->txtOutputFile->setText(QStringLiteral("/x/out.gif"));
    dialogs.clear();
    dialogs.answerCancel();
    trigger(QStringLiteral("mnuFileSub1"));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, Kind::OpenFiles);
    EXPECT_EQ(rowCount(), 0);
    EXPECT_TRUE(panel->txtOutputFile->text().isEmpty() && panel->lName->text().isEmpty());
    EXPECT_FALSE(window->wpdlx1.hasImage() || panel->cmdAutoW->isEnabled());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("New Project - Pictoreel"));
}

TEST_F(FrameCommandsTest, CheckUncheckRemoveAndClearWorkOnTheRowsAndTellAboutAnEmptyList)
{
    // On an empty list: the notice, with the information icon and the program title.
    for (int index : {1, 2, 4, 5})
        trigger(QStringLiteral("mnuEditSub%1").arg(index));
    trigger(QStringLiteral("Toolbar1_del"));
    EXPECT_EQ(dialogs.boxes(), QStringList(5, box("No files in the list!")));
    dialogs.clear();

    addPictures({"1.png", "2.png", "3.png", "4.png", "5.png"});
    trigger(QStringLiteral("mnuEditSub1"));
    EXPECT_EQ(checks(), QStringLiteral("11111"));
    trigger(QStringLiteral("mnuEditSub2"));
    EXPECT_EQ(checks(), QStringLiteral("00000"));

    // Nothing checked: nothing removed, nothing said.
    trigger(QStringLiteral("mnuEditSub4"));
    EXPECT_EQ(rowCount(), 5);

    setRowChecked(2, true);
    setRowChecked(4, true);
    trigger(QStringLiteral("mnuEditSub4"));
    EXPECT_EQ(names(), QStringList({"1.png", "3.png", "5.png"}));
    EXPECT_EQ(numbers(), QStringList({"1", "2", "3"}));
    EXPECT_TRUE(dialogs.messages().empty());

    // Clear leaves the panel and viewers as they were.
    const QString shown = panel->lName->text();
    trigger(QStringLiteral("mnuEditSub5"));
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(panel->lName->text(), shown);
    EXPECT_TRUE(window->wpdlx3.hasImage());
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(FrameCommandsTest, MovingExchangesFrameDataAndKeepsNumbersAndCheckMarksInPlace)
{
    trigger(QStringLiteral("mnuEditSub7"));
    trigger(QStringLiteral("Toolbar1_down"));
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList({"There is no frames for moving, Please add frames first",
                           "There is no frames for moving, Please add frames first"}));
    dialogs.clear();

    addPictures({"1.png", "2.png", "3.png", "4.png", "5.png"});
    setRowChecked(3, true);
    listView()->selectRow(3);
    panel->txtInterval->setText(QStringLiteral("7"));
    trigger(QStringLiteral("mnuEditSub7"));
    EXPECT_EQ(names(), QStringList({"1.png", "3.png", "2.png", "4.png", "5.png"}));
    EXPECT_EQ(numbers(), QStringList({"1", "2", "3", "4", "5"}));
    EXPECT_EQ(checks(), QStringLiteral("00100"));
    EXPECT_EQ(listView()->selectedRow(), 2);
    EXPECT_EQ(panel->txtInterval->text(), QStringLiteral("7"));  // the panel is not refreshed

    trigger(QStringLiteral("Toolbar1_down"));
    EXPECT_EQ(names(), QStringList({"1.png", "2.png", "3.png", "4.png", "5.png"}));
    EXPECT_EQ(listView()->selectedRow(), 3);

    listView()->selectRow(1);
    trigger(QStringLiteral("Toolbar1_up"));
    listView()->selectRow(5);
    trigger(QStringLiteral("mnuEditSub8"));
    EXPECT_EQ(dialogs.messageTexts(),
              QStringList({"The frame is already at the top.", "The frame is already at the bottom."}));
    EXPECT_EQ(names(), QStringList({"1.png", "2.png", "3.png", "4.png", "5.png"}));
}

TEST_F(FrameCommandsTest, ClickingARowShowsItsFrameAndApplyWritesThePanelValuesBack)
{
    addPictures({"a.png", "b.png"});
    window->frames().setColumn(2, FrameColumn::Interval, QStringLiteral("33"));
    window->frames().setColumn(2, FrameColumn::Trans, QStringLiteral("NO"));
    window->frames().setColumn(2, FrameColumn::TransColor, QStringLiteral("65280"));

    const QPoint second = listView()->visualRect(listView()->model()->index(1, 1)).center();
    QTest::mouseClick(listView()->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(listView()->selectedRow(), 2);
    EXPECT_EQ(panel->lName->text(), QStringLiteral("b.png"));
    EXPECT_EQ(panelValues().section(u'|', 1), QStringLiteral(" 33 NO 65280"));

    panel->txtInterval->setText(QStringLiteral("075"));
    panel->chkTrans->setChecked(true);
    panel->setTransColor(255);
    panel->cmdApply->click();
    EXPECT_EQ(rowTexts(2).mid(1, 3), QStringList({"075", "YES", "255"}));
    EXPECT_EQ(rowTexts(1).mid(1, 3), QStringList({"50", "YES", "16777215"}));
    panel->cmdApplyAll->click();
    EXPECT_EQ(rowTexts(1).mid(1, 3), QStringList({"075", "YES", "255"}));

    trigger(QStringLiteral("mnuEditSub5"));
    panel->cmdApply->click();
    panel->cmdApplyAll->click();
    EXPECT_EQ(dialogs.messageTexts(), QStringList({"No frames now!", "No frames now!"}));
}

}  // namespace
}  // namespace pictoreel::testing
