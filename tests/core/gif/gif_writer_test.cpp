// GIF writing: what lands in the file (checked with giflib directly and with our reader), the
// checks on arguments, and the temporary-file rule that keeps an earlier file safe.
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"
#include "support/test_pictures.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <random>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

IndexedImage makeImage(int width, int height, std::vector<Rgb> palette, std::uint32_t seed = 1)
{
    IndexedImage image{width, height, std::vector<std::uint8_t>(std::size_t(width) * height), std::move(palette), -1};
    std::mt19937 random(seed);
    for (auto& index : image.indices)
        index = static_cast<std::uint8_t>(random() % image.palette.size());
    return image;
}

std::vector<Rgb> rampPalette(int count, std::uint8_t blue = 0)
{
    std::vector<Rgb> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back(Rgb{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), blue});
    return palette;
}

// The whole file as giflib's own reader sees it.
using RawGif = std::unique_ptr<GifFileType, void (*)(GifFileType*)>;
RawGif slurp(const QString& path)
{
    int error = 0;
    RawGif gif(DGifOpenFileName(QFile::encodeName(path).constData(), &error), [](GifFileType* g) { DGifCloseFile(g, nullptr); });
    EXPECT_TRUE(gif) << GifErrorString(error);
    EXPECT_TRUE(gif && DGifSlurp(gif.get()) == GIF_OK);
    return gif;
}

// Checks one stored image as giflib reads it: place, table size and colours, pixels, control block.
void expectStored(GifFileType* gif, int i, const GifFrameDescription& f, int tableSize)
{
    SCOPED_TRACE(i);
    const SavedImage& saved = gif->SavedImages[i];
    EXPECT_EQ(std::tuple(saved.ImageDesc.Left, saved.ImageDesc.Top, saved.ImageDesc.Width, saved.ImageDesc.Height),
              std::tuple(f.left, f.top, f.image.width, f.image.height));
    ASSERT_NE(saved.ImageDesc.ColorMap, nullptr);
    EXPECT_EQ(saved.ImageDesc.ColorMap->ColorCount, tableSize);
    for (std::size_t c = 0; c < f.image.palette.size(); ++c) {
        const GifColorType& colour = saved.ImageDesc.ColorMap->Colors[c];
        EXPECT_EQ((Rgb{colour.Red, colour.Green, colour.Blue}), f.image.palette[c]);
    }
    EXPECT_TRUE(std::equal(f.image.indices.begin(), f.image.indices.end(), saved.RasterBits));
    GraphicsControlBlock gcb{};
    ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &gcb), GIF_OK);
    EXPECT_EQ(std::tuple(gcb.DelayTime, gcb.DisposalMode, gcb.TransparentColor),
              std::tuple(f.delayCentiseconds, int(f.disposal), f.image.transparentIndex));
}

}  // namespace

TEST(GifWriter, AnimationRoundTripsThroughGiflib)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("anim.gif"));
    std::vector<GifFrameDescription> frames(3);
    frames[0].image = makeImage(40, 30, rampPalette(256), 1);  // full screen, 256 colours
    frames[0].delayCentiseconds = 7, frames[0].disposal = GifDisposal::DoNotDispose;
    frames[1].image = makeImage(10, 6, rampPalette(5, 9), 2);  // 5 colours: table of 8
    frames[1].image.transparentIndex = 3;
    frames[1].left = 30, frames[1].top = 24;  // touches the right and bottom edges
    frames[1].delayCentiseconds = 65535, frames[1].disposal = GifDisposal::RestoreBackground;
    frames[2].image = makeImage(1, 1, {Rgb{1, 2, 3}}, 3);  // one colour: table of 2
    frames[2].left = frames[2].top = 5, frames[2].disposal = GifDisposal::RestorePrevious;
    GifStreamWriter writer;
    ASSERT_TRUE(writer.open(path, GifScreen{40, 30, 0, {}}));
    for (const auto& frame : frames)
        ASSERT_TRUE(writer.addFrame(frame));
    ASSERT_TRUE(writer.finish());
    RawGif gif = slurp(path);
    ASSERT_TRUE(gif);
    EXPECT_EQ(std::tuple(gif->SWidth, gif->SHeight, gif->SColorMap, gif->ImageCount), std::tuple(40, 30, nullptr, 3));
    for (int i = 0; i < 3; ++i)
        expectStored(gif.get(), i, frames[std::size_t(i)], std::array{256, 8, 2}[std::size_t(i)]);

    EXPECT_EQ(decodeGifFile(path).value().info.loopCount, std::optional<int>(0));
}

TEST(GifWriter, RefusesBadArgumentsWithoutSpoilingTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("checked.gif"));
    for (const GifScreen& screen : {GifScreen{0, 5, {}, {}}, GifScreen{1, 65536, {}, {}}, GifScreen{5, 5, 65536, {}}})
        EXPECT_EQ(GifStreamWriter().open(path, screen).error().code, ErrorCode::InvalidArgument);
    EXPECT_FALSE(QFile::exists(path));

    GifFrameDescription good;
    good.image = makeImage(4, 4, rampPalette(4));
    const std::pair<const char*, std::function<void(GifFrameDescription&)>> cases[] = {
        {"right of screen", [](auto& f) { f.left = 7; }},
        {"below screen", [](auto& f) { f.top = 9; }},
        {"zero width", [](auto& f) { f.image.width = 0; f.image.indices.clear(); }},
        {"too few pixels", [](auto& f) { f.image.indices.pop_back(); }},
        {"index beyond palette", [](auto& f) { f.image.indices[5] = 4; }},
        {"empty palette", [](auto& f) { f.image.palette.clear(); }},
        {"palette of 257", [](auto& f) { f.image.palette = rampPalette(257); }},
        {"transparent index beyond palette", [](auto& f) { f.image.transparentIndex = 4; }},
        {"delay over 16 bits", [](auto& f) { f.delayCentiseconds = 65536; }},
        {"unknown disposal", [](auto& f) { f.disposal = static_cast<GifDisposal>(4); }},
        {"global table the screen lacks", [](auto& f) { f.useGlobalPalette = true; }},
        {"LZW code size 9", [](auto& f) { f.compressed = GifCompressedPixels{9, QByteArray("\x01\x00\x00", 3)}; }},
        {"sub-blocks without terminator", [](auto& f) { f.compressed = GifCompressedPixels{2, QByteArray("\x02\x00\x01", 3)}; }},
    };
    GifStreamWriter writer;
    EXPECT_EQ(writer.addFrame(good).error().code, ErrorCode::InvalidArgument);  // not open yet
    ASSERT_TRUE(writer.open(path, GifScreen{10, 8, {}, {}}));
    EXPECT_EQ(writer.open(path, GifScreen{10, 8, {}, {}}).error().code, ErrorCode::InvalidArgument);
    for (const auto& [what, spoil] : cases) {
        GifFrameDescription bad = good;
        spoil(bad);
        const Status s = writer.addFrame(bad);
        EXPECT_EQ(s ? ErrorCode{} : s.error().code, ErrorCode::InvalidArgument) << what;
    }
    // The refused frames left no trace: the file holds just the good one.
    ASSERT_TRUE(writer.addFrame(good) && writer.finish());
    EXPECT_FALSE(writer.addFrame(good) || writer.finish());
    EXPECT_EQ(slurp(path)->ImageCount, 1);
}

// Destroyed before finish (a killed make), or finished without frames: the temporary file goes,
// the old file stays. (A finished file taking the old one's place is the replacing file's test.)
TEST(GifWriter, AnUnfinishedOrEmptyGifLeavesTheEarlierFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.gif"));
    ASSERT_TRUE(writeFileContents(path, "earlier good file"));
    GifFrameDescription frame;
    frame.image = makeImage(2, 2, rampPalette(2));
    for (const bool killed : {true, false}) {
        {
            GifStreamWriter writer;
            ASSERT_TRUE(writer.open(path, GifScreen{2, 2, {}, {}}));
            if (killed)
                ASSERT_TRUE(writer.addFrame(frame));
            else
                EXPECT_EQ(writer.finish().error().code, ErrorCode::EmptyImage);
        }
        EXPECT_EQ(fileContents(path), "earlier good file") << killed;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("keep.gif")}) << killed;
    }
}
