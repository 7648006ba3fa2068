// Recording from a grabber of the test's own: what the timeline and the files come to when the
// pictures are known, without a display.
#include "core/capture/screen_recording.h"
#include "core/capture/stoppable_grabber.h"
#include "core/formats/png_true_colour.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <thread>

namespace pictoreel {
namespace {

using namespace std::chrono_literals;

// Shows the picture of `shade`, 8 x 4, as the test sets it; fails once `failing` is set.
class ShadeGrabber final : public FrameGrabber {
public:
    ShadeGrabber(std::atomic<int>& shade, std::atomic<bool>& failing) : shade_(shade), failing_(failing) {}
    int width() const override { return 8; }
    int height() const override { return 4; }
    Result<RgbaImage> grab() override
    {
        if (failing_)
            return makeError(ErrorCode::FileReadFailed, QStringLiteral("gone"));
        RgbaImage image(8, 4);
        for (std::size_t i = 0; i < image.pixels.size(); i += 4)
            image.pixels[i] = std::uint8_t(shade_), image.pixels[i + 3] = 255;
        return image;
    }

private:
    std::atomic<int>& shade_;
    std::atomic<bool>& failing_;
};

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

TEST(ScreenRecording, KeepsChangesWithTheirTimeAndLeavesPausesOut)
{
    QTemporaryDir dir;
    std::atomic<int> shade{10};
    std::atomic<bool> failing{false};
    const QString folder = dir.filePath(QStringLiteral("new/rec"));
    RecordingSettings settings;
    settings.framesPerSecond = 20;
    auto started = ScreenRecording::start(std::make_unique<ShadeGrabber>(shade, failing), folder, settings);
    ASSERT_TRUE(started) << started.error().message.toStdString();
    ScreenRecording& recording = *started.value();
    std::this_thread::sleep_for(400ms);
    recording.pause();
    shade = 20;  // changed while paused: taken only once resumed
    std::this_thread::sleep_for(600ms);
    recording.resume();
    std::this_thread::sleep_for(400ms);
    const auto frames = recording.finish();
    ASSERT_TRUE(frames) << frames.error().message.toStdString();
    const RecordingCounts counts = recording.counts();

    ASSERT_EQ(frames.value().size(), 2u);  // the same picture again and again is one frame
    EXPECT_GT(counts.identical, 5);
    EXPECT_EQ(counts.dropped, 0);
    EXPECT_EQ(QFileInfo(frames.value()[0].path).fileName(), QStringLiteral("screen_0001.png"));
    // The pause is not in the time: 0.4 s and 0.4 s, give or take a picture's interval.
    EXPECT_NEAR(frames.value()[0].delayCentiseconds, 40, 6);
    EXPECT_NEAR(frames.value()[1].delayCentiseconds, 40, 6);
    EXPECT_NEAR(counts.elapsedMicroseconds, 800000, 100000);
    const auto second = readTrueColourPng(testing::fileContents(frames.value()[1].path));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->width, 8);
    EXPECT_EQ(second->pixel(7, 3)[0], 20);
    EXPECT_EQ(filesIn(folder), (QStringList{QStringLiteral("screen_0001.png"), QStringLiteral("screen_0002.png")}));

    // A folder that holds such frames is refused before anything is taken.
    auto again = ScreenRecording::start(std::make_unique<ShadeGrabber>(shade, failing), folder, settings);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().code, ErrorCode::InvalidArgument);
}

// A source that ends (a stop key pressed, a stream gone) ends the recording and keeps its frames; a
// failed, cancelled or abandoned one leaves nothing behind.
TEST(ScreenRecording, AnEndedSourceKeepsItsFramesAndFailedCancelledOrAbandonedLeavesNothing)
{
    QTemporaryDir dir;
    std::atomic<int> shade{0};
    std::atomic<bool> failing{false}, gone{false};
    RecordingSettings settings;
    settings.framesPerSecond = 30;
    const auto recordChanging = [&](const QString& folder) {
        auto started = ScreenRecording::start(
            stoppableGrabber(std::make_unique<ShadeGrabber>(shade, failing), [&gone] { return gone.load(); }), folder, settings);
        EXPECT_TRUE(started);
        for (int i = 0; i < 8; ++i, std::this_thread::sleep_for(40ms))
            ++shade;
        return std::move(started).value();
    };
    {
        auto recording = recordChanging(dir.filePath(QStringLiteral("ended")));
        gone = true;
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(recording->counts().ended);
        const auto frames = recording->finish();
        ASSERT_TRUE(frames) << frames.error().message.toStdString();
        EXPECT_GE(frames.value().size(), 2u);
        QDir(dir.filePath(QStringLiteral("ended"))).removeRecursively();
        gone = false;
    }
    {
        auto recording = recordChanging(dir.filePath(QStringLiteral("cancelled/deep")));
        const auto frames = recording->finish([](int) { return false; });
        ASSERT_FALSE(frames);
        EXPECT_EQ(frames.error().code, ErrorCode::Cancelled);
    }
    {
        auto recording = recordChanging(dir.filePath(QStringLiteral("abandoned")));
        EXPECT_GT(recording->counts().kept, 0);
    }
    {
        auto recording = recordChanging(dir.filePath(QStringLiteral("failed")));
        failing = true;
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(recording->counts().ended);
        const auto frames = recording->finish();
        ASSERT_FALSE(frames);
        EXPECT_EQ(frames.error().code, ErrorCode::FileReadFailed);
    }
    EXPECT_EQ(filesIn(dir.path()), QStringList());

    failing = false;
    settings.framesPerSecond = 31;
    EXPECT_FALSE(ScreenRecording::start(std::make_unique<ShadeGrabber>(shade, failing), dir.filePath(QStringLiteral("x")), settings));
}

}  // namespace
}  // namespace pictoreel
