// The codec modules, the video decoder, and AVI to GIF and back: the timing of both directions,
// and what a failed conversion leaves behind.
#include "core/codecs/picture_codec.h"
#include "core/codecs/video_codec.h"
#include "core/media/codec_loader.h"
#include "core/media/ffmpeg_adapter.h"
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"
#include "core/media/imaging_component.h"
#include "core/media/player_component.h"
#include "core/media/video_conversion.h"
#include "support/results.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <numeric>

namespace pictoreel {
namespace {

using testing::codeOf;

const QString kAvi = QStringLiteral(PICTOREEL_SHARED_TESTDATA "/synthetic/avi/");

QString avi(const char* name) { return kAvi + QString::fromLatin1(name) + QStringLiteral(".avi"); }

std::vector<ffmpeg::VideoFrame> decodeVideo(const QString& path)
{
    std::vector<ffmpeg::VideoFrame> frames;
    Result<ffmpeg::VideoDecoder> video = ffmpeg::VideoDecoder::open(path);
    EXPECT_TRUE(video.ok()) << (video ? "" : video.error().message.toStdString());
    while (video) {
        Result<std::optional<ffmpeg::VideoFrame>> frame = video.value().nextFrame();
        EXPECT_TRUE(frame.ok());
        if (!frame || !frame.value())
            break;
        frames.push_back(std::move(*frame.value()));
    }
    return frames;
}

std::vector<int> delaysOf(const DecodedGif& gif)
{
    std::vector<int> delays;
    for (const GifFrame& f : gif.frames)
        delays.push_back(f.delayCentiseconds);
    return delays;
}

// Records progress reports and lets the work go on.
struct ProgressLog {
    std::vector<int> values;
    ConversionProgress callback() { return [this](int percent) { return values.push_back(percent), true; }; }
    bool risesToOneFinalHundred() const
    {
        return !values.empty() && values.back() == 100 && std::is_sorted(values.begin(), values.end()) &&
               std::count(values.begin(), values.end(), 100) == 1;
    }
};

// A GIF of `frames` one-pixel frames on a screen of side x side, each waiting `delay`.
void writeRepeatedGif(const QString& path, int side, int frames, int delay)
{
    GifStreamWriter writer;
    ASSERT_TRUE(writer.open(path, GifScreen{side, side, 0, {}}));
    const GifFrameDescription frame{.image = IndexedImage{1, 1, {0}, {Rgb{1, 2, 3}}, -1}, .delayCentiseconds = delay, .compressed = {}};
    for (int k = 0; k < frames; ++k)
        ASSERT_TRUE(writer.addFrame(frame));
    ASSERT_TRUE(writer.finish());
}

class VideoConversion : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

// A codec module of another build is refused. (The libraries the modules bring, named for bug
// reports, are in pictoreel-cli --version.)
TEST(CodecModules, AreRefusedFromAnotherBuild)
{
    for (const auto& [module, entry, version] : {std::tuple{kPictureCodecModule, kPictureCodecEntry, kPictureCodecVersion},
                                                 {ffmpeg::kVideoCodecModule, ffmpeg::kVideoCodecEntry, ffmpeg::kVideoCodecVersion}}) {
        SCOPED_TRACE(module);
        EXPECT_TRUE(loadCodecModule(module, entry, version, QStringLiteral("to test")).ok());
        const Result<const void*> other = loadCodecModule(module, entry, version + 1, QStringLiteral("to test"));
        EXPECT_TRUE(!other && other.error().message.contains(QStringLiteral("another version")));
    }
}

// The frames of every codec against their pictures are golden cases (tests/data/golden/
// video-frames.txt, a turned one among them); here every container's frames with their own times,
// odd sizes kept to the pixel.
TEST(VideoDecoder, ReadsEveryContainerWithEachFramesTimeAndSize)
{
    const QString videos = QStringLiteral(PICTOREEL_TEST_DATA "/videos/testsrc_");
    for (const auto& [file, width, height, starts] :  // starts in 1/10 s
         {std::tuple{avi("uncompressed_bgr24_oddsize_63x47_10f"), 63, 47, std::vector<int>{0, 2, 4, 6, 8, 10, 12, 14, 16, 18}},
          {videos + "h264_16x12_4f.mp4", 16, 12, {0, 1, 2, 3}}, {videos + "mjpeg_16x12_3f.mov", 16, 12, {0, 2, 4}},
          {videos + "h264_15x11_vfr.mkv", 15, 11, {0, 1, 3, 6}}, {videos + "vp9_16x12_4f.webm", 16, 12, {0, 1, 2, 3}}}) {
        std::vector<std::tuple<std::int64_t, int, int>> got, want;
        for (const ffmpeg::VideoFrame& frame : decodeVideo(file))
            got.emplace_back(frame.startMicroseconds, frame.image.width, frame.image.height);
        for (const int start : starts)
            want.emplace_back(start * 100000, width, height);
        EXPECT_EQ(got, want) << file.toStdString();
    }
    EXPECT_EQ(decodeVideo(avi("uncompressed_bgr24_oddsize_63x47_10f"))[0].image.pixels, loadPictureFile(kAvi + "../src/pattern63x47.png").value().pixels);
}

// Any container FFmpeg reads is told by its content, not its name (the IVF files are named .mp4):
// each gives its three frames, close to the same test picture.
TEST(VideoDecoder, ReadsTheContainersOfCamerasDiscsAndTheWeb)
{
    const QString videos = QStringLiteral(PICTOREEL_TEST_DATA "/videos/testsrc_");
    const RgbaImage reference = decodeVideo(videos + "h264_16x12_4f.mp4").at(0).image;
    for (const char* name : {"vp9_ivf_16x12_3f.mp4", "av1_ivf_16x12_3f.mp4", "h264_16x12_3f.ts", "h264_16x12_3f.m2ts",
                             "mpeg2_16x12_3f.mpg", "mpeg2_16x12_3f.vob", "theora_32x24_3f.ogv", "flv1_16x12_3f.flv",
                             "wmv2_16x12_3f.wmv", "mpeg4_16x12_3f.3gp", "16x12_3f.y4m"}) {
        SCOPED_TRACE(name);
        const std::vector<ffmpeg::VideoFrame> frames = decodeVideo(videos + name);
        ASSERT_EQ(frames.size(), 3u);
        const bool large = QByteArray(name).contains("32x24");
        EXPECT_EQ(std::pair(frames[0].image.width, frames[0].image.height), large ? std::pair(32, 24) : std::pair(16, 12));
        EXPECT_EQ(frames[1].startMicroseconds - frames[0].startMicroseconds, 100000);
        // (The IVF files' pictures are compared by their frames' count, size and times only.)
        if (large || QByteArray(name).contains("ivf"))
            continue;
        double difference = 0;
        for (std::size_t i = 0; i < reference.pixels.size(); ++i)
            difference += std::abs(int(reference.pixels[i]) - int(frames[0].image.pixels[i]));
        EXPECT_LT(difference / double(reference.pixels.size()), 12.0);
    }
}

// A video that breaks off well before the length its file states is told as cut short, in every
// container; a whole one never is, whatever its first timestamp and whatever else the file holds.
TEST(VideoDecoder, RefusesWhatIsNotAVideoOrTooLarge)
{
    // Pictures FFmpeg reads as one-frame videos go to the picture loader, the cover picture of a
    // sound file is no video, and a playlist naming another file is never followed.
    for (const QString& file : {testing::sharedData("small/gif.gif"), QString(kAvi + "frames/uncompressed_bgr24_64x48_10f.01.png"),
                                QStringLiteral(PICTOREEL_TEST_DATA "/videos/sine_with_cover_16x12.mp4"),
                                QStringLiteral(PICTOREEL_TEST_DATA "/videos/playlist_naming_a_ts.m3u8")})
        EXPECT_EQ(codeOf(ffmpeg::VideoDecoder::open(file)), ErrorCode::UnsupportedFormat) << file.toStdString();

    EXPECT_EQ(codeOf(ffmpeg::VideoDecoder::open(avi("uncompressed_bgr24_64x48_10f"), {.maxSide = 32})), ErrorCode::LimitExceeded);
    // The limit told is the one the frames exceed: here their area, not a side.
    const auto large = ffmpeg::VideoDecoder::open(avi("uncompressed_bgr24_64x48_10f"), {.maxPixels = 3000});
    EXPECT_EQ(large ? QString() : large.error().message,
              "The video's frames (64 x 48 pixels) are too large; at most 16000 pixels a side and 0.003 megapixels are "
              "accepted");
}

TEST_F(VideoConversion, ACutVideoIsToldFromAWholeOne)
{
    const QString videos = QStringLiteral(PICTOREEL_TEST_DATA "/videos/");
    const struct {
        QString file;
        bool cut;
    } cases[] = {
        {avi("uncompressed_bgr24_64x48_10f"), false},
        {videos + "testsrc_h264_16x12_4f.mp4", false},
        {videos + "testsrc_mjpeg_16x12_3f.mov", false},
        {videos + "testsrc_h264_15x11_vfr.mkv", false},
        {videos + "testsrc_vp9_16x12_4f.webm", false},
        {videos + "testsrc_h264_16x12_10f_from1.4s.mkv", false},  // Matroska states where it ends, not how long
        {avi("truncated60pct_uncompressed_bgr24_64x48"), true},
        {videos + "testsrc_mpeg4_16x12_cut5f_claims2g.avi", true},
        {videos + "testsrc_h264_opus_16x12_cut_half.mkv", true},  // with sound: the video track's own length counts
    };
    for (const auto& c : cases) {
        VideoReadReport read;
        ASSERT_TRUE(aviToGif(c.file, path("told.gif"), {}, {}, &read)) << c.file.toStdString();
        EXPECT_EQ(read.videoCutShort, c.cut) << c.file.toStdString() << ": " << read.readMicroseconds << " of "
                                             << read.statedMicroseconds;
    }
}

TEST_F(VideoConversion, AviToGifKeepsTheFramesAndTheirTimingAndLoopsForEver)
{
    ProgressLog progress;
    const QString gif = path("pattern.gif");
    VideoReadReport report;
    ASSERT_TRUE(aviToGif(avi("uncompressed_bgr24_64x48_10f"), gif, progress.callback(), {}, &report));
    EXPECT_TRUE(progress.risesToOneFinalHundred());
    EXPECT_TRUE(report.readMicroseconds == 2000000 && report.statedMicroseconds == 2000000 && !report.videoCutShort);
    const DecodedGif decoded = decodeGifFile(gif).value();
    EXPECT_EQ(decoded.info.loopCount, 0);
    EXPECT_EQ(delaysOf(decoded), std::vector<int>(10, 20));
    for (int k = 0; k < 10; ++k)  // few colours: the GIF holds them exactly
        EXPECT_EQ(decoded.frames[std::size_t(k)].image.pixels,
                  loadPictureFile(kAvi + QStringLiteral("frames/uncompressed_bgr24_64x48_10f.%1.png").arg(k + 1, 2, 10, QLatin1Char('0'))).value().pixels);

    // A truncated file gives the frames it holds and is reported as cut short (one whose headers
    // still claim two billion frames too: see the cut videos' test).
    ASSERT_TRUE(aviToGif(avi("truncated60pct_uncompressed_bgr24_64x48"), gif, {}, {}, &report));
    EXPECT_EQ(delaysOf(decodeGifFile(gif).value()), std::vector<int>(5, 20));
    EXPECT_EQ(videoCutShortText(QStringLiteral("t.avi"), report), QStringLiteral("t.avi is cut short: it breaks off after 1.0 s of the 2.0 s it states"));

    // Rounding is carried forward and repeated pictures are joined. At 29.97 frames a second,
    // pictures 0-2, 4-6 and 8-10 being the same, frame k starts at k * 1001 / 300 hundredths: the
    // GIF's frames start at 0, 10, 13, 23 and 27 and it ends at 37.
    ASSERT_TRUE(aviToGif(avi("uncompressed_bgr24_64x48_29.97fps"), gif));
    EXPECT_EQ(delaysOf(decodeGifFile(gif).value()), (std::vector<int>{10, 3, 10, 4, 10}));

    // At 60 frames a second, every frame that would last under 2 hundredths gives way to the next:
    // 12 greys starting at 0, 2, 3, 5, 7, 8, ... keep the video's 20 hundredths.
    ASSERT_TRUE(aviToGif(QStringLiteral(PICTOREEL_TEST_DATA "/videos/greys_mjpeg_16x12_60fps.avi"), gif));
    EXPECT_EQ(delaysOf(decodeGifFile(gif).value()), (std::vector<int>{2, 3, 2, 3, 2, 3, 2, 3}));
}

TEST_F(VideoConversion, GifToAviAndBackKeepsFramesAndTiming)
{
    // The delays, and the AVI's frame length (1/100 s) they give.
    const std::pair<std::vector<int>, int> cases[] = {
        {{100, 100, 10, 100}, 10},
        {{3, 4, 7, 5}, 2},    // no common length above 1/100 s: 50 frames a second, rounded ahead
        {{0, 1, 20}, 10},     // played as 10, 10, 20
        {{500, 1000}, 100},  // one frame a second at the least
        {{150, 150, 150}, 75},  // the longest length up to a second that every delay holds whole
        {{300, 150, 300}, 75},
        {{120, 120}, 60},
        {{101, 101}, 100},  // no length of 0.1 s or more divides them: one frame a second, rounded
    };
    // The kind of video follows the name; an MP4's sides are even.
    for (const auto& [suffix, evenSides] : {std::pair{".avi", false}, {".mp4", true}, {".webm", false}})
    for (const auto& [delays, videoFrameLength] : cases) {
        SCOPED_TRACE(::testing::PrintToString(delays) + suffix);
        // Frames of distinct flat colours, the last with a transparent corner. What is expected is
        // taken from the player: the video lasts as long as the GIF plays, frame for frame.
        const QString source = path("source.gif"), video = path(QStringLiteral("video") + suffix), back = path("back.gif");
        GifStreamWriter writer;
        ASSERT_TRUE(writer.open(source, GifScreen{33, 21, 0, {}}));
        for (std::size_t k = 0; k < delays.size(); ++k) {
            GifFrameDescription frame;
            frame.image = IndexedImage{33, 21, std::vector<std::uint8_t>(33 * 21, 0),
                                       {Rgb{std::uint8_t(40 * k), 200, std::uint8_t(255 - 50 * k)}, Rgb{0, 0, 0}}, k + 1 == delays.size() ? 1 : -1};
            for (int y = 0; y < (k + 1 == delays.size() ? 8 : 0); ++y)
                std::fill_n(frame.image.indices.begin() + y * 33, 8, 1);
            frame.delayCentiseconds = delays[k];
            frame.disposal = GifDisposal::RestoreBackground;
            ASSERT_TRUE(writer.addFrame(frame));
        }
        ASSERT_TRUE(writer.finish());
        ProgressLog progress;
        GifToAviReport report;
        ASSERT_TRUE(gifToAvi(source, video, progress.callback(), 0x0000FF, {}, &report));
        EXPECT_TRUE(progress.risesToOneFinalHundred());

        // Of the kind named, and an MP4's index comes before its data, so that it plays as it loads.
        const QByteArray bytes = testing::fileContents(video), kind(suffix);
        EXPECT_TRUE(kind == ".avi"   ? bytes.startsWith("RIFF")
                    : kind == ".mp4" ? bytes.mid(4, 4) == "ftyp" && bytes.indexOf("moov") < bytes.indexOf("mdat")
                                     : bytes.startsWith("\x1a\x45\xdf\xa3") && bytes.contains("webm"));
        const std::vector<ffmpeg::VideoFrame> frames = decodeVideo(video);
        EXPECT_EQ(report.videoFrames, std::int64_t(frames.size()));
        EXPECT_FALSE(report.gifCutShort);
        PlayerComponent player;
        ASSERT_TRUE(player.LoadGif(source));
        int played = 0;
        std::vector<int> playedDelays;
        for (int k = 0; k < player.FrameCount(); ++k) {
            playedDelays.push_back(player.frame(k).value().effectiveDelayCentiseconds);
            played += playedDelays.back();
        }
        EXPECT_EQ(int(frames.size()), (played + videoFrameLength / 2) / videoFrameLength);
        ASSERT_GT(frames.size(), 1u);
        EXPECT_EQ(std::tuple(frames[0].image.width, frames[0].image.height, frames[1].startMicroseconds - frames[0].startMicroseconds),
                  std::tuple(evenSides ? 34 : 33, evenSides ? 22 : 21, std::int64_t{videoFrameLength} * 10000));
        // The odd last column and row keep their colour (each chroma sample covers 2 x 2 pixels).
        const std::uint8_t* edge = frames[0].image.pixel(32, 20);
        EXPECT_TRUE(edge[0] < 12 && std::abs(edge[1] - 200) < 12 && edge[2] > 243) << int(edge[0]) << "," << int(edge[1]) << "," << int(edge[2]);
        const std::uint8_t* corner = frames.back().image.pixel(1, 1);  // transparent: BackColor red
        EXPECT_TRUE(corner[0] > 200 && corner[2] < 60);

        ASSERT_TRUE(aviToGif(video, back));
        const DecodedGif decoded = decodeGifFile(back).value();
        // VP9 may store the repeats of a held picture a little differently: back as a GIF, a
        // frame may then come in two parts, the timing kept.
        if (kind != ".webm")
            ASSERT_EQ(int(decoded.frames.size()), player.FrameCount());
        const std::vector<int> backDelays = delaysOf(decoded);
        EXPECT_NEAR(std::accumulate(backDelays.begin(), backDelays.end(), 0), played, videoFrameLength);
        // Delays of whole video frames come back as they were, each frame as long as it played.
        if (kind != ".webm" && std::all_of(playedDelays.begin(), playedDelays.end(), [&](int d) { return d % videoFrameLength == 0; }))
            EXPECT_EQ(backDelays, playedDelays);
        const std::uint8_t* middle = decoded.frames.back().image.pixel(16, 10);
        const int last = int(delays.size()) - 1;
        EXPECT_TRUE(std::abs(middle[0] - 40 * last) <= 8 && std::abs(middle[2] - (255 - 50 * last)) <= 8) << int(middle[0]) << "," << int(middle[2]);
    }
}

TEST_F(VideoConversion, FailuresLeaveNoFileAndNoFinalProgress)
{
    const QString gif = path("old.gif"), oldAvi = path("old.avi"), goodGif = path("good.gif"), many = path("many.gif");
    ASSERT_TRUE(testing::writeFileContents(gif, "precious") && testing::writeFileContents(oldAvi, "precious"));
    ASSERT_TRUE(testing::writeFileContents(path("plain.txt"), "not a folder"));
    ASSERT_TRUE(aviToGif(avi("uncompressed_bgr24_64x48_1frame"), goodGif));
    writeRepeatedGif(path("endless.gif"), 1, 1320, 65535);  // ten days of GIF
    writeRepeatedGif(many, 100, 300, 0);
    ProgressLog progress;
    const ConversionLimits stop{.budget = {}, .stopRequested = [] { return true; }};  // Ctrl+C in pictoreel-cli
    const ConversionLimits fewFrames{{.maxFrames = 299}, {}}, fewPixels{{.maxPixels = 2'999'999}, {}}, shortVideo{{.maxFrames = 9}, {}};
    const QString pattern = avi("uncompressed_bgr24_64x48_10f");
    const auto cancelAt50 = [](int percent) { return percent < 50; };
    const std::pair<Status, ErrorCode> cases[] = {
        {aviToGif(path("absent.avi"), gif, progress.callback()), ErrorCode::FileNotFound},
        {aviToGif(avi("mjpeg_64x48_10f"), path("plain.txt/x.gif"), progress.callback()), ErrorCode::FileWriteFailed},
        {gifToAvi(gif, path("x.avi"), progress.callback()), ErrorCode::UnsupportedFormat},
        {gifToAvi(goodGif, path("plain.txt/x.avi"), progress.callback()), ErrorCode::FileWriteFailed},
        {gifToAvi(path("endless.gif"), path("endless.avi")), ErrorCode::LimitExceeded},
        {aviToGif(pattern, gif, cancelAt50), ErrorCode::Cancelled},
        {gifToAvi(goodGif, oldAvi, [](int) { return false; }), ErrorCode::Cancelled},
        {gifToAvi(goodGif, oldAvi, {}, 0xFFFFFF, stop), ErrorCode::Cancelled},
        {aviToGif(pattern, gif, {}, stop), ErrorCode::Cancelled},
        {aviToGif(pattern, gif, {}, shortVideo), ErrorCode::LimitExceeded},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(codeOf(cases[i].first), cases[i].second) << "case " << i;
    EXPECT_EQ(std::count(progress.values.begin(), progress.values.end(), 100), 0);
    // Beyond the budget of frames or of pixels (frames x screen): the message names the budget.
    const Status frames = gifToAvi(many, oldAvi, {}, 0xFFFFFF, fewFrames), pixels = gifToAvi(many, oldAvi, {}, 0xFFFFFF, fewPixels);
    EXPECT_EQ(frames ? QString() : frames.error().message, "The GIF has 300 frames, more than the frame budget of 299");
    EXPECT_EQ(pixels ? QString() : pixels.error().message,
              "The GIF has 300 frames of 100 x 100 pixels, more than the pixel budget of 2999999 pixels");
    // A video cut before its first frame opens, and is told by name as holding no frame.
    const QString cut = path("cut.mkv");
    ASSERT_TRUE(testing::writeFileContents(
        cut, testing::fileContents(QStringLiteral(PICTOREEL_TEST_DATA "/videos/testsrc_h264_16x12_10f_from1.4s.mkv")).left(900)));
    const Status empty = aviToGif(cut, gif);
    EXPECT_EQ(empty ? QString() : empty.error().message, cut + " holds no frame that could be decoded: it may be damaged or cut short");
    ASSERT_TRUE(QFile::remove(cut));
    // A GIF of two frames shown 655.35 s each is 1542 frames of 0.85 s: the budget counts those, and
    // the frames are encoded a part at a time, so the first progress (and a stop) comes early.
    writeRepeatedGif(path("long.gif"), 10, 2, 65535);
    const Status video = gifToAvi(path("long.gif"), oldAvi, {}, 0xFFFFFF, ConversionLimits{{.maxFrames = 1000}, {}});
    EXPECT_EQ(video ? QString() : video.error().message, "The AVI to write has 1542 frames, more than the frame budget of 1000");
    std::vector<int> seen;
    EXPECT_EQ(codeOf(gifToAvi(path("long.gif"), oldAvi, [&](int percent) { seen.push_back(percent); return false; })),
              ErrorCode::Cancelled);
    EXPECT_TRUE(seen.size() == 1 && seen[0] < 10) << seen.size();

    EXPECT_TRUE(testing::fileContents(gif) == "precious" && testing::fileContents(oldAvi) == "precious");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"endless.gif", "good.gif", "long.gif", "many.gif", "old.avi", "old.gif", "plain.txt"}));
}

TEST_F(VideoConversion, TheSourceIsNeverTheTargetAndALinkAtTheTargetIsReplacedNotWrittenThrough)
{
    const QString video = path("clip.avi");
    ASSERT_TRUE(QFile::copy(avi("uncompressed_bgr24_64x48_1frame"), video));
    const QString gif = path("clip.gif");
    ASSERT_TRUE(aviToGif(video, gif));
    ASSERT_TRUE(QFile::link(gif, path("gif link")));
    const QByteArray videoBytes = testing::fileContents(video), gifBytes = testing::fileContents(gif);
    // (The same file under other names is the file identity's test.)
    ProgressLog progress;
    EXPECT_EQ(codeOf(aviToGif(video, video, progress.callback())), ErrorCode::InvalidArgument);
    EXPECT_EQ(codeOf(gifToAvi(gif, path("gif link"), progress.callback())), ErrorCode::InvalidArgument);
    EXPECT_TRUE(progress.values.empty() && testing::fileContents(video) == videoBytes && testing::fileContents(gif) == gifBytes);

    const QString precious = path("precious");
    ASSERT_TRUE(testing::writeFileContents(precious, "precious"));
    ASSERT_TRUE(QFile::link(precious, path("out.avi")) && QFile::link(precious, path("out.gif")));
    ASSERT_TRUE(gifToAvi(gif, path("out.avi")));
    ASSERT_TRUE(aviToGif(video, path("out.gif")));
    EXPECT_EQ(testing::fileContents(precious), "precious");
    EXPECT_FALSE(QFileInfo(path("out.avi")).isSymLink() || QFileInfo(path("out.gif")).isSymLink());
    EXPECT_EQ(decodeVideo(path("out.avi")).size(), 1u);
}

TEST_F(VideoConversion, PlayerComponentTakesTheAviNameFirstInBothDirections)
{
    PlayerComponent player;
    std::vector<int> events;
    player.setConvertProgressHandler([&](int percent) { events.push_back(percent); });
    ASSERT_TRUE(player.AviToGif(avi("cinepak_64x48_10f"), path("a.gif")));
    ASSERT_TRUE(player.GifToAvi(path("b.avi"), path("a.gif")));
    EXPECT_EQ(std::pair(std::count(events.begin(), events.end(), 100), decodeVideo(path("b.avi")).size()), std::pair(std::ptrdiff_t(2), std::size_t(10)));
    EXPECT_EQ(codeOf(player.GifToAvi(path("absent.avi"), path("absent.gif"))), ErrorCode::FileNotFound);
}

}  // namespace
}  // namespace pictoreel
