// The window's edits of what a frame shows: captions (the dialog and dragging on the frame view),
// and the part of a video chosen with the scrubber.
#include "gui/support/window_fixture.h"

#include "core/captions/caption_drawing.h"
#include "gui/dialogs/video_frames_dialog.h"
#include "gui/widgets/image_view.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSpinBox>

namespace pictoreel::testing {
namespace {

class FrameShapeTest : public WindowTest {
protected:
    // Pixels of the frame view that are not the pictures' red.
    int pixelsNotRed() const
    {
        const RgbaImage& shown = window->frameImage().image();
        int count = 0;
        for (std::size_t i = 0; i + 3 < shown.pixels.size(); i += 4)
            count += shown.pixels[i + 1] > 60 || shown.pixels[i] < 200;
        return count;
    }
};

TEST_F(FrameShapeTest, CaptionsAreSetInTheDialogShownOnTheFrameAndDraggedToAPoint)
{
    addPictures({"a.png", "b.png"}, 80, 60);
    ASSERT_EQ(pixelsNotRed(), 0);
    window->setWindowRunner([](QDialog& w) {
        EXPECT_EQ(w.objectName(), "frmCaptions");
        click(&w, "cmdAddCaption");
        child<QPlainTextEdit>(&w, "txtCaptionText")->setPlainText(QStringLiteral("Hé ✓\nzwei"));
        child<QSpinBox>(&w, "txtCaptionSize")->setValue(14);
        child<QComboBox>(&w, "cboCaptionPosition")->setCurrentIndex(static_cast<int>(CaptionAnchor::Top));
        click(&w, "cmdAddCaption");  // a second one, taken away again
        click(&w, "cmdRemoveCaption");
        click(&w, "OKButton");
    });
    trigger("mnuEditCaptions");
    QCoreApplication::processEvents();  // the change is recorded once the command is over
    ASSERT_EQ(panel->projectProperties().captions.size(), 1u);
    const CaptionLayer set = panel->projectProperties().captions[0];
    EXPECT_EQ(set.text, QStringLiteral("Hé ✓\nzwei"));
    EXPECT_EQ(std::tuple(set.size, set.anchor, set.firstFrame, set.lastFrame), std::tuple(14, CaptionAnchor::Top, 1, 0));
    EXPECT_GT(pixelsNotRed(), 20);
    EXPECT_TRUE(window->windowTitle().startsWith(u'*'));

    // Dragged on the view by 6 x 9 pixels of the frame, it stands at a point.
    auto* view = part<ImageView>("wpdlx1");
    const QTransform toView = view->pictureToView();
    const QPoint from = toView.map(QPointF(40, 8)).toPoint(), to = toView.map(QPointF(46, 17)).toPoint();
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(view->viewport(), to);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, to);
    QCoreApplication::processEvents();
    const CaptionLayer moved = panel->projectProperties().captions.at(0);
    EXPECT_EQ(moved.anchor, CaptionAnchor::Point);
    const CaptionBlock before = captionBlock(set, 80, 60), after = captionBlock(moved, 80, 60);
    EXPECT_EQ(QPoint(after.x - before.x, after.y - before.y), QPoint(6, 9));

    trigger("mnuEditUndo");
    EXPECT_EQ(panel->projectProperties().captions.at(0).anchor, CaptionAnchor::Top);
    trigger("mnuEditUndo");
    EXPECT_TRUE(panel->projectProperties().captions.empty());
    EXPECT_EQ(pixelsNotRed(), 0);
}

TEST_F(FrameShapeTest, TheCropIsDrawnOnTheTurnedFrameKeptInThePicturesPixelsAndTakenWithEnterOnly)
{
    addPictures({"a.png", "b.png"}, 80, 60);
    trigger("mnuEditRotateRight");
    panel->setFrameWidth(30);  // the turned 60 x 80 pictures at half their size
    panel->setFrameHeight(40);
    auto* view = part<ImageView>("wpdlx1");
    const auto crop = [&](std::function<void(QDialog&)> edit, int key) {
        trigger("mnuEditCrop");
        QPointer<QDialog> bar = window->findChild<QDialog*>(QStringLiteral("frmCrop"));
        ASSERT_TRUE(bar && bar->isVisible());
        EXPECT_EQ(QSize(window->frameImage().ImageWidth(), window->frameImage().ImageHeight()), QSize(30, 40));  // not cropped
        edit(*bar);
        QTest::keyClick(view, Qt::Key(key));
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(bar);
    };
    const QStringList boxes{"txtCropX", "txtCropY", "txtCropWidth", "txtCropHeight"};
    const auto typeRect = [&](QDialog& bar) {
        for (int i = 0; i < 4; ++i)
            child<QSpinBox>(&bar, boxes[i])->setValue(QList<int>{10, 5, 40, 30}[i]);
    };
    crop(typeRect, Qt::Key_Escape);
    EXPECT_EQ(panel->projectProperties().crop, "");

    // Drawn with the mouse from its corner on the frame: frame pixels 5..20 across and 10..30 down
    // are the turned picture's 10..40 and 20..60, the picture's rows 20..50 and columns 20..60. A
    // box typed then is a picture pixel the frame's scale cannot show.
    crop([&](QDialog& bar) {
        const QTransform toView = view->pictureToView();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, toView.map(QPointF(5, 10)).toPoint());
        QTest::mouseMove(view->viewport(), toView.map(QPointF(20, 30)).toPoint());
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, toView.map(QPointF(20, 30)).toPoint());
        QList<int> shown;
        for (const QString& box : boxes)
            shown.append(child<QSpinBox>(&bar, box)->value());
        EXPECT_EQ(shown, QList<int>({20, 20, 40, 30}));
        child<QSpinBox>(&bar, "txtCropX")->setValue(21);
    }, Qt::Key_Enter);
    EXPECT_EQ(panel->projectProperties().crop, "40x30+21+20");
    crop(typeRect, Qt::Key_Return);
    EXPECT_EQ(panel->projectProperties().crop, "40x30+10+5");
    crop([](QDialog& bar) { click(&bar, "cmdCropReset"); }, Qt::Key_Return);  // the whole picture
    EXPECT_EQ(panel->projectProperties().crop, "");
}

TEST_F(FrameShapeTest, QuarterTurnsSwapTheSizeBoxesAndUndoBringsThemBack)
{
    addPictures({"a.png"}, 80, 60);
    panel->setFrameWidth(80);
    panel->setFrameHeight(60);
    const auto shape = [&] {
        QCoreApplication::processEvents();
        const ProjectProperties p = panel->projectProperties();
        return QStringList{p.width, p.height, p.rotate, p.mirror}.join(u' ');
    };
    const QString start = shape();
    trigger("mnuEditRotateRight");
    EXPECT_EQ(shape(), "60 80 90 ");
    EXPECT_EQ(QSize(window->frameImage().ImageWidth(), window->frameImage().ImageHeight()), QSize(60, 80));
    trigger("mnuEditFlipHorizontal");
    EXPECT_EQ(shape(), "60 80 270 1");
    trigger("mnuEditRotate180");
    EXPECT_EQ(shape(), "60 80 90 1");
    trigger("mnuEditRotateLeft");
    EXPECT_EQ(shape(), "80 60  1");
    trigger("mnuEditFlipVertical");
    EXPECT_EQ(shape(), "80 60 180 ");
    for (const QString& before : {QStringLiteral("80 60  1"), QStringLiteral("60 80 90 1"), QStringLiteral("60 80 270 1"),
                                  QStringLiteral("60 80 90 "), start}) {
        trigger("mnuEditUndo");
        EXPECT_EQ(shape(), before);
    }
}

TEST_F(FrameShapeTest, TheScrubberAndTheBoxesFollowEachOtherAndShowThePicture)
{
    VideoFramesDialog dialog(dialogs, QStringLiteral(PICTOREEL_TEST_DATA "/videos/testsrc_h264_16x12_10f_from1.4s.mkv"), path("frames"));
    auto* start = child<QSlider>(&dialog, "sldStart");
    auto* end = child<QSlider>(&dialog, "sldEnd");
    ASSERT_TRUE(QTest::qWaitFor([&] { return start->isEnabled(); }, 20000));
    EXPECT_GT(end->maximum(), 300);
    EXPECT_EQ(end->value(), end->maximum());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !child<QLabel>(&dialog, "picPreview")->pixmap().isNull(); }, 20000));
    start->setValue(200);
    EXPECT_EQ(shownText(&dialog, "txtStart"), "0.2");
    EXPECT_EQ(shownText(&dialog, "txtDuration"), "");
    end->setValue(150);  // not before the start: the start comes back with it
    EXPECT_EQ(std::pair(shownText(&dialog, "txtStart"), shownText(&dialog, "txtDuration")), std::pair(QString("0.15"), QString("0")));
    end->setValue(450);
    EXPECT_EQ(shownText(&dialog, "txtDuration"), "0.3");
    auto* duration = child<QLineEdit>(&dialog, "txtDuration");
    duration->clear();
    QTest::keyClicks(duration, "0.1");
    EXPECT_EQ(std::pair(start->value(), end->value()), std::pair(150, 250));
}

}  // namespace
}  // namespace pictoreel::testing
