// Drag and drop on the main window: files and folders dropped on the list or the window, rows
// dragged within the list, and the drops that open a project, add a video or are refused.
#include "gui/support/window_fixture.h"

namespace pictoreel::testing {
namespace {

class FrameDropsTest : public WindowTest {
protected:
    // A point on the upper edge of row `row` (1-based): a drop there lands before it.
    QPoint aboveRow(int row) const { return listView()->visualRect(listView()->model()->index(row - 1, 0)).topLeft() + QPoint(4, 1); }
    // Drags the files over `target` and drops them there when it takes them; whether it did.
    static bool drop(QWidget* target, QPoint at, const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(path.contains(u':') ? QUrl(path) : QUrl::fromLocalFile(path));
        data.setUrls(urls);
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, {});
        QDragMoveEvent move(at, offered, &data, Qt::LeftButton, {});
        QDropEvent dropped(at, offered, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        QApplication::sendEvent(target, &move);
        if (!enter.isAccepted() || !move.isAccepted() || move.dropAction() != Qt::CopyAction)
            return false;
        QApplication::sendEvent(target, &dropped);
        QCoreApplication::processEvents();
        return dropped.isAccepted();
    }
    QString column(FrameColumn c) const
    {
        QStringList texts;
        for (int r = 1; r <= rowCount(); ++r)
            texts.append(rowTexts(r)[int(c)]);
        return texts.join(u' ');
    }
};

TEST_F(FrameDropsTest, DroppedPicturesAndFoldersBecomeRowsWhereTheyAreDropped)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    listView()->selectRow(2);
    part<QLineEdit>("txtInterval")->setText(QStringLiteral("70"));
    const QString c = makePicture(QStringLiteral("c.png"), 8, 8), d = makePicture(QStringLiteral("d.PNG"), 8, 8);
    ASSERT_TRUE(QDir().mkpath(path("shots/sub")));
    for (const char* name : {"shots/Frame_10.png", "shots/Frame_2.png", "shots/sub/deep.png", "shots/notes.txt"})
        ASSERT_TRUE(QFile::copy(c, path(QLatin1String(name))));

    ASSERT_TRUE(drop(listView()->viewport(), aboveRow(2), {c, path("shots/notes.txt"), d, path("shots")}));
    EXPECT_EQ(column(FrameColumn::FileName), "a.png c.png d.PNG Frame_2.png Frame_10.png b.png");
    EXPECT_EQ(column(FrameColumn::Number) + " | " + column(FrameColumn::Interval), "1 2 3 4 5 6 | 50 70 70 70 70 50");
    EXPECT_EQ(listView()->selectedRow(), 6);  // still on b.png

    // Elsewhere on the window: at the end, as File, "&Add Image Files ..." adds, with the values of
    // b.png that the panel shows now.
    ASSERT_TRUE(drop(window.get(), {5, 5}, {c}));
    EXPECT_EQ(rowTexts(7).mid(1, 4), (QStringList{"50", "YES", "16777215", "c.png"}));
}

TEST_F(FrameDropsTest, DraggedRowsMoveWithTheirValuesAndCheckBoxes)
{
    struct Case { std::vector<int> rows; int dropRow; const char* order; };
    for (const Case& t : std::vector<Case>{{{1}, 2, "b a c d"}, {{4}, 0, "d a b c"}, {{2}, -1, "a c d b"},
                                           {{1, 3}, 3, "b a c d"}, {{3, 4}, 1, "a c d b"}}) {
        newProject();
        addPictures({QStringLiteral("a.png"), QStringLiteral("b.png"), QStringLiteral("c.png"), QStringLiteral("d.png")});
        setRowChecked(1, true);
        window->frames().setColumn(1, FrameColumn::Interval, QStringLiteral("9"));
        QAbstractItemModel* model = listView()->model();
        QModelIndexList dragged;
        for (int r : t.rows)
            dragged << model->index(r - 1, 0) << model->index(r - 1, 4);
        std::unique_ptr<QMimeData> data(model->mimeData(dragged));
        ASSERT_TRUE(model->dropMimeData(data.get(), Qt::MoveAction, t.dropRow, 0, {}));
        const QString order = column(FrameColumn::FileName).remove(QStringLiteral(".png"));
        EXPECT_EQ(order, t.order) << t.dropRow;
        const int a = int(order.indexOf(u'a') / 2) + 1;
        EXPECT_TRUE(rowChecked(a) && rowTexts(a)[1] == "9" && rowCount() == 4 && rowTexts(4)[0] == "4") << t.order;
        EXPECT_EQ(listView()->selectedRow(), int(order.indexOf(QChar(u'a' + t.rows[0] - 1)) / 2) + 1) << t.order;
    }
    // Rows of another list are not ours to move.
    FrameList others;
    others.AddFrameFromString(QStringLiteral("1;NO;0;x.png;/"));
    FrameListModel foreign(others);
    std::unique_ptr<QMimeData> data(foreign.mimeData({foreign.index(0, 0)}));
    EXPECT_FALSE(listView()->model()->dropMimeData(data.get(), Qt::MoveAction, 0, 0, {}));
}

TEST_F(FrameDropsTest, ProjectsOpenVideosAddFramesAndOtherDropsAreRefusedOrTold)
{
    addPictures({QStringLiteral("a.png")});
    dialogs.answerFile(path("p.agp"));
    trigger(QStringLiteral("mnuFileSub5"));
    newProject();
    ASSERT_TRUE(drop(window.get(), {5, 5}, {picturesFolder() + "a.png", path("p.agp")}));
    EXPECT_TRUE(window->ProjectFile() == path("p.agp") && rowCount() == 1);

    dialogs.clear();
    writeFile(path("notes.txt"));
    ASSERT_TRUE(drop(listView()->viewport(), aboveRow(1), {path("notes.txt")}));
    EXPECT_EQ(dialogs.boxes(), QStringList{box("None of the dropped files or folders holds a picture.")});
    EXPECT_EQ(rowCount(), 1);
    EXPECT_FALSE(drop(listView()->viewport(), aboveRow(1), {QStringLiteral("https://example.com/a.png")}));
    EXPECT_FALSE(drop(window.get(), {5, 5}, {picturesFolder() + "a.png", QStringLiteral("https://example.com/a.png")}));

    const QString video = path("clip.mkv");
    ASSERT_TRUE(QFile::copy(QStringLiteral(PICTOREEL_TEST_DATA "/videos/testsrc_h264_15x11_vfr.mkv"), video));
    QString shown;
    window->setWindowRunner([&](QDialog& w) { shown = w.objectName(); });
    dialogs.clear();
    ASSERT_TRUE(drop(window.get(), {5, 5}, {video}));
    EXPECT_TRUE(shown == "frmVideoFrames" && dialogs.calls.empty());
}

}  // namespace
}  // namespace pictoreel::testing
