// A video's frames as numbered pictures with their delays: the range and rate options, and what
// a failed or cancelled run leaves behind.
#include "core/media/imaging_component.h"
#include "core/media/video_frames_export.h"
#include "support/files.h"
#include "support/results.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

using testing::codeOf;

QString video(const char* name) { return QStringLiteral(PICTOREEL_TEST_DATA "/videos/") + QLatin1String(name); }

std::vector<int> delaysOf(const std::vector<ExtractedFrame>& frames)
{
    std::vector<int> delays;
    for (const ExtractedFrame& f : frames)
        delays.push_back(f.delayCentiseconds);
    return delays;
}

constexpr std::int64_t kMs = 1000;

TEST(VideoFramesExport, WritesEachFrameWithItsDelayWithinTheRangeAndRate)
{
    const struct {
        const char* video;
        VideoFrameRange range;
        std::vector<int> delays;
    } cases[] = {
        {"testsrc_h264_16x12_4f.mp4", {}, {10, 10, 10, 10}},
        // frames at 0, 10, 30 and 60 hundredths (a start and a length within them: pictoreel-cli
        // frames' test; frames that would last under 2 hundredths: AVI to GIF's)
        {"testsrc_h264_15x11_vfr.mkv", {0, 300 * kMs, 20}, {5, 5, 5, 5, 5, 5}},
        {"testsrc_h264_15x11_vfr.mkv", {550 * kMs, {}, 0.5}, {15}},  // one picture, to the video's end at 70
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.video);
        const QTemporaryDir dir;
        const Result<std::vector<ExtractedFrame>> frames = extractVideoFrames(video(c.video), dir.filePath("out/sub"), c.range);
        ASSERT_TRUE(frames.ok()) << frames.error().text().toStdString();
        EXPECT_EQ(delaysOf(frames.value()), c.delays);
        EXPECT_EQ(QDir(dir.filePath("out/sub")).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot).size(),
                  qsizetype(frames.value().size()));
    }
    // A video that breaks off gives the frames before the break, and says where it broke off when
    // read to its end; a range that ends before the break says nothing.
    for (const bool toTheEnd : {true, false}) {
        const QTemporaryDir dir;
        VideoReadReport read;
        const VideoFrameRange range{0, toTheEnd ? std::nullopt : std::optional<std::int64_t>(300 * kMs), 0};
        ASSERT_TRUE(extractVideoFrames(video("testsrc_mpeg4_16x12_cut5f_claims2g.avi"), dir.path(), range, {}, {}, &read));
        EXPECT_EQ(read.videoCutShort, toTheEnd);
        EXPECT_EQ(read.readMicroseconds, toTheEnd ? 500 * kMs : 0);
    }
}

TEST(VideoFramesExport, TheFramesAreTheUprightPicturesNumberedInAFolderOfTheirOwn)
{
    const QTemporaryDir dir;
    // Beside the video for a project never saved, beside the project otherwise.
    const QString folder = framesFolderFor({}, dir.filePath("testsrc_mjpeg_16x12_3f_turned.mov"));
    EXPECT_EQ(folder, dir.filePath("testsrc_mjpeg_16x12_3f_turned"));
    EXPECT_EQ(framesFolderFor(dir.filePath("my.agp"), "/v/clip.mp4"), dir.filePath("my_frames/clip"));
    std::vector<int> percents;
    const auto frames = extractVideoFrames(video("testsrc_mjpeg_16x12_3f_turned.mov"), folder, {},
                                           [&](int p) { return percents.push_back(p), true; });
    ASSERT_TRUE(frames.ok());
    ASSERT_EQ(frames.value().size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(frames.value()[k].path, folder + QStringLiteral("/testsrc_mjpeg_16x12_3f_turned_000%1.png").arg(k + 1));
        const QString want = video("frames/testsrc_mjpeg_16x12_3f_turned.%1.png").arg(k + 1);
        EXPECT_EQ(loadPictureFile(frames.value()[k].path).value().pixels, loadPictureFile(want).value().pixels);
    }
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()) && percents.back() == 100 &&
                std::count(percents.begin(), percents.end(), 100) == 1);
    // A folder that holds such frames already is not chosen again.
    EXPECT_EQ(framesFolderFor({}, dir.filePath("testsrc_mjpeg_16x12_3f_turned.mov")), folder + " (2)");
}

TEST(VideoFramesExport, FailuresAndCancelsLeaveNothingBehind)
{
    const QTemporaryDir dir;
    const QString mp4 = video("testsrc_h264_16x12_4f.mp4"), out = dir.filePath("new/frames");
    ASSERT_TRUE(extractVideoFrames(mp4, dir.filePath("taken")));
    const ConversionLimits stop{.budget = {}, .stopRequested = [] { return true; }};
    const QString cut = dir.filePath("cut.mkv");  // cut before its first frame
    ASSERT_TRUE(testing::writeFileContents(cut, testing::fileContents(video("testsrc_h264_16x12_10f_from1.4s.mkv")).left(900)));
    const std::pair<Result<std::vector<ExtractedFrame>>, ErrorCode> cases[] = {

        {extractVideoFrames(mp4, out, {0, {}, 51}), ErrorCode::InvalidArgument},
        {extractVideoFrames(mp4, out, {0, 0, 0}), ErrorCode::InvalidArgument},
        {extractVideoFrames(mp4, out, {10'000 * kMs, {}, 0}), ErrorCode::EmptyImage},
        {extractVideoFrames(mp4, dir.filePath("taken")), ErrorCode::InvalidArgument},  // never over earlier frames
        {extractVideoFrames(dir.filePath("taken/testsrc_h264_16x12_4f_0001.png"), out), ErrorCode::UnsupportedFormat},
        {extractVideoFrames(mp4, out, {}, [](int p) { return p < 50; }), ErrorCode::Cancelled},
        {extractVideoFrames(mp4, out, {}, {}, stop), ErrorCode::Cancelled},
        {extractVideoFrames(mp4, out, {0, {}, 50}, {}, {{.maxFrames = 19}, {}}), ErrorCode::LimitExceeded},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(codeOf(cases[i].first), cases[i].second) << "case " << i;
    const auto none = extractVideoFrames(cut, out);
    EXPECT_EQ(none ? QString() : none.error().message, cut + " holds no frame that could be decoded: it may be damaged or cut short");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), (QStringList{"cut.mkv", "taken"}));
    EXPECT_EQ(QDir(dir.filePath("taken")).count(), 2u + 4u);
}

}  // namespace
}  // namespace pictoreel
