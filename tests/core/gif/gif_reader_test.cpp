// GIF reading: damaged and hostile files, limits, the block walk and the streaming interface.
// Frames against other decoders' pictures and the corners of the format are golden cases
// (tests/data/golden/gif-frames.txt and gif-pixels.txt).
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"

#include "support/test_pictures.h"
#include "support/results.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <random>
#include <tuple>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

QString wuffs(const QString& name) { return sharedData("wuffs/test/data/") + name; }

// A 24 x 16 animation of our own in dir/made.gif, looping twice: a full first frame, then smaller
// frames with a transparent colour and every disposal method; frame k waits 3 + k hundredths.
QByteArray makeAnimation(const QTemporaryDir& dir, int frames = 3)
{
    const QString path = dir.filePath(QStringLiteral("made.gif"));
    GifStreamWriter writer;
    EXPECT_TRUE(writer.open(path, GifScreen{24, 16, 2, {}}));
    std::mt19937 random(9);
    for (int i = 0; i < frames; ++i) {
        const bool first = i == 0;
        GifFrameDescription frame;
        frame.image = IndexedImage{first ? 24 : 8 + i % 5, first ? 16 : 5 + i % 7, {}, {}, first ? -1 : 5};
        frame.left = first ? 0 : i % 13, frame.top = first ? 0 : i % 5;
        for (int c = 0; c < 6; ++c)
            frame.image.palette.push_back(Rgb{std::uint8_t(40 * c), std::uint8_t(i), std::uint8_t(255 - c)});
        for (int p = 0; p < frame.image.width * frame.image.height; ++p)
            frame.image.indices.push_back(std::uint8_t(random() % 6));
        frame.delayCentiseconds = 3 + i;
        frame.disposal = static_cast<GifDisposal>(1 + i % 3);
        EXPECT_TRUE(writer.addFrame(frame));
    }
    EXPECT_TRUE(writer.finish());
    return fileContents(path);
}

}  // namespace

TEST(GifReader, DamagedHostileAndForeignFilesEndCleanly)
{
    // Files made to crash or stall decoders, and real-world animations beside them, played to the
    // end. (That every frame is the whole screen, in order, the fuzz corpus replay checks.)
    QStringList files;
    for (const char* folder : {"image-gif/tests/crashtest", "image-gif/tests/stall", "image-gif/tests/regression",
                               "pillow/Tests/images", "wuffs/test/data/artificial-gif", "wuffs/test/data"})
        for (const QString& name : QDir(sharedData(folder)).entryList({QStringLiteral("*.gif")}, QDir::Files))
            files << sharedData(folder) + QLatin1Char('/') + name;
    ASSERT_GT(files.size(), 60);
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        auto decoder = GifDecoder::openFile(path);
        if (decoder) {
            int frames = 0;
            while (decoder.value().nextFrame())
                ++frames;
            EXPECT_TRUE(frames > 0 && frames == decoder.value().frameCount()) << frames;
        } else {
            EXPECT_TRUE(codeOf(decoder) == ErrorCode::CorruptData || codeOf(decoder) == ErrorCode::LimitExceeded ||
                        codeOf(decoder) == ErrorCode::EmptyImage)
                << decoder.error().text().toStdString();
        }
    }
    // What the crafted files are refused for.
    for (const char* limited : {"image-gif/tests/stall/issue-101-infinite-empty-loop.gif", "image-gif/tests/crashtest/issue-96-small-codesize-2.gif"})
        EXPECT_EQ(codeOf(GifDecoder::openFile(sharedData(limited))), ErrorCode::LimitExceeded) << limited;
    EXPECT_EQ(codeOf(GifDecoder::openFile(wuffs(QStringLiteral("artificial-gif/no-frames.gif")))), ErrorCode::EmptyImage);
    // An image far below the screen with a code size of 143 and no data, cut short there, is a
    // frame of the empty screen; a photo whose codes start at 12 bits (a code size of 11) is read
    // whole, as browsers read it.
    auto bomb = decodeGifFile(sharedData("pillow/Tests/images/decompression_bomb.gif"));
    ASSERT_TRUE(bomb);
    EXPECT_TRUE(bomb.value().info.truncated && bomb.value().frames.size() == 1);
    EXPECT_EQ(bomb.value().frames[0].image.pixels, std::vector<std::uint8_t>(32 * 32 * 4, 0));
    auto wide = decodeGifFile(sharedData("pillow/Tests/images/issue_2811.gif"));
    ASSERT_TRUE(wide);
    EXPECT_TRUE(!wide.value().info.truncated && wide.value().frames.size() == 1 && wide.value().frames[0].complete);
    // And what is no GIF at all.
    EXPECT_EQ(codeOf(GifDecoder::openFile(wuffs(QStringLiteral("pjw-thumbnail.png")))), ErrorCode::UnsupportedFormat);
    // Nothing, or a file cut within its header, is told as such.
    for (const auto& [start, told] : {std::pair{QByteArray(), "The file is too short to be a GIF picture: it is empty or cut short"},
                                      {QByteArray("GIF"), "The file is too short to be a GIF picture: it is empty or cut short"},
                                      {QByteArray("GIF89a\x01\x00", 8), "The GIF ends before its header does: the file is cut short"}}) {
        const auto cut = GifDecoder::openMemory(start);
        EXPECT_EQ(cut ? QString() : cut.error().message, told);
    }
}

TEST(GifReader, TruncatedFilesKeepEveryFrameTheyHold)
{
    QTemporaryDir dir;
    const QByteArray full = makeAnimation(dir, 5);
    auto reference = decodeGifMemory(full);
    ASSERT_TRUE(reference && !reference.value().info.truncated);
    const auto& expected = reference.value().frames;

    int completeBefore = 0;
    for (qsizetype length = 0; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        auto gif = decodeGifMemory(full.left(length));
        if (!gif) {
            EXPECT_TRUE(codeOf(gif) == ErrorCode::CorruptData || codeOf(gif) == ErrorCode::UnsupportedFormat);
            EXPECT_FALSE(gif.error().message.contains(QStringLiteral("damaged")));
            EXPECT_EQ(completeBefore, 0);
            continue;
        }
        const auto& frames = gif.value().frames;
        EXPECT_TRUE(gif.value().info.truncated);
        ASSERT_LE(frames.size(), 5u);
        int complete = 0;
        for (std::size_t k = 0; k < frames.size(); ++k) {
            const GifFrame& f = frames[k];
            if (f.complete) {
                ++complete;
                EXPECT_EQ(comparePictures(f.image, expected[k].image), "") << "frame " << k;
                continue;
            }
            // Only the last frame can be cut short, and only inside its own rectangle.
            EXPECT_EQ(k + 1, frames.size());
            for (int y = 0; y < f.image.height; ++y)
                for (int x = 0; x < f.image.width; ++x)
                    if (x < f.left || x >= f.left + f.width || y < f.top || y >= f.top + f.height) {
                        ASSERT_TRUE(std::equal(f.image.pixel(x, y), f.image.pixel(x, y) + 4, expected[k].image.pixel(x, y))) << x << "," << y;
                    }
        }
        EXPECT_GE(complete, std::exchange(completeBefore, complete));
    }
    EXPECT_EQ(completeBefore, 5);
}

// Only the rows of an image that show on the screen are decoded: an image far taller than its
// screen costs no more than those, and one cut short below the screen shows whole.
TEST(GifReader, RowsBelowTheScreenAreNotDecoded)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tall.gif"));
    GifStreamWriter writer;
    ASSERT_TRUE(writer.open(path, GifScreen{8, 400, 0, {}}));
    GifFrameDescription frame;
    frame.image = IndexedImage{8, 400, {}, {}, -1};
    for (int c = 0; c < 6; ++c)
        frame.image.palette.push_back(Rgb{std::uint8_t(40 * c), 90, std::uint8_t(255 - 40 * c)});
    std::mt19937 random(3);
    for (int p = 0; p < 8 * 400; ++p)
        frame.image.indices.push_back(std::uint8_t(random() % 6));
    ASSERT_TRUE(writer.addFrame(frame));
    ASSERT_TRUE(writer.finish());
    QByteArray bytes = fileContents(path);
    bytes[8] = 4;  // the screen is 4 rows high
    bytes[9] = 0;
    bytes.truncate(bytes.size() * 2 / 3);

    auto gif = decodeGifMemory(bytes);
    ASSERT_TRUE(gif) << gif.error().text().toStdString();
    EXPECT_TRUE(gif.value().info.truncated);
    ASSERT_EQ(gif.value().frames.size(), 1u);
    const GifFrame& shown = gif.value().frames[0];
    EXPECT_TRUE(shown.complete);
    ASSERT_EQ(std::tuple(shown.image.width, shown.image.height), std::tuple(8, 4));
    for (int p = 0; p < 8 * 4; ++p) {
        const Rgb want = frame.image.palette[frame.image.indices[std::size_t(p)]];
        EXPECT_EQ(std::tuple(shown.image.pixels[4 * p], shown.image.pixels[4 * p + 2]), std::tuple(want.r, want.b)) << p;
    }
}

TEST(GifReader, RefusesWhatExceedsTheLimits)
{
    QTemporaryDir dir;
    const QByteArray small = makeAnimation(dir, 3);  // 24 x 16, the first frame fills the screen
    const auto withScreen = [&small](int width, int height) {
        QByteArray bytes = small;
        bytes[6] = char(width & 0xff), bytes[7] = char(width >> 8), bytes[8] = char(height & 0xff), bytes[9] = char(height >> 8);
        return bytes;
    };
    const std::tuple<QByteArray, GifDecodeLimits, ErrorCode> cases[] = {
        {withScreen(int(kLimits.maxPixels / 4000), 4001), {}, ErrorCode::LimitExceeded},
        {withScreen(int(kLimits.maxPixels / 4000), 4000), {}, ErrorCode{}},
        {small, {.maxFrames = 2}, ErrorCode::LimitExceeded},
        {small, {.maxFrames = 3}, ErrorCode{}},
        {small, {.maxFramePixels = 24 * 16 - 1}, ErrorCode::LimitExceeded},
        {small, {.maxTotalFramePixels = 24 * 16}, ErrorCode::LimitExceeded},
        // Holding all frames is checked separately from streaming them.
        {small, {.maxHeldBytes = 3 * 24 * 16 * 4 - 1}, ErrorCode{}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(codeOf(GifDecoder::openMemory(std::get<0>(cases[i]), std::get<1>(cases[i]))), std::get<2>(cases[i])) << "case " << i;
    EXPECT_EQ(codeOf(decodeGifMemory(small, {.maxHeldBytes = 3 * 24 * 16 * 4 - 1})), ErrorCode::LimitExceeded);

    // A screen of no size takes the first frame's extent.
    auto unsized = GifDecoder::openMemory(withScreen(0, 16));
    EXPECT_EQ(unsized ? std::pair(unsized.value().width(), unsized.value().height()) : std::pair(0, 0), std::pair(24, 16));
}

// The block walk finds every image as stored (place, table, transparency, compressed pixels) and
// copes with data cut anywhere: the images before the cut, never a crash.
TEST(GifReader, StoredImagesAreFoundWithoutDecompressing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("blocks.gif"));
    GifStreamWriter writer;
    ASSERT_TRUE(writer.open(path, GifScreen{12, 9, std::nullopt, {Rgb{1, 2, 3}, Rgb{4, 5, 6}, Rgb{7, 8, 9}}}));
    GifFrameDescription a, b;
    a.image = IndexedImage{5, 4, std::vector<std::uint8_t>(20, 1), {}, 3};
    a.useGlobalPalette = true;
    a.left = 2, a.top = 3;
    b.image = IndexedImage{12, 9, {}, std::vector<Rgb>(17, Rgb{200, 100, 0}), -1};
    for (int i = 0; i < 108; ++i)
        b.image.indices.push_back(static_cast<std::uint8_t>(i % 17));
    ASSERT_TRUE(writer.addFrame(a) && writer.addFrame(b) && writer.finish());
    const QByteArray bytes = fileContents(path);
    const std::vector<GifStoredImage> images = findStoredImages(bytes);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(std::tuple(images[0].left, images[0].top, images[0].width, images[0].height, images[0].localPalette, images[0].palette.size(),
                         images[0].palette.at(2), images[0].transparentIndex, images[0].pixels.minCodeSize),
              std::tuple(2, 3, 5, 4, false, 4u, Rgb{7, 8, 9}, 3, 2));
    // The first image's control block is not the second's.
    EXPECT_EQ(std::tuple(images[1].localPalette, images[1].palette.size(), images[1].transparentIndex, images[1].pixels.minCodeSize),
              std::tuple(true, 32u, -1, 5));
    // The compressed pixels end exactly where the next block (the trailer) starts.
    EXPECT_EQ(bytes.indexOf(images[1].pixels.subBlocks) + images[1].pixels.subBlocks.size(), bytes.size() - 1);

    std::size_t previous = 0;
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        const std::vector<GifStoredImage> found = findStoredImages(bytes.left(cut));
        EXPECT_GE(found.size(), previous) << "cut at " << cut;
        previous = found.size();
        for (std::size_t k = 0; k < found.size(); ++k)
            EXPECT_EQ(found[k].pixels.subBlocks, images[k].pixels.subBlocks) << "cut at " << cut;
    }
    EXPECT_EQ(previous, 2u);
    EXPECT_FALSE(findFirstStoredImage(QByteArray("not a GIF at all, just words")));
}

TEST(GifReader, FramesAreReachedInAnyOrderWithTheirDelays)
{
    QTemporaryDir dir;
    // Our animation, and one whose first frame is drawn from four images.
    for (const QByteArray& bytes : {makeAnimation(dir, 6), fileContents(QStringLiteral(PICTOREEL_TEST_DATA "/gif-cases/tiles.gif"))}) {
        const DecodedGif all = decodeGifMemory(bytes).value();
        auto opened = GifDecoder::openMemory(bytes);
        ASSERT_TRUE(opened);
        const int count = opened.value().frameCount();
        for (const int k : {4, 1, 5, 5, 0, 3, 2}) {
            if (k >= count)
                continue;
            EXPECT_EQ(comparePictures(opened.value().frameAt(k).value().image, all.frames[std::size_t(k)].image), "") << k;
            EXPECT_EQ(opened.value().storedDelay(k), all.frames[std::size_t(k)].delayCentiseconds) << k;
        }
        EXPECT_EQ(codeOf(opened.value().frameAt(count)), ErrorCode::InvalidArgument);
    }
}
