// The frame list's thumbnails: made in the background, following their files, kept with the
// rows they belong to, and turned off from the Edit menu for this and later starts.
#include "gui/main_window/frame_thumbnails.h"
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
    // Shrunk with its shape kept, on a transparent ground; a missing picture leaves the square empty.
    EXPECT_EQ(colourAt(2, middle, Qt::blue), "#ff0000ff");
    EXPECT_EQ(colourAt(2, top), "#00000000");
    EXPECT_EQ(decoration(3).value<QPixmap>().size(), QSize(side, side));
    EXPECT_EQ(colourAt(3, middle), "#00000000");
    EXPECT_GE(listView()->sizeHintForRow(0), side);

    // Thumbnails go with their pictures when rows move; a picture changed on disk gets a new one.
    window->SwapFrames(1, 2);
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

}  // namespace
}  // namespace pictoreel::testing
