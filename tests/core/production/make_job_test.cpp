// A make that is asked to stop, as the window's Cancel and pictoreel-cli's Ctrl+C ask it: it
// ends with ErrorCode::Cancelled, writes nothing and leaves an earlier file at the output alone,
// whether the stop comes while the frames are converted or while the file is written.
#include "core/production/make_gif.h"

#include "support/test_pictures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

TEST(MakeJob, AStopWritesNothingAndKeepsTheEarlierFile)
{
    QTemporaryDir dir;
    FrameList frames;
    for (int i = 0; i < 6; ++i) {
        const QString name = QStringLiteral("p%1.bmp").arg(i);
        testing::writeBmp(dir.filePath(name), testing::solidPicture(40, 30, Rgb{std::uint8_t(i * 40), 90, 200}));
        frames.AddFrameFromString(QStringLiteral("10;NO;0;%1;%2/").arg(name, dir.path()));
    }
    ProjectProperties properties;
    properties.width = QStringLiteral("40");
    properties.height = QStringLiteral("30");
    QDir().mkpath(dir.filePath(QStringLiteral("out")));
    const QString output = dir.filePath(QStringLiteral("out/made.gif"));
    ASSERT_TRUE(testing::writeFileContents(output, "the GIF made yesterday"));

    // Each case stops at the first event it names: after a frame, or at a percent of the writing;
    // the last never stops.
    struct Case {
        const char* when;
        int frameValue;  // stop once the bar shows this after a frame (0: not while converting)
        bool whileWriting;
    };
    for (const Case c : {Case{"after the first frame", 8, false}, Case{"after the last frame", 50, false},
                         Case{"while writing", 0, true}, Case{"never", -1, false}}) {
        SCOPED_TRACE(c.when);
        MakeOptions options;
        options.tempFolder = dir.filePath(QStringLiteral("temp/%1/").arg(c.frameValue));  // no cached animation
        QDir().mkpath(options.tempFolder);
        options.jobs = 1;
        bool stop = false;
        options.stopRequested = [&stop] { return stop; };
        MakeEvents events;
        std::vector<int> values;
        events.frameAdded = [&](int value) {
            values.push_back(value);
            stop = stop || value == c.frameValue;
        };
        events.saveProgress = [&](int percent) {
            values.push_back(saveProgressValue(percent));
            stop = stop || c.whileWriting;
        };
        const Result<MakeReport> made = makeAnimatedGif(frames, properties, output, options, events);
        ASSERT_FALSE(values.empty());
        if (c.frameValue < 0) {
            // Unstopped, the make writes the file and reports its halves as the bar shows them.
            ASSERT_TRUE(made.ok());
            EXPECT_TRUE(testing::fileContents(output).startsWith("GIF89a"));
            EXPECT_EQ(std::vector<int>(values.begin(), values.begin() + 6), (std::vector<int>{8, 17, 25, 33, 42, 50}));
            EXPECT_TRUE(values.back() == 100 && std::is_sorted(values.begin(), values.end()));
            continue;
        }
        ASSERT_FALSE(made.ok());
        EXPECT_EQ(made.error().code, ErrorCode::Cancelled);
        EXPECT_EQ(testing::fileContents(output), "the GIF made yesterday");
        EXPECT_EQ(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("made.gif")});
        // Nothing is reported after the stop.
        EXPECT_LT(values.back(), 100);
        if (!c.whileWriting) {
            EXPECT_EQ(values.back(), c.frameValue);
        }
    }
    EXPECT_EQ(saveProgressValue(99), 99);  // 49.5 + 50: the half is dropped
}

}  // namespace
}  // namespace pictoreel
