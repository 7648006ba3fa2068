// The picture views: a picture fitted to the view or at 100 % with scroll bars, and the main
// window's frame view following the size typed into the property panel.
#include "gui/support/window_fixture.h"

#include "core/media/imaging_component.h"
#include "gui/widgets/checkerboard.h"
#include "gui/widgets/gif_view.h"
#include "gui/widgets/image_view.h"

namespace pictoreel::testing {
namespace {

TEST(ImageViewTest, FitsLargePicturesCentresSmallOnesAndScrollsAtFullSize)
{
    ImagingComponent component;
    ImageView view(component);
    view.resize(200, 100);
    view.show();
    const struct { QSize picture; QRect fitted; } cases[] = {
        {{400, 400}, {50, 0, 100, 100}},  // scaled down, proportions kept
        {{800, 100}, {0, 37, 200, 25}},
        {{40, 30}, {80, 35, 40, 30}},     // small: 1:1, centred
    };
    for (const auto& [picture, fitted] : cases) {
        component.setImage(RgbaImage(picture.width(), picture.height()));
        EXPECT_EQ(view.pictureRect(), fitted) << picture.width();
    }

    component.setImage(RgbaImage(400, 300));
    view.actions().at(1)->trigger();  // "100 %" of the context menu
    EXPECT_TRUE(!view.fitsToView() && view.pictureRect() == QRect(0, 0, 400, 300));
    QCoreApplication::processEvents();  // the bars show or hide on a queued call
    EXPECT_TRUE(view.horizontalScrollBar()->isVisible() && view.verticalScrollBar()->isVisible());
    view.horizontalScrollBar()->setValue(30);
    EXPECT_EQ(view.pictureRect().topLeft(), QPoint(-30, 0));
    view.actions().at(0)->trigger();  // back to "Fit"
    QCoreApplication::processEvents();
    EXPECT_TRUE(view.fitsToView() && !view.horizontalScrollBar()->isVisible());
}

// Transparent pixels show the checkerboard's two greys, opaque ones their colour; a GIF view told
// to hide transparency shows its BackColor there, and a view smaller than its GIF scales it down.
TEST(ImageViewTest, TransparentPixelsShowACheckerboardInThePictureAndGifViews)
{
    ImagingComponent component;
    ImageView view(component);
    view.resize(64, 64);
    view.show();
    RgbaImage picture(32, 32);  // all transparent but the last row
    for (int x = 0; x < 32; ++x) {
        picture.pixel(x, 31)[0] = 255;
        picture.pixel(x, 31)[3] = 255;
    }
    component.setImage(picture);
    const QImage shown = view.viewport()->grab().toImage();
    const QPoint corner = view.pictureRect().topLeft();
    EXPECT_EQ(shown.pixelColor(corner), QColor(255, 255, 255));
    EXPECT_EQ(shown.pixelColor(corner + QPoint(kCheckerSquare, 0)), QColor(0xCC, 0xCC, 0xCC));
    EXPECT_EQ(shown.pixelColor(corner + QPoint(3, 31)), QColor(255, 0, 0));

    QTemporaryDir dir;
    const QString gif = dir.filePath(QStringLiteral("t.gif"));
    ImagingComponent writer;
    writer.setImage(RgbaImage(40, 20));  // no alpha anywhere: white, the transparent colour
    ASSERT_TRUE(writer.SaveGif(gif, true, kWhite));
    GifView player;
    ASSERT_TRUE(player.LoadGif(gif));
    player.resize(player.sizeHint());
    player.show();
    EXPECT_EQ(player.grab().toImage().pixelColor(kCheckerSquare, 0), QColor(0xCC, 0xCC, 0xCC));
    player.component().BackColor(0x00FF00);
    player.setTransparencyShown(false);
    EXPECT_EQ(player.grab().toImage().pixelColor(kCheckerSquare, 0), QColor(0, 255, 0));
    EXPECT_EQ(player.sizeWithin({20, 100}), QSize(20, 10));  // Fit: proportions kept
    player.setFitToView(false);
    EXPECT_EQ(player.sizeWithin({20, 100}), QSize(40, 20));
}

class FrameViewTest : public WindowTest {};

TEST_F(FrameViewTest, TypingANewSizeRemakesTheFrameView)
{
    addPictures({QStringLiteral("a.png")}, 64, 48);
    listView()->selectRow(1);
    ASSERT_EQ(window->frameImage().ImageWidth(), 64);
    auto* box = part<QLineEdit>(QStringLiteral("txtWidth"));
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("90"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(window->frameImage().ImageWidth() == 90 && window->frameImage().ImageHeight() == 48);
}

}  // namespace
}  // namespace pictoreel::testing
