// An animated WebP or PNG taken apart into numbered pictures: each frame as shown, composed over
// the frames before it, with its delay and the file's loop count; what a refused or cancelled
// run leaves behind.
#include "core/formats/apng_writer.h"
#include "core/formats/png_reader.h"
#include "core/formats/webp_writer.h"
#include "core/media/animation_frames_export.h"
#include "support/files.h"
#include "support/results.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

using testing::codeOf;
using testing::comparePictures;
using testing::fileContents;
using testing::setPixel;
using testing::solidPicture;

// Three canvases of few colours that change in parts, with transparency.
std::vector<RgbaImage> canvases()
{
    std::vector<RgbaImage> frames(3, solidPicture(7, 5, {200, 30, 30}));
    setPixel(frames[0], 0, 0, {0, 0, 0}, 0);
    for (int x = 2; x < 5; ++x)
        setPixel(frames[1], x, 2, {20, 200, 40});
    frames[2] = frames[1];
    setPixel(frames[2], 6, 4, {10, 10, 250});
    setPixel(frames[2], 1, 1, {0, 0, 0}, 0);
    return frames;
}

void expectFrames(const ImportedAnimation& imported, const std::vector<RgbaImage>& expected, const std::vector<int>& delays)
{
    ASSERT_EQ(imported.frames.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const std::optional<RgbaImage> written = readCommonPng(fileContents(imported.frames[k].path));
        ASSERT_TRUE(written) << k;
        EXPECT_EQ(comparePictures(*written, expected[k]), "") << "frame " << k;
        EXPECT_EQ(imported.frames[k].delayCentiseconds, delays[k]) << "frame " << k;
    }
}

TEST(AnimationFramesExport, WebpAndPngFramesComeOutAsShownWithTheirDelaysAndLoops)
{
    const std::vector<RgbaImage> frames = canvases();
    // 104 + 33 + 250 ms: hundredths where each frame ends (10, 14, 39), so the rounding never drifts.
    const int durations[] = {104, 33, 250};
    for (const char* name : {"clip.webp", "clip.png"}) {
        SCOPED_TRACE(name);
        const QTemporaryDir dir;
        const QString file = dir.filePath(name);
        QByteArray bytes;
        const ByteSink sink = [&bytes](const QByteArray& b) { return bytes += b, true; };
        std::unique_ptr<AnimatedPictureWriter> writer;
        if (QString(name).endsWith("webp"))
            writer = std::make_unique<WebpWriter>(sink, 7, 5, 3);
        else
            writer = std::make_unique<ApngWriter>(sink, 7, 5, 3, 3);
        for (int k = 0; k < 3; ++k)
            ASSERT_TRUE(writer->addFrame(frames[std::size_t(k)], durations[k]).ok());
        ASSERT_TRUE(writer->finish().ok());
        ASSERT_TRUE(testing::writeFileContents(file, bytes));
        EXPECT_TRUE(holdsAnimation(file));

        const Result<ImportedAnimation> imported = extractAnimationFrames(file, dir.filePath("frames"));
        ASSERT_TRUE(imported.ok()) << imported.error().text().toStdString();
        expectFrames(imported.value(), frames, {10, 4, 25});
        EXPECT_EQ(imported.value().loopCount, 2);  // shown 3 times: repeated twice after the first
        EXPECT_EQ(imported.value().frames[2].path, dir.filePath("frames/clip_0003.png"));
    }
}

QByteArray u32(std::uint32_t v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    return QByteArray(b, 4);
}

// Frame control chunk of an animated PNG: sequence, size, place, delay, dispose and blend.
QByteArray frameControl(std::uint32_t sequence, int w, int h, int x, int y, int delayMs, char dispose, char blend)
{
    QByteArray d;
    for (const std::uint32_t v : {sequence, std::uint32_t(w), std::uint32_t(h), std::uint32_t(x), std::uint32_t(y)})
        d += u32(v);
    d += u32((std::uint32_t(delayMs) << 16) | 1000);  // delayMs / 1000 s
    d.append(dispose);
    d.append(blend);
    return pngChunk("fcTL", d);
}

// The zlib stream of unfiltered RGBA rows.
QByteArray imageData(const RgbaImage& picture)
{
    QByteArray rows;
    for (int y = 0; y < picture.height; ++y) {
        rows.append('\0');
        rows.append(reinterpret_cast<const char*>(picture.pixel(0, y)), picture.width * 4);
    }
    return qCompress(rows).mid(4);
}

// The operations our writer never uses: a frame that blends half-transparent pixels over the
// canvas and is disposed to what was before it, and a default picture that is no frame.
TEST(AnimationFramesExport, PngDisposeToPreviousAndBlendOverAreComposed)
{
    const RgbaImage base = solidPicture(4, 4, {0, 0, 200});
    RgbaImage patch = solidPicture(2, 2, {200, 0, 0}, 255);
    setPixel(patch, 1, 1, {255, 255, 255}, 0);  // lets the canvas through
    setPixel(patch, 0, 1, {200, 0, 0}, 128);    // half over the blue
    const RgbaImage dot = solidPicture(1, 1, {0, 250, 0}, 100);  // replaces, alpha and all

    QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", u32(4) + u32(4) + QByteArray("\x08\x06\x00\x00\x00", 5));
    png += pngChunk("acTL", u32(3) + u32(0));
    png += pngChunk("IDAT", imageData(solidPicture(4, 4, {9, 9, 9})));  // not a frame: no fcTL before it
    png += frameControl(0, 4, 4, 0, 0, 100, 0, 0) + pngChunk("fdAT", u32(1) + imageData(base));
    png += frameControl(2, 2, 2, 1, 1, 200, 2, 1) + pngChunk("fdAT", u32(3) + imageData(patch));
    png += frameControl(4, 1, 1, 0, 0, 300, 0, 0) + pngChunk("fdAT", u32(5) + imageData(dot));
    png += pngChunk("IEND", {});
    const QTemporaryDir dir;
    ASSERT_TRUE(testing::writeFileContents(dir.filePath("ops.png"), png));

    RgbaImage second = base;
    setPixel(second, 1, 1, {200, 0, 0});
    setPixel(second, 2, 1, {200, 0, 0});
    setPixel(second, 1, 2, {100, 0, 100});  // 128/255 of red over blue
    RgbaImage third = base;  // the patch disposed to what was before it
    setPixel(third, 0, 0, {0, 250, 0}, 100);
    const Result<ImportedAnimation> imported = extractAnimationFrames(dir.filePath("ops.png"), dir.filePath("out"));
    ASSERT_TRUE(imported.ok()) << imported.error().text().toStdString();
    ASSERT_EQ(imported.value().frames.size(), 3u);
    const std::optional<RgbaImage> blended = readCommonPng(fileContents(imported.value().frames[1].path));
    ASSERT_TRUE(blended);
    EXPECT_EQ(comparePictures(*blended, second, 1), "");
    expectFrames(imported.value(), {base, *blended, third}, {10, 20, 30});
    EXPECT_EQ(imported.value().loopCount, 0);
}

// As a video's frames: a folder that holds such names already is refused, and a stopped run
// leaves no file and none of the folders it made; a still PNG is no animation.
TEST(AnimationFramesExport, RefusedAndStoppedRunsLeaveNothingBehind)
{
    const QTemporaryDir dir;
    const QString file = dir.filePath("a.png");
    QByteArray bytes;
    ApngWriter writer([&bytes](const QByteArray& b) { return bytes += b, true; }, 7, 5, 3, 0);
    for (const RgbaImage& frame : canvases())
        ASSERT_TRUE(writer.addFrame(frame, 50).ok());
    ASSERT_TRUE(writer.finish().ok());
    ASSERT_TRUE(testing::writeFileContents(file, bytes));

    const auto stop = [](int percent) { return percent < 50; };
    EXPECT_EQ(codeOf(extractAnimationFrames(file, dir.filePath("new/deeper"), stop)), ErrorCode::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("new")));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("taken")) && testing::writeFileContents(dir.filePath("taken/a_0001.png"), "mine"));
    EXPECT_EQ(codeOf(extractAnimationFrames(file, dir.filePath("taken"))), ErrorCode::InvalidArgument);
    EXPECT_EQ(fileContents(dir.filePath("taken/a_0001.png")), "mine");
    EXPECT_EQ(QDir(dir.filePath("taken")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);

    testing::writeBmp(dir.filePath("still.bmp"), solidPicture(3, 3, {1, 2, 3}));
    EXPECT_FALSE(holdsAnimation(dir.filePath("still.bmp")));
    EXPECT_EQ(codeOf(extractAnimationFrames(dir.filePath("still.bmp"), dir.filePath("x"))), ErrorCode::UnsupportedFormat);
}

}  // namespace
}  // namespace pictoreel
