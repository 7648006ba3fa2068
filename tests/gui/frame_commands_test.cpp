// Adding, checking, removing, clearing and moving frames through the window's commands, and
// what the frame list and the panel show afterwards.
#include "gui/support/window_fixture.h"

#include "core/project/settings_store.h"

#include <QHeaderView>
#include <QScrollBar>

#include <sys/stat.h>

namespace pictoreel::testing {
namespace {

class FrameCommandsTest : public WindowTest {
protected:
    // The numbers, check marks and names of the rows: "1 2|10 a.png b.png".
    QString rows() const
    {
        QStringList numbers, names;
        QString marks;
        for (int r = 1; r <= rowCount(); ++r) {
            numbers.append(rowTexts(r)[0]);
            names.append(rowTexts(r)[4]);
            marks += rowChecked(r) ? u'1' : u'0';
        }
        return numbers.join(u' ') + u'|' + marks + u' ' + names.join(u' ');
    }
};

TEST_F(FrameCommandsTest, AddingToAnEmptyListShowsTheFirstRowAndTakesItsPictureSize)
{
    dialogs.answerFiles({makePicture("a.png", 64, 48), makePicture("c.png", 20, 10)});
    trigger("Toolbar1_add");
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_TRUE(dialogs.calls[0].request.title == "Open Image Files ..." && dialogs.calls[0].request.filter.contains("|All Files(*.*)|*.*|WebP Files"));
    // Rows in name order, unchecked, the folder and name split, values from the panel.
    const QAbstractItemModel* model = listView()->model();
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers.append(model->headerData(c, Qt::Horizontal).toString());
    EXPECT_EQ(headers, QStringList({"NO", "Interval", "Trans", "Trans Color", "File Name", "Full Path"}));
    EXPECT_EQ(rowTexts(1), QStringList({"1", "50", "YES", "16777215", "a.png", picturesFolder()}));
    EXPECT_EQ(rows(), QStringLiteral("1 2|00 a.png c.png"));
    // The first row is checkable, selected and shown, and Auto Size took its size.
    EXPECT_TRUE((model->flags(model->index(0, 0)) & Qt::ItemIsUserCheckable) && listView()->selectedRow() == 1);
    EXPECT_EQ(panelValues().left(6), QStringLiteral("64x48 "));
    EXPECT_EQ(QStringList({textOf("lWidth"), textOf("lHeight"), textOf("lName"), textOf("lPath")}),
              QStringList({"64 Pixels", "48 Pixels", "a.png", picturesFolder()}));
    EXPECT_TRUE(textOf("lSize").endsWith(QStringLiteral(" KB)")) && part("cmdAutoW")->isEnabled());

    // More pictures go after the last row with the panel's values and leave the size alone; a
    // value that cannot make a row stops the adding.
    panel->setFrameValues({QStringLiteral("075"), false, 255});
    addPictures({QStringLiteral("d.png")}, 200, 100);
    EXPECT_EQ(rowTexts(3).mid(1, 4), QStringList({"75", "NO", "255", "d.png"}));
    part<QLineEdit>("txtInterval")->setText(QStringLiteral("99999"));
    addPictures({QStringLiteral("e.png")});
    EXPECT_TRUE(rowCount() == 3 && textOf("txtWidth") == QStringLiteral("64") && dialogs.messages().empty());

    // New offers to save the changed project, and then opens the add dialog.
    dialogs.messageAnswers = {MessageAnswer::No};
    dialogs.answerCancel();
    trigger("mnuFileSub1");
    EXPECT_EQ(dialogs.calls.back().kind, DialogCall::Kind::OpenFiles);
    EXPECT_TRUE(rowCount() == 0 && textOf("lName").isEmpty() && !window->frameImage().hasImage() && !part("cmdAutoW")->isEnabled());
}

// New rows show their transparent colour as a swatch; a picture larger than the boxes allow is
// sized down into them, its shape kept; "Transparent" once changed holds for new projects.
TEST_F(FrameCommandsTest, NewFramesShowTheirColourTakeASizeTheBoxesAllowAndKeepTheTransparentChoice)
{
    addPictures({QStringLiteral("photo.png")}, 2000, 1500);
    EXPECT_EQ(panelValues().section(u' ', 0, 0), QStringLiteral("1024x768"));
    const QImage swatch = listView()->model()->index(0, 3).data(Qt::DecorationRole).value<QPixmap>().toImage();
    EXPECT_EQ(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), QColor(255, 255, 255));

    part<QCheckBox>("chkTrans")->click();  // unticked by the user
    newProject();
    EXPECT_FALSE(part<QCheckBox>("chkTrans")->isChecked());
    // A larger bound in the settings: the boxes take it, and their message names it.
    ASSERT_TRUE(WriteIniKey(QStringLiteral("General"), QStringLiteral("Largest Frame Side"), QStringLiteral("1600"),
                            window->context().settingsFile()));
    startWindow();
    EXPECT_FALSE(part<QCheckBox>("chkTrans")->isChecked());
    addPictures({QStringLiteral("wide.png")}, 2000, 1000);
    EXPECT_EQ(panelValues().section(u' ', 0, 0), QStringLiteral("1600x800"));
    part<QLineEdit>("txtWidth")->setText(QStringLiteral("1601"));
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    part("txtWidth")->setFocus();
    dialogs.clear();
    EXPECT_FALSE(panel->settleRangeChecks());
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messages()[0].text.startsWith(QStringLiteral("the width value must be between 8 and 1600, ")));
}

// The add dialog opens as always the first time, then on the folder and file type last used;
// files chosen together come in natural name order.
TEST_F(FrameCommandsTest, TheAddDialogRemembersItsFolderAndFileTypeAndAddsInNameOrder)
{
    dialogs.chosenFileType = QStringLiteral("PNG Files (*.png)");
    dialogs.answerFiles({makePicture("Frame_10.png", 20, 10), makePicture("Frame_2.png", 20, 10), makePicture("frame_3.png", 20, 10)});
    trigger(QStringLiteral("mnuFileSub7"));
    EXPECT_EQ(rows(), QStringLiteral("1 2 3|000 Frame_2.png frame_3.png Frame_10.png"));
    dialogs.answerCancel();
    trigger(QStringLiteral("mnuFileSub7"));
    ASSERT_EQ(dialogs.calls.size(), 2u);
    EXPECT_TRUE(dialogs.calls[0].request.folder.isEmpty());
    EXPECT_EQ(dialogs.calls[1].request.folder + u'/', picturesFolder());
    EXPECT_EQ(dialogs.shownFileTypes, QStringList({QString(), dialogs.chosenFileType}));
}

// A named pipe among the pictures is shown at once, without a size: opening it would wait for a writer.
TEST_F(FrameCommandsTest, APictureThatIsANamedPipeNeverHoldsTheWindow)
{
    const QString pipe = picturesFolder() + "pipe.png";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    dialogs.answerFiles({makePicture("a.png", 20, 10), pipe});
    trigger("Toolbar1_add");
    QTest::mouseClick(listView()->viewport(), Qt::LeftButton, {}, listView()->visualRect(listView()->model()->index(1, 1)).center());
    EXPECT_EQ(QStringList({textOf("lName"), textOf("lSize")}), QStringList({"pipe.png", ""}));
}

TEST_F(FrameCommandsTest, CheckRemoveMoveAndClearWorkOnTheRowsAndTellAboutAnEmptyList)
{
    for (const char* command : {"mnuEditSub1", "mnuEditSub2", "mnuEditSub4", "mnuEditSub5", "Toolbar1_del",
                                "mnuEditSub7", "Toolbar1_down"})
        trigger(command);
    EXPECT_EQ(dialogs.boxes(), QStringList(5, box("No files in the list!"))
                                   + QStringList(2, box("There is no frames for moving, Please add frames first")));
    dialogs.clear();

    addPictures({"1.png", "2.png", "3.png", "4.png", "5.png", "6.png"});
    trigger("mnuEditSub1");
    EXPECT_EQ(rows(), QStringLiteral("1 2 3 4 5 6|111111 1.png 2.png 3.png 4.png 5.png 6.png"));
    trigger("mnuEditSub2");
    trigger("mnuEditSub4");  // nothing checked: nothing removed
    setRowChecked(2, true);
    setRowChecked(6, true);
    trigger("mnuEditSub4");
    EXPECT_EQ(rows(), QStringLiteral("1 2 3 4|0000 1.png 3.png 4.png 5.png"));

    // Moving exchanges the frames' data; numbers, check marks and the panel stay.
    setRowChecked(3, true);
    listView()->selectRow(3);
    part<QLineEdit>("txtInterval")->setText(QStringLiteral("7"));
    trigger("mnuEditSub7");
    EXPECT_EQ(rows(), QStringLiteral("1 2 3 4|0010 1.png 4.png 3.png 5.png"));
    EXPECT_TRUE(listView()->selectedRow() == 2 && textOf("txtInterval") == QStringLiteral("7"));
    trigger("Toolbar1_down");
    EXPECT_TRUE(rows().endsWith(QStringLiteral("1.png 3.png 4.png 5.png")) && listView()->selectedRow() == 3);
    listView()->selectRow(1);
    trigger("Toolbar1_up");
    listView()->selectRow(4);
    trigger("mnuEditSub8");
    EXPECT_EQ(dialogs.messageTexts(), QStringList({"The frame is already at the top.", "The frame is already at the bottom."}));

    // Clear leaves the panel and viewers as they were.
    const QString shown = textOf("lName");
    trigger("mnuEditSub5");
    EXPECT_TRUE(rowCount() == 0 && textOf("lName") == shown && window->originalImage().hasImage());
    EXPECT_EQ(dialogs.messages().size(), 2u);
}

TEST_F(FrameCommandsTest, ClickingARowShowsItsFrameAndApplyWritesThePanelValuesBack)
{
    addPictures({"a.png", "b.png"});
    window->frames().setColumn(2, FrameColumn::Interval, QStringLiteral("33"));
    window->frames().setColumn(2, FrameColumn::Trans, QStringLiteral("NO"));
    window->frames().setColumn(2, FrameColumn::TransColor, QStringLiteral("65280"));
    // A wide column only partly in view: the click picks the row, and the arrow keys the next one,
    // leaving the list where it was sideways.
    listView()->header()->resizeSection(0, 40);
    listView()->header()->resizeSection(1, listView()->viewport()->width() + 100);
    QCoreApplication::processEvents();  // the scroll range follows the columns
    ASSERT_GT(listView()->horizontalScrollBar()->maximum(), 0);
    listView()->horizontalScrollBar()->setValue(0);
    QTest::mouseClick(listView()->viewport(), Qt::LeftButton, {}, listView()->visualRect(listView()->model()->index(0, 1)).topLeft() + QPoint(20, 4));
    // Keys typed before the window gets to show a row show only the row they end on.
    QSignalSpy shown(listView(), &FrameListView::rowClicked);
    QTest::keyClick(listView(), Qt::Key_Down);
    QTest::keyClick(listView(), Qt::Key_Up);
    QTest::keyClick(listView(), Qt::Key_Down);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(listView()->selectedRow() == 2 && textOf("lName") == QStringLiteral("b.png"));
    EXPECT_EQ(listView()->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(panelValues().section(u'|', 1), QStringLiteral(" 33 NO 65280"));
    const auto values = [this] { return (rowTexts(1).mid(1, 3) + rowTexts(2).mid(1, 3)).join(u' '); };
    panel->setFrameValues({QStringLiteral("075"), true, 255});
    part<QPushButton>("cmdApply")->click();
    EXPECT_EQ(values(), QStringLiteral("50 YES 16777215 075 YES 255"));
    // From the keyboard too: Enter presses the button that has the focus.
    part("cmdApplyAll")->setFocus();
    QTest::keyClick(part("cmdApplyAll"), Qt::Key_Return);
    EXPECT_EQ(values(), QStringLiteral("075 YES 255 075 YES 255"));
    trigger("mnuEditSub5");
    part<QPushButton>("cmdApply")->click();
    part<QPushButton>("cmdApplyAll")->click();
    EXPECT_EQ(dialogs.messageTexts(), QStringList(2, QStringLiteral("No frames now!")));
}

TEST_F(FrameCommandsTest, AddVideoFramesAddsTheFramesOfTheChosenPartWithTheirDelays)
{
    const QString video = picturesFolder() + QStringLiteral("clip.mkv");
    ASSERT_TRUE(QFile::copy(QStringLiteral(PICTOREEL_TEST_DATA "/videos/testsrc_h264_15x11_vfr.mkv"), video));
    addPictures({QStringLiteral("a.png")});
    const QList<QAction*> file = part<QMenu>("mnuFile")->actions();
    EXPECT_EQ(file.indexOf(part<QAction>("mnuAddVideoFrames")), file.indexOf(part<QAction>("mnuFileSub7")) + 1);
    // The dialog's boxes as typed, one OK each, then Cancel unless the frames came.
    QList<std::array<const char*, 3>> typed;
    window->setWindowRunner([&](QDialog& w) {
        QSignalSpy accepted(&w, &QDialog::accepted);
        for (const auto& [start, duration, fps] : typed) {
            child<QLineEdit>(&w, "txtStart")->setText(start);
            child<QLineEdit>(&w, "txtDuration")->setText(duration);
            child<QLineEdit>(&w, "txtFps")->setText(fps);
            click(&w, "OKButton");
            EXPECT_TRUE(QTest::qWaitFor([&] { return child(&w, "pbPer")->isHidden() && child(&w, "OKButton")->isEnabled(); }, 60000));
        }
        if (accepted.isEmpty())
            click(&w, "CancelButton");
    });
    // Wrong boxes are told, a file that is no video too; nothing is added then.
    typed = {{"x", "", ""}, {"0", "0", ""}, {"0", "", "51"}};
    dialogs.answerFile(video);
    dialogs.clear();
    trigger("mnuAddVideoFrames");
    typed = {{"0", "", ""}};
    dialogs.answerFile(picturesFolder() + "a.png");
    trigger("mnuAddVideoFrames");
    ASSERT_EQ(dialogs.messageTexts().size(), 4);
    EXPECT_EQ(dialogs.messageTexts().mid(0, 3), (QStringList{"Please enter a time in seconds, like 2 or 1.5.", "Please enter a time in seconds, like 2 or 1.5.",
                                                             "Please enter a frame rate above 0 and at most 50, or nothing for the video's own."}));
    EXPECT_TRUE(dialogs.messageTexts()[3].startsWith("The frames of the video could not be extracted.\n\n"));
    EXPECT_EQ(dialogs.calls[0].request.filter, "Video Files(*.avi;*.mp4;*.m4v;*.mov;*.mkv;*.webm;*.ts;*.m2ts;*.mts;*.mpg;*.mpeg;*.vob;*.ogv;*.flv;*.wmv;*.asf;*.3gp;*.ivf;*.y4m)|*.avi;*.mp4;*.m4v;*.mov;*.mkv;*.webm;*.ts;*.m2ts;*.mts;*.mpg;*.mpeg;*.vob;*.ogv;*.flv;*.wmv;*.asf;*.3gp;*.ivf;*.y4m|All Files(*.*)|*.*");
    EXPECT_EQ(rowCount(), 1);

    // From 0.05 s for 0.4 s: frames at 0, 0.1 and 0.3 s, cut to the range, beside the video.
    typed = {{"0.05", "0.4", ""}};
    dialogs.answerFile(video);
    trigger("mnuAddVideoFrames");
    ASSERT_EQ(rowCount(), 4);
    for (int r = 2; r <= 4; ++r)
        EXPECT_EQ(rowTexts(r), QStringList({QString::number(r), QStringList{"5", "20", "15"}[r - 2], "YES", "16777215",
                                            QStringLiteral("clip_000%1.png").arg(r - 1), picturesFolder() + "clip/"}));

    // A video that breaks off: its frames before the break are added, and that is told.
    const QString cut = picturesFolder() + QStringLiteral("cut.avi");
    ASSERT_TRUE(QFile::copy(QStringLiteral(PICTOREEL_TEST_DATA "/videos/testsrc_mpeg4_16x12_cut5f_claims2g.avi"), cut));
    typed = {{"0", "", ""}};
    dialogs.answerFile(cut);
    dialogs.clear();
    trigger("mnuAddVideoFrames");
    EXPECT_EQ(rowCount(), 9);
    EXPECT_EQ(dialogs.messageTexts(), QStringList(QStringLiteral("cut.avi is cut short: it breaks off after 0.5 s of the 200000000.0 s it "
                                                                 "states.\n\nThe frames before the break are added.")));
}

}  // namespace
}  // namespace pictoreel::testing
