// The player component: assembling through its operations, loading and playing GIFs, writing
// single frames as BMP files, and what failures leave.
#include "core/media/player_component.h"

#include "core/gif/gif_writer.h"
#include "core/media/imaging_component.h"

#include "support/test_pictures.h"
#include "support/results.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

const std::int32_t kDialogGrey = colorRefFromRgb(Rgb{212, 208, 200});

// A one-image GIF of one colour with a square of another, or transparent outside the square.
QString writeSquareGif(const QString& path, int size, int at, Rgb colour, bool transparentAround)
{
    IndexedImage image{size, size, {}, {Rgb{10, 20, 30}, colour}, transparentAround ? 0 : -1};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            image.indices.push_back(x >= at && x < at + 3 && y >= at && y < at + 3 ? 1 : 0);
    EXPECT_TRUE(writeSingleImageGif(path, image));
    return path;
}

}  // namespace

// Assembling through the component's operations, then playing the result: stored delays of 0
// and 1 play as 10, from 2 on as stored; a missing picture repeats the one before.
TEST(PlayerComponent, AssemblesAndPlaysFramesAndDelaysAsAViewerDoes)
{
    QTemporaryDir dir;
    const QString a = writeSquareGif(dir.filePath(QStringLiteral("a.gif")), 12, 1, Rgb{200, 0, 0}, false);
    const QString b = writeSquareGif(dir.filePath(QStringLiteral("b.gif")), 12, 6, Rgb{0, 200, 0}, true);
    const QString out = dir.filePath(QStringLiteral("made.gif"));
    PlayerComponent maker, player;
    std::vector<int> events;
    maker.setSaveProgressHandler([&](int p) { events.push_back(p); });
    maker.LoopCount(std::int16_t{3});
    const int delays[] = {0, 1, 2, 37}, played[] = {10, 10, 2, 37};
    for (const QString& name : {a, QString(), b, a}) {
        maker.AddFrame(name);
        ASSERT_TRUE(maker.SetFrameDelay(maker.addedFrameCount() - 1, delays[maker.addedFrameCount() - 1]));
    }
    ASSERT_TRUE(maker.SaveAnimation(out));
    EXPECT_TRUE(events.back() == 100 && std::count(events.begin(), events.end(), 100) == 1);
    ASSERT_TRUE(player.LoadGif(out));
    EXPECT_EQ(std::pair(player.FrameCount(), player.gifLoopCount()), std::pair(4, std::optional<int>(3)));
    EXPECT_EQ(comparePictures(player.frame(1).value().image, player.frame(0).value().image), "");
    player.Play();
    for (int k = 0; k < 4; ++k, player.advance()) {
        EXPECT_EQ(std::pair(player.frame(k).value().delayCentiseconds, player.frame(k).value().effectiveDelayCentiseconds),
                  std::pair(delays[k], played[k]));
        EXPECT_EQ(std::pair(player.currentFrameIndex(), player.currentDelayMilliseconds()), std::pair(k, 10 * played[k]));
    }
    EXPECT_EQ(codeOf(player.frame(4)), ErrorCode::InvalidArgument);
    // A frame written out as BMP, over the back colour; no frame beyond the last, nothing where
    // the folder is missing.
    player.BackColor(kDialogGrey);
    const QString bmp = dir.filePath(QStringLiteral("frame 2.bmp"));
    ASSERT_TRUE(player.ExtractFrame(2, bmp));
    const RgbaImage written = loadPictureFile(bmp).value();
    EXPECT_EQ(std::pair(colourAt(written, 0, 0), colourAt(written, 7, 7)), std::pair(rgbFromColorRef(kDialogGrey), Rgb{0, 200, 0}));
    EXPECT_EQ(codeOf(player.ExtractFrame(4, bmp)), ErrorCode::InvalidArgument);
    EXPECT_FALSE(player.ExtractFrame(0, dir.filePath(QStringLiteral("no/such/folder/x.bmp"))));
    // A failed load leaves nothing loaded: nothing plays, no frame is extracted.
    EXPECT_EQ(codeOf(player.LoadGif(dir.filePath(QStringLiteral("none.gif")))), ErrorCode::FileNotFound);
    ASSERT_TRUE(writeFileContents(dir.filePath(QStringLiteral("junk.gif")), QByteArray("GIF? no")));
    ASSERT_TRUE(player.LoadGif(out));
    EXPECT_FALSE(player.LoadGif(dir.filePath(QStringLiteral("junk.gif"))));
    EXPECT_EQ(std::tuple(player.hasGif(), player.FrameCount(), player.GifWidth()), std::tuple(false, 0, 0));
    player.Play();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(codeOf(player.ExtractFrame(0, bmp)), ErrorCode::InvalidArgument);

    // Delays are held to what a GIF stores; indices beyond the frames are refused.
    EXPECT_TRUE(maker.SetFrameDelay(0, -5) && maker.SetFrameDelay(1, 1000000));
    EXPECT_EQ(std::pair(maker.frameDelay(0), maker.frameDelay(1)), std::pair(0, 65535));
    EXPECT_EQ(codeOf(maker.SetFrameDelay(4, 10)), ErrorCode::InvalidArgument);
    // A failed save raises no final event and keeps the earlier file.
    const QByteArray earlier = fileContents(out);
    events.clear();
    maker.AddFrame(dir.filePath(QStringLiteral("missing.gif")));
    EXPECT_EQ(codeOf(maker.SaveAnimation(out)), ErrorCode::FileNotFound);
    EXPECT_EQ(std::count(events.begin(), events.end(), 100), 0);
    EXPECT_EQ(fileContents(out), earlier);
    // ClearFrames empties the list and the settings, and unloads a GIF.
    ASSERT_TRUE(maker.LoadGif(out));
    maker.ClearFrames();
    EXPECT_EQ(std::tuple(maker.addedFrameCount(), maker.loopCount(), maker.hasGif()), std::tuple(0, std::optional<int>(), false));
    EXPECT_EQ(codeOf(maker.SaveAnimation(out)), ErrorCode::EmptyImage);
}

TEST(PlayerComponent, PlaybackHonoursTheLoopBlockWhenLooping)
{
    QTemporaryDir dir;
    const QString a = writeSquareGif(dir.filePath(QStringLiteral("a.gif")), 8, 1, Rgb{250, 0, 0}, false);
    const QString b = writeSquareGif(dir.filePath(QStringLiteral("b.gif")), 8, 4, Rgb{250, 0, 0}, false);
    const QString out = dir.filePath(QStringLiteral("loop.gif"));
    const auto make = [&](std::optional<int> loop) {
        EXPECT_TRUE(AnimationAssembler({{a, 5}, {b, 5}, {a, 5}}, AnimationSettings{loop}).save(out));
        return out;
    };

    PlayerComponent player;
    int changes = 0;
    player.setFrameChangedHandler([&] { ++changes; });
    const auto stepsUntilStopped = [&player](int limit) {  // steps of advance() until playback stops
        int steps = 0;
        while (steps < limit && player.advance())
            ++steps;
        return steps;
    };

    // Three frames: one pass is two steps, each further pass three more.
    for (const auto& [loop, looping, steps] : {std::tuple{std::optional<int>(), true, 2}, {2, true, 2 + 2 * 3},
                                                {2, false, 2}, {0, true, 1000}}) {
        SCOPED_TRACE(std::to_string(loop.value_or(-1)) + (looping ? " looping" : " once"));
        ASSERT_TRUE(player.LoadGif(make(loop)));
        player.LoopPlayback(looping);
        EXPECT_FALSE(player.isPlaying() || player.advance());  // nothing moves before Play
        player.Play();
        EXPECT_EQ(stepsUntilStopped(1000), steps);
        EXPECT_TRUE(steps == 1000 || (!player.isPlaying() && player.currentFrameIndex() == 2));  // stopped on the last frame
    }

    // Pause keeps the place; Play after the end starts again from the first frame.
    ASSERT_TRUE(player.LoadGif(make(std::nullopt)));
    player.Play();
    ASSERT_TRUE(player.advance());
    player.Pause();
    EXPECT_FALSE(player.advance());
    player.Play();
    EXPECT_EQ((std::pair{player.currentFrameIndex(), stepsUntilStopped(10)}), std::pair(1, 1));  // braces: the index is read first
    changes = 0;
    player.Play();
    EXPECT_EQ(std::tuple(player.currentFrameIndex(), changes, player.isPlaying()), std::tuple(0, 1, true));
}
