// Making a project as an animated WebP or PNG: what a decoder shows, a missing picture, a stop.
#include "core/production/make_gif.h"
#include "core/production/make_other_formats.h"

#include "support/files.h"
#include "support/results.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <webp/decode.h>
#include <webp/demux.h>

#include <gtest/gtest.h>

#include <functional>

namespace pictoreel {
namespace {

using testing::solidPicture;

// What a viewer shows: each 24 x 18 picture with how long it stays (ms), runs of one merged.
using Timeline = std::vector<std::pair<RgbaImage, int>>;

void show(Timeline& t, const std::uint8_t* pixels, int ms)
{
    RgbaImage canvas(24, 18);
    std::copy_n(pixels, canvas.pixels.size(), canvas.pixels.begin());
    if (t.empty() || t.back().first.pixels != canvas.pixels)
        t.emplace_back(std::move(canvas), 0);
    t.back().second += ms;
}

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, QStringList{"-v", "error"} + arguments);
    process.waitForFinished(-1);
    return process.readAllStandardOutput();
}

Timeline decode(const QString& path)
{
    Timeline t;
    if (path.endsWith(".webp")) {
        const QByteArray bytes = testing::fileContents(path);
        WebPData data{reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())};
        WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, nullptr);
        std::uint8_t* pixels = nullptr;
        for (int before = 0, end = 0; WebPAnimDecoderGetNext(decoder, &pixels, &end); before = end)
            show(t, pixels, end - before);
        WebPAnimDecoderDelete(decoder);
        return t;
    }
    // FFmpeg's decoder composes APNG frames with their dispose and blend operations.
    const QByteArray raw = run("ffmpeg", {"-i", path, "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt", "rgba", "-"});
    const QList<QByteArray> seconds =
        run("ffprobe", {"-show_entries", "frame=pkt_duration_time", "-of", "csv=p=0", path}).trimmed().split('\n');
    for (qsizetype i = 0; i < seconds.size() && (i + 1) * 24 * 18 * 4 <= raw.size(); ++i)
        show(t, reinterpret_cast<const std::uint8_t*>(raw.constData()) + i * 24 * 18 * 4, qRound(seconds[i].toDouble() * 1000));
    return t;
}

class MakeOtherFormats : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        properties.width = "24";
        properties.height = "18";
        options.tempFolder = dir.path() + "/";
        testing::fillRect(marked, 5, 4, 8, 6, {0, 0, 255});
        for (const auto& [name, picture, interval] : {std::tuple("red.bmp", solidPicture(24, 18, {255, 0, 0}), 50),
                                                      {"gone.bmp", RgbaImage(), 20}, {"photo.bmp", photo, 30},
                                                      {"marked.bmp", marked, 10}}) {
            if (!picture.empty())
                testing::writeBmp(dir.filePath(name), picture);
            frames.AddFrameFromString(QStringLiteral("%1;NO;0;%2;%3/").arg(interval).arg(name, dir.path()));
        }
    }
    QString output() const { return dir.filePath(QStringLiteral("out.") + GetParam()); }
    const RgbaImage photo = testing::makePicture(24, 18, [](int x, int y) {
        return Rgb{std::uint8_t(x * 10), std::uint8_t(y * 13), std::uint8_t(x * 4 + y * 5)};  // more colours than a GIF holds
    });
    RgbaImage marked = photo;  // the photo with a square changed: a frame of only that square
    QTemporaryDir dir;
    FrameList frames;
    ProjectProperties properties;
    MakeOptions options;
};

TEST_P(MakeOtherFormats, ShowsEveryPictureForItsDelayAndKeepsTheFrameBeforeAMissingOne)
{
    const auto report = makeAnimatedGif(frames, properties, output(), options);
    ASSERT_TRUE(report.ok()) << report.error().message.toStdString();
    ASSERT_EQ(std::tuple(report.value().converted, report.value().missing.size()), std::tuple(3, 1u));
    EXPECT_EQ(report.value().missing[0].row, 2);

    const bool webp = QString(GetParam()) == "webp";  // photos lossy, few colours exact
    const Timeline t = decode(output());
    ASSERT_EQ(t.size(), 3u);
    // The frames the file holds: a WebP shows the red frame longer rather than twice.
    EXPECT_EQ(report.value().frames, webp ? 3 : 4);
    EXPECT_EQ(std::tuple(t[0].second, t[1].second, t[2].second), std::tuple(700, 300, 100));
    EXPECT_EQ(testing::comparePictures(t[0].first, solidPicture(24, 18, {255, 0, 0})), "");
    EXPECT_GT(testing::psnr(t[1].first, photo), webp ? 25.0 : 99.0);
    EXPECT_GT(testing::psnr(t[2].first, marked), webp ? 25.0 : 99.0);
    if (!webp) {  // a viewer without animation shows the first frame
        EXPECT_EQ(QImage(output()).pixel(3, 3), qRgb(255, 0, 0));
        EXPECT_EQ(run("ffprobe", {"-count_frames", "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", output()})
                      .trimmed(), "4");
    }
}

TEST_P(MakeOtherFormats, AStoppedMakeLeavesTheEarlierFileAlone)
{
    ASSERT_TRUE(testing::writeFileContents(output(), "earlier"));
    options.stopRequested = [] { return true; };
    EXPECT_EQ(testing::codeOf(makeAnimatedGif(frames, properties, output(), options)), ErrorCode::Cancelled);
    EXPECT_EQ(testing::fileContents(output()), "earlier");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
}

// A make from pictures that are all there is kept; the same make again is a copy of it, and a
// changed picture is made anew. With a picture missing, nothing is kept.
TEST_P(MakeOtherFormats, AnUnchangedProjectIsMadeAgainFromItsKeptCopy)
{
    const auto kept = [this] { return QDir(options.tempFolder).entryList({"__tmp__animation_*"}, QDir::Files); };
    ASSERT_TRUE(makeAnimatedGif(frames, properties, output(), options).ok());
    EXPECT_TRUE(kept().isEmpty());
    ASSERT_TRUE(testing::writeFileContents(dir.filePath("gone.bmp"), "no picture"));  // nor an unreadable one
    const auto unreadable = makeAnimatedGif(frames, properties, output(), options);
    ASSERT_TRUE(unreadable.ok());
    EXPECT_TRUE(unreadable.value().failed == 1 && kept().isEmpty());
    testing::writeBmp(dir.filePath("gone.bmp"), solidPicture(24, 18, {0, 255, 0}));
    ASSERT_TRUE(testing::moveModifiedOn(dir.filePath("gone.bmp")));
    const auto made = makeAnimatedGif(frames, properties, output(), options);
    ASSERT_TRUE(made.ok());
    EXPECT_EQ(std::tuple(made.value().converted, made.value().cached), std::tuple(4, 0));
    ASSERT_EQ(kept().size(), 1);
    EXPECT_TRUE(kept()[0].endsWith(QStringLiteral(".") + GetParam()));
    EXPECT_EQ(testing::fileContents(options.tempFolder + kept()[0]), testing::fileContents(output()));

    // Served from the kept file: a changed byte inside it comes out.
    QByteArray changed = testing::fileContents(output());
    changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 1);
    ASSERT_TRUE(testing::writeFileContents(options.tempFolder + kept()[0], changed));
    const auto again = makeAnimatedGif(frames, properties, output(), options);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(std::tuple(again.value().converted, again.value().cached), std::tuple(0, 4));
    EXPECT_EQ(testing::fileContents(output()), changed);

    testing::writeBmp(dir.filePath("red.bmp"), solidPicture(24, 18, {250, 0, 0}));
    ASSERT_TRUE(testing::moveModifiedOn(dir.filePath("red.bmp")));
    const auto anew = makeAnimatedGif(frames, properties, output(), options);
    ASSERT_TRUE(anew.ok());
    EXPECT_EQ(anew.value().converted, 4);
    EXPECT_NE(testing::fileContents(output()), changed);
}

// Whatever changes the animation names another kept file: each change below is made anew.
TEST_P(MakeOtherFormats, AnyChangeToWhatGoesInIsMadeAnew)
{
    testing::writeBmp(dir.filePath("gone.bmp"), solidPicture(24, 18, {0, 255, 0}));
    const auto makeFromPictures = [this] {
        const auto made = makeAnimatedGif(frames, properties, output(), options);
        return made.ok() ? made.value().converted : -1;
    };
    ASSERT_EQ(makeFromPictures(), 4);
    ASSERT_EQ(makeFromPictures(), 0);
    const std::vector<std::pair<const char*, std::function<void()>>> changes{
        {"loop count", [this] { properties.loopInfinitely = kLoopUnticked; }},
        {"delay", [this] { frames.setColumn(3, FrameColumn::Interval, "31"); }},
        {"transparency", [this] { frames.setColumn(1, FrameColumn::Trans, "YES"); }},
        {"transparent colour", [this] { frames.setColumn(1, FrameColumn::TransColor, "255"); }},
        {"fit", [this] { properties.fit = "Fit Inside"; }},
        {"bar colour", [this] { properties.fitBackground = "65280"; }},
        {"size", [this] { properties.width = "20"; }},
    };
    for (const auto& [what, change] : changes) {
        change();
        EXPECT_EQ(makeFromPictures(), 4) << what;
    }
}

// A frame's parts in its transparent colour stay transparent, also for viewers that go by what
// the file's header says (a WebP stores the frame cut down to its opaque part).
TEST_P(MakeOtherFormats, TransparentPartsAreToldInTheHeader)
{
    RgbaImage keyed = solidPicture(24, 18, {255, 0, 255});
    testing::fillRect(keyed, 12, 0, 12, 18, {0, 0, 255});
    testing::writeBmp(dir.filePath("keyed.bmp"), keyed);
    FrameList two;
    two.AddFrameFromString(QStringLiteral("50;YES;16711935;keyed.bmp;%1/").arg(dir.path()));
    two.AddFrameFromString(QStringLiteral("50;NO;0;red.bmp;%1/").arg(dir.path()));
    ASSERT_TRUE(makeAnimatedGif(two, properties, output(), options).ok());
    const QByteArray bytes = testing::fileContents(output());
    WebPBitstreamFeatures features{};
    const bool headerHasAlpha =
        QString(GetParam()) == "webp"
            ? WebPGetFeatures(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()), &features) ==
                      VP8_STATUS_OK &&
                  features.has_alpha
            : QImage(output()).hasAlphaChannel();
    EXPECT_TRUE(headerHasAlpha);
    const Timeline t = decode(output());
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(std::tuple(t[0].first.pixel(1, 1)[3], t[0].first.pixel(20, 1)[2]), std::tuple(0, 255));
}

INSTANTIATE_TEST_SUITE_P(Formats, MakeOtherFormats, ::testing::Values("webp", "png"));

}  // namespace
}  // namespace pictoreel
