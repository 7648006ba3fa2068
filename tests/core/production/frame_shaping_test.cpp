// The crop, turn and captions of a make, checked on the frames of the made GIF (and PNG): pixels
// cropped and turned exactly, captions only in their blocks and on their frames, and the frame
// cache following every change.
#include "core/captions/caption_drawing.h"
#include "core/formats/animated_picture_reader.h"
#include "core/gif/gif_reader.h"
#include "core/production/make_gif.h"
#include "support/files.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

using testing::colourAt;

class FrameShapingMake : public ::testing::Test {
protected:
    void SetUp() override
    {
        options.tempFolder = dir.filePath("temp") + "/";
        QDir().mkpath(options.tempFolder);
        options.jobs = 2;
    }
    void addRows(const RgbaImage& picture, int count)
    {
        testing::writeBmp(dir.filePath("p.bmp"), picture);
        for (int i = 0; i < count; ++i)
            frames.AddFrameFromString(QStringLiteral("10;NO;0;p.bmp;%1/").arg(dir.path()));
    }
    std::vector<RgbaImage> make(const QString& name = "out.gif")
    {
        const auto report = makeAnimatedGif(frames, properties, dir.filePath(name), options);
        EXPECT_TRUE(report.ok()) << report.error().message.toStdString();
        std::vector<RgbaImage> shown;
        if (!report.ok())
            return shown;
        if (name.endsWith(".png")) {
            auto reader = openApngAnimation(testing::fileContents(dir.filePath(name))).value();
            while (auto frame = reader->nextFrame().value())
                shown.push_back(frame->canvas);
        } else {
            const DecodedGif gif = decodeGifFile(dir.filePath(name)).value();
            for (const GifFrame& frame : gif.frames)
                shown.push_back(frame.image);
        }
        return shown;
    }
    QTemporaryDir dir;
    FrameList frames;
    ProjectProperties properties;
    MakeOptions options;
};

// Few colours, none alike: the GIF keeps every one exactly.
Rgb patternColour(int x, int y) { return {std::uint8_t(x * 30), std::uint8_t(y * 40), 90}; }

// Where the pixel (x, y) of a w x h picture, flipped left-right when `mirrored` and then turned
// `turns` quarters clockwise, is shown.
std::pair<int, int> shownAt(int x, int y, int w, int h, int turns, bool mirrored)
{
    if (mirrored)
        x = w - 1 - x;
    for (int i = 0; i < turns; ++i) {
        const int turnedX = h - 1 - y;
        y = x, x = turnedX;
        std::swap(w, h);
    }
    return {x, y};
}

TEST_F(FrameShapingMake, FramesAreTheCropOfThePictureTurnedAndFlipped)
{
    addRows(testing::makePicture(7, 5, patternColour), 2);
    properties.crop = "4x3+2+1";
    for (int turns = 0; turns < 4; ++turns)
        for (bool mirrored : {false, true}) {
            const Orientation o{turns, mirrored};
            properties.rotate = rotateText(o), properties.mirror = mirrorText(o);
            properties.width = swapsSides(o) ? "3" : "4", properties.height = swapsSides(o) ? "4" : "3";
            const std::vector<RgbaImage> shown = make(turns % 2 ? "out.png" : "out.gif");
            ASSERT_EQ(shown.size(), 2u);
            ASSERT_EQ(std::pair(shown[1].width, shown[1].height), std::pair(properties.width.toInt(), properties.height.toInt()));
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 4; ++x) {
                    const auto [sx, sy] = shownAt(x, y, 4, 3, turns, mirrored);
                    EXPECT_EQ(colourAt(shown[1], sx, sy), patternColour(x + 2, y + 1)) << turns << mirrored << x << y;
                }
        }

    // A crop in percent of a picture of four blocks keeps one block, scaled up: its colour alone.
    const Rgb blocks[] = {{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {200, 200, 0}};
    frames = FrameList();
    addRows(testing::makePicture(40, 30, [&](int x, int y) { return blocks[(x >= 20) + 2 * (y >= 15)]; }), 2);
    properties = ProjectProperties();
    properties.crop = "50%x50%+50%+50%", properties.width = "64", properties.height = "48";
    const RgbaImage frame = make().at(0);
    for (int y = 0; y < frame.height; ++y)
        for (int x = 0; x < frame.width; ++x)
            ASSERT_EQ(colourAt(frame, x, y), blocks[3]) << x << "," << y;
    properties.crop = "5x5";
    EXPECT_EQ(makeAnimatedGif(frames, properties, dir.filePath("bad.gif"), options).error().code, ErrorCode::InvalidArgument);
}

TEST_F(FrameShapingMake, ACaptionChangesOnlyItsBlockOnItsFrames)
{
    const Rgb grey{120, 120, 120};
    addRows(testing::solidPicture(60, 40, grey), 3);
    properties.width = "60", properties.height = "40";
    CaptionLayer caption;
    caption.text = "Hi";
    caption.size = 14;
    caption.firstFrame = caption.lastFrame = 2;
    properties.captions = {caption};
    const std::vector<RgbaImage> shown = make();
    ASSERT_EQ(shown.size(), 3u);
    const CaptionBlock block = captionBlock(caption, 60, 40);
    int changed = 0;
    for (int f = 0; f < 3; ++f)
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x) {
                const bool same = colourAt(shown[f], x, y) == grey;
                if (f != 1 || !block.contains(x, y))
                    ASSERT_TRUE(same) << f << " " << x << "," << y;
                changed += !same;
            }
    EXPECT_GT(changed, 20);
}

// A change of the crop makes other frames; changing it back takes the first ones from the cache,
// and the animation is the first one byte for byte.
TEST_F(FrameShapingMake, TheFrameCacheFollowsTheCrop)
{
    addRows(testing::makePicture(7, 5, patternColour), 2);
    properties.width = "4", properties.height = "3", properties.crop = "4x3+0+0";
    make();
    const QByteArray first = testing::fileContents(dir.filePath("out.gif"));
    properties.crop = "4x3+3+2";
    make();
    EXPECT_NE(testing::fileContents(dir.filePath("out.gif")), first);
    properties.crop = "4x3+0+0";
    const auto report = makeAnimatedGif(frames, properties, dir.filePath("again.gif"), options);
    ASSERT_TRUE(report.ok());
    EXPECT_EQ(report.value().converted, 0);
    EXPECT_EQ(testing::fileContents(dir.filePath("again.gif")), first);
}

}  // namespace
}  // namespace pictoreel
