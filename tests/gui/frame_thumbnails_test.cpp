// The frame list's thumbnails: made in the background, following their files, kept with the
// rows they belong to, and turned off from the Edit menu for this and later starts.
#include "gui/main_window/frame_thumbnails.h"
#include "gui/main_window/picture_watcher.h"
#include "gui/support/window_fixture.h"

namespace pictoreel::testing {
namespace {

class FrameThumbnailsTest : public WindowTest {
protected:
    QVariant decoration(int row) const { return listView()->model()->index(row - 1, 0).data(Qt::DecorationRole); }
    // The colour at a point of the thumbnail of `row` ("#aarrggbb"), once it is `awaited` or
    // after a while.
    QString colourAt(int row, QPoint at, QColor awaited = Qt::transparent) const
    {
        QColor seen;
        (void)QTest::qWaitFor([&] {
            seen = decoration(row).value<QPixmap>().toImage().pixelColor(at);
            return seen == awaited;
        }, 5000);
        return seen.name(QColor::HexArgb);
    }
};

TEST_F(FrameThumbnailsTest, RowsShowTheirOwnPicturesUntilTurnedOff)
{
    addPictures({QStringLiteral("red.png")});
    const QString wide = makePicture(QStringLiteral("wide.png"), 400, 200, Qt::blue);
    ASSERT_TRUE(window->frames().AddFrameEntry(wide, {}) && window->frames().AddFrameEntry(path("gone.png"), {}));
    constexpr int side = FrameThumbnails::kSide;
    const QPoint middle(side / 2, side / 2), top(side / 2, 2);
    EXPECT_EQ(colourAt(1, middle, Qt::red), "#ffff0000");
    // Shrunk with its shape kept, on a transparent ground; a missing picture shows the broken mark.
    EXPECT_EQ(colourAt(2, middle, Qt::blue), "#ff0000ff");
    EXPECT_EQ(colourAt(2, top), "#00000000");
    EXPECT_EQ(decoration(3).value<QPixmap>().size(), QSize(side, side));
    EXPECT_EQ(colourAt(3, middle, QColor(0xD0, 0x20, 0x20)), "#ffd02020");
    EXPECT_GE(listView()->sizeHintForRow(0), side);

    // Thumbnails go with their pictures when rows move; a picture changed on disk gets a new one.
    trigger(QStringLiteral("mnuEditSub8"));  // Move Down, the first row highlighted
    EXPECT_EQ(decoration(1).value<QPixmap>().toImage().pixelColor(middle).name(QColor::HexArgb), "#ff0000ff");
    makePicture(QStringLiteral("red.png"), 40, 31, Qt::green);
    qobject_cast<FrameListModel*>(listView()->model())->refreshMissingPictures();
    EXPECT_EQ(colourAt(2, middle, Qt::green), "#ff00ff00");

    // Off: no thumbnails, rows of text height, the number column as narrow as before; and so at
    // the next start.
    const int numberColumn = listView()->header()->sectionSize(0);
    trigger(QStringLiteral("mnuEditThumbnails"));
    EXPECT_FALSE(decoration(1).isValid());
    EXPECT_LT(listView()->sizeHintForRow(0), side);
    EXPECT_EQ(listView()->header()->sectionSize(0), twipsToPixels(FrameListModel::columnWidthTwips(0)));
    EXPECT_GT(numberColumn, listView()->header()->sectionSize(0) + side);
    startWindow();
    addPictures({QStringLiteral("red.png")});
    EXPECT_FALSE(part<QAction>(QStringLiteral("mnuEditThumbnails"))->isChecked() || decoration(1).isValid());
    trigger(QStringLiteral("mnuEditThumbnails"));
    EXPECT_EQ(colourAt(1, middle, Qt::red), "#ffff0000");
}

// Rows whose pictures are missing or cannot be read are marked when the project is opened, and
// again when a picture goes away while the window is open.
TEST_F(WindowTest, MissingAndBrokenPicturesAreMarkedOnOpeningAndWhenTheyGoAway)
{
    const QString broken = picturesFolder() + QStringLiteral("broken.jpg");
    writeFile(broken, "this is text, not a JPEG");
    dialogs.answerFiles({makePicture(QStringLiteral("a.png"), 20, 10), makePicture(QStringLiteral("b.png"), 20, 10), broken});
    trigger(QStringLiteral("mnuFileSub7"));
    const QString project = path(QStringLiteral("p.agp"));
    dialogs.answerFile(project);
    trigger(QStringLiteral("mnuFileSub5"));
    ASSERT_TRUE(QFile::remove(picturesFolder() + QStringLiteral("b.png")));
    ASSERT_TRUE(window->OpenProjectFile(project));
    QCoreApplication::processEvents();  // the thumbnails are asked for as the rows are painted

    auto* model = qobject_cast<FrameListModel*>(listView()->model());
    ASSERT_TRUE(model && rowCount() == 3 && rowTexts(3)[4] == QStringLiteral("broken.jpg"));
    EXPECT_TRUE(model->isPictureMissing(2) && !model->isPictureMissing(1) && !model->isPictureBroken(1));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->isPictureBroken(3); }, 10000));
    EXPECT_TRUE(model->index(2, 4).data(Qt::ToolTipRole).toString().startsWith(QStringLiteral("The picture cannot be read: ") + broken));
    EXPECT_FALSE(model->index(2, 4).data(Qt::DecorationRole).isNull());

    // Deleted while the window is open (once its folder is watched): marked without a make.
    const auto* watcher = window->findChild<PictureWatcher*>(QStringLiteral("pictureWatcher"));
    ASSERT_TRUE(watcher && QTest::qWaitFor([&] { return !watcher->watchedFolders().isEmpty(); }));
    ASSERT_TRUE(QFile::remove(picturesFolder() + QStringLiteral("a.png")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->isPictureMissing(1); }, 10000));
}

}  // namespace
}  // namespace pictoreel::testing
