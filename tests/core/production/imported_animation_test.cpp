// An animated GIF taken apart into a project's frames and made again without edits plays the
// same frames with the same delays and loop count.
#include "core/media/animation_frames_export.h"
#include "core/media/player_component.h"
#include "core/production/make_gif.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

using testing::comparePictures;
using testing::makePicture;
using testing::writeBmp;

Result<MakeReport> makeProject(const QTemporaryDir& dir, const QStringList& pictures, const std::vector<int>& delays,
                               const ProjectProperties& properties, const QString& output)
{
    FrameList frames;
    for (qsizetype k = 0; k < pictures.size(); ++k) {
        const QFileInfo picture(pictures[k]);
        frames.AddFrameFromString(QStringLiteral("%1;NO;0;%2;%3/").arg(delays[std::size_t(k)]).arg(picture.fileName(), picture.absolutePath()));
    }
    MakeOptions options;
    options.tempFolder = dir.filePath("temp") + "/";
    QDir().mkpath(options.tempFolder);
    options.jobs = 1;
    return makeAnimatedGif(frames, properties, output, options);
}

TEST(ImportedAnimation, AGifMadeAgainFromItsFramesPlaysTheSameFramesAndDelays)
{
    const QTemporaryDir dir;
    // Frames that differ in parts only, so the GIF stores rectangles composed over the frames before.
    QStringList pictures;
    for (int k = 0; k < 4; ++k) {
        pictures << dir.filePath(QStringLiteral("p%1.bmp").arg(k));
        writeBmp(pictures.back(), makePicture(20, 14, [k](int x, int y) {
                     return x >= 3 * k && x < 3 * k + 4 && y > 4 ? Rgb{250, 250, 0} : Rgb{uint8_t(20 * (x / 5)), 40, uint8_t(60 * (y / 7))};
                 }));
    }
    ProjectProperties properties;
    properties.width = "20";
    properties.height = "14";
    properties.loopInfinitely = kLoopUnticked;
    properties.loopTimes = "3";
    const QString original = dir.filePath("original.gif");
    ASSERT_TRUE(makeProject(dir, pictures, {7, 0, 150, 2}, properties, original).ok());

    const Result<ImportedAnimation> imported = extractAnimationFrames(original, dir.filePath("frames"));
    ASSERT_TRUE(imported.ok()) << imported.error().text().toStdString();
    EXPECT_EQ(imported.value().loopCount, 3);
    QStringList framePaths;
    std::vector<int> delays;
    for (const ExtractedFrame& frame : imported.value().frames) {
        framePaths << frame.path;
        delays.push_back(frame.delayCentiseconds);
    }
    EXPECT_EQ(delays, (std::vector<int>{7, 0, 150, 2}));
    const QString again = dir.filePath("again.gif");
    ASSERT_TRUE(makeProject(dir, framePaths, delays, properties, again).ok());

    PlayerComponent first, second;
    ASSERT_TRUE(first.LoadGif(original).ok());
    ASSERT_TRUE(second.LoadGif(again).ok());
    ASSERT_EQ(second.FrameCount(), first.FrameCount());
    EXPECT_EQ(second.gifLoopCount(), first.gifLoopCount());
    for (int k = 0; k < first.FrameCount(); ++k) {
        const Result<PlayerFrame> a = first.frame(k), b = second.frame(k);
        ASSERT_TRUE(a.ok() && b.ok());
        EXPECT_EQ(comparePictures(b.value().image, a.value().image), "") << "frame " << k;
        EXPECT_EQ(b.value().delayCentiseconds, a.value().delayCentiseconds) << "frame " << k;
    }
}

}  // namespace
}  // namespace pictoreel
