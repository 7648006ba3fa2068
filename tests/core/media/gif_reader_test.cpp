// GIF reading: composited frames against other decoders' reference pictures, the corner cases of
// the format, damaged and hostile files, limits, and the streaming interface.
#include "core/media/gif_reader.h"
#include "core/media/gif_writer.h"

#include <Magick++.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstring>
#include <random>

using namespace pictoreel;

namespace {

QString shared(const QString& relative)
{
    return QStringLiteral(PICTOREEL_SHARED_TESTDATA "/") + relative;
}

const QString kWuffs = QStringLiteral("wuffs/test/data/");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// A reference picture decoded by ImageMagick (PNG is lossless, so this is exact).
RgbaImage loadPng(const QString& path)
{
    static const bool initialised = [] {
        Magick::InitializeMagick(nullptr);
        return true;
    }();
    (void)initialised;
    Magick::Image picture;
    picture.read(QFile::encodeName(path).toStdString());
    RgbaImage image(static_cast<int>(picture.columns()), static_cast<int>(picture.rows()));
    picture.write(0, 0, picture.columns(), picture.rows(), "RGBA", Magick::CharPixel, image.pixels.data());
    return image;
}

// A wuffs ".nie" picture: 16-byte header, then BGRA rows. Only the 8-bit non-premultiplied kind is
// read; anything else gives an empty image.
RgbaImage loadNie(const QString& path)
{
    const QByteArray bytes = readAll(path);
    static const char magic[] = "\x6E\xC3\xAF\x45\xFF\x62\x6E\x34";
    if (bytes.size() < 16 || std::memcmp(bytes.constData(), magic, 8) != 0)
        return {};
    std::uint32_t width = 0, height = 0;
    std::memcpy(&width, bytes.constData() + 8, 4);  // little-endian, as is this machine
    std::memcpy(&height, bytes.constData() + 12, 4);
    if (bytes.size() != 16 + qsizetype(width) * height * 4)
        return {};
    RgbaImage image(static_cast<int>(width), static_cast<int>(height));
    const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.constData()) + 16;
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        image.pixels[i] = in[i + 2];
        image.pixels[i + 1] = in[i + 1];
        image.pixels[i + 2] = in[i];
        image.pixels[i + 3] = in[i + 3];
    }
    return image;
}

// Empty when both show the same: equal alpha everywhere, equal colour wherever something shows.
std::string differences(const RgbaImage& actual, const RgbaImage& expected)
{
    if (actual.width != expected.width || actual.height != expected.height)
        return "size " + std::to_string(actual.width) + "x" + std::to_string(actual.height) + " instead of " +
               std::to_string(expected.width) + "x" + std::to_string(expected.height);
    for (int y = 0; y < actual.height; ++y)
        for (int x = 0; x < actual.width; ++x) {
            const auto* a = actual.pixel(x, y);
            const auto* e = expected.pixel(x, y);
            if (a[3] != e[3] || (e[3] != 0 && std::memcmp(a, e, 3) != 0)) {
                char text[120];
                std::snprintf(text, sizeof text, "pixel (%d,%d) is %02x%02x%02x/%02x instead of %02x%02x%02x/%02x", x, y,
                              a[0], a[1], a[2], a[3], e[0], e[1], e[2], e[3]);
                return text;
            }
        }
    return {};
}

DecodedGif decodeOrFail(const QString& path)
{
    auto decoded = decodeGifFile(path);
    EXPECT_TRUE(decoded) << path.toStdString() << ": " << (decoded ? "" : decoded.error().text().toStdString());
    return decoded ? std::move(decoded).value() : DecodedGif{};
}

std::array<std::uint8_t, 4> rgba(const RgbaImage& image, int x, int y)
{
    const auto* p = image.pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}
using Px = std::array<std::uint8_t, 4>;
const Px kClear{0, 0, 0, 0};

// A small animation of our own: a full first frame, then overlapping frames with transparency.
QByteArray makeAnimation(const QTemporaryDir& dir, int frames = 3)
{
    const QString path = dir.filePath(QStringLiteral("made.gif"));
    GifScreen screen;
    screen.width = 24;
    screen.height = 16;
    screen.loopCount = 2;
    GifStreamWriter writer;
    EXPECT_TRUE(writer.open(path, screen));
    std::mt19937 random(9);
    for (int i = 0; i < frames; ++i) {
        GifFrameDescription frame;
        const bool first = i == 0;
        frame.image.width = first ? 24 : 8 + i % 5;
        frame.image.height = first ? 16 : 5 + i % 7;
        frame.left = first ? 0 : i % 13;
        frame.top = first ? 0 : i % 5;
        for (int c = 0; c < 6; ++c)
            frame.image.palette.push_back(Rgb{std::uint8_t(40 * c), std::uint8_t(i), std::uint8_t(255 - c)});
        frame.image.transparentIndex = first ? -1 : 5;
        frame.image.indices.resize(std::size_t(frame.image.width) * frame.image.height);
        for (auto& index : frame.image.indices)
            index = std::uint8_t(random() % 6);
        frame.delayCentiseconds = 3 + i;
        frame.disposal = static_cast<GifDisposal>(1 + i % 3);
        EXPECT_TRUE(writer.addFrame(frame));
    }
    EXPECT_TRUE(writer.finish());
    return readAll(path);
}

}  // namespace

TEST(GifReader, MatchesTheCompositedFramesOfTheGifSuite)
{
    const QDir gifs(shared(QStringLiteral("gif-suite-peterdn/gifs")));
    const QStringList names = gifs.entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 13);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString base = QFileInfo(name).completeBaseName();
        QStringList references;
        for (int k = 0;; ++k) {
            const QString frame = gifs.filePath(QStringLiteral("frames/%1-%2.png").arg(base).arg(k));
            if (!QFile::exists(frame))
                break;
            references << frame;
        }
        if (references.isEmpty())
            references << gifs.filePath(QStringLiteral("frames/%1.png").arg(base));

        const DecodedGif gif = decodeOrFail(gifs.filePath(name));
        ASSERT_EQ(gif.frames.size(), std::size_t(references.size()));
        for (int k = 0; k < references.size(); ++k) {
            EXPECT_TRUE(gif.frames[std::size_t(k)].complete);
            EXPECT_EQ(differences(gif.frames[std::size_t(k)].image, loadPng(references[k])), "") << "frame " << k;
        }

        const bool animated = references.size() > 1;
        const bool loops = animated && !name.contains(QStringLiteral("noloop"));
        EXPECT_EQ(gif.info.loopCount, loops ? std::optional<int>(0) : std::nullopt);
        if (animated) {
            for (std::size_t k = 0; k < gif.frames.size(); ++k)
                EXPECT_EQ(gif.frames[k].delayCentiseconds,
                          name.contains(QStringLiteral("variable_delay")) && k == 2 ? 10 : 100);
        }
    }
}

TEST(GifReader, MatchesWuffsReferenceDecodes)
{
    // Every frame of an animation against its expected picture.
    const DecodedGif redBlue = decodeOrFail(shared(kWuffs + QStringLiteral("animated-red-blue.gif")));
    ASSERT_EQ(redBlue.frames.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        const RgbaImage expected = loadNie(shared(kWuffs + QStringLiteral("animated-red-blue.%1.nie").arg(k, 6, 10, QLatin1Char('0'))));
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(differences(redBlue.frames[std::size_t(k)].image, expected), "") << "frame " << k;
    }

    // The same picture stored plainly and interlaced.
    const DecodedGif regular = decodeOrFail(shared(kWuffs + QStringLiteral("hippopotamus.regular.gif")));
    const DecodedGif interlaced = decodeOrFail(shared(kWuffs + QStringLiteral("hippopotamus.interlaced.gif")));
    ASSERT_EQ(regular.frames.size(), 1u);
    ASSERT_EQ(interlaced.frames.size(), 1u);
    EXPECT_TRUE(interlaced.frames[0].interlaced);
    EXPECT_EQ(differences(interlaced.frames[0].image, regular.frames[0].image), "");

    // Single pictures with a lossless PNG of the same decode beside them.
    for (const char* name : {"pjw-thumbnail", "bricks-dither",
                             "bricks-nodither", "bricks-gray"}) {
        const DecodedGif gif = decodeOrFail(shared(kWuffs + QLatin1String(name) + QStringLiteral(".gif")));
        ASSERT_EQ(gif.frames.size(), 1u) << name;
        EXPECT_EQ(differences(gif.frames[0].image, loadPng(shared(kWuffs + QLatin1String(name) + QStringLiteral(".png")))), "")
            << name;
    }

    // Raw palette indices and palette (BGRA) of the same picture.
    const QByteArray indices = readAll(shared(kWuffs + QStringLiteral("bricks-dither.indexes")));
    const QByteArray palette = readAll(shared(kWuffs + QStringLiteral("bricks-dither.palette")));
    ASSERT_EQ(indices.size(), 160 * 120);
    ASSERT_EQ(palette.size(), 1024);
    const DecodedGif bricks = decodeOrFail(shared(kWuffs + QStringLiteral("bricks-dither.gif")));
    ASSERT_EQ(bricks.frames.size(), 1u);
    for (int i = 0; i < indices.size(); ++i) {
        const int index = static_cast<std::uint8_t>(indices[i]);
        const auto* bgra = reinterpret_cast<const std::uint8_t*>(palette.constData()) + 4 * index;
        const Px expected{bgra[2], bgra[1], bgra[0], bgra[3]};
        ASSERT_EQ(rgba(bricks.frames[0].image, i % 160, i / 160), expected) << "pixel " << i;
    }
}

TEST(GifReader, HandlesTheFormatsCornerCases)
{
    const auto artificial = [](const char* name) {
        return decodeOrFail(shared(QStringLiteral("wuffs/test/data/artificial-gif/") + QLatin1String(name)));
    };
    {
        // Frames reaching outside a 2x2 screen are clipped to it.
        const DecodedGif gif = artificial("frame-out-of-bounds.gif");
        ASSERT_EQ(gif.frames.size(), 4u);
        EXPECT_EQ(gif.info.width, 2);
        EXPECT_EQ(gif.info.height, 2);
        EXPECT_EQ(rgba(gif.frames[0].image, 0, 0), kClear);
        EXPECT_EQ(rgba(gif.frames[0].image, 1, 0), (Px{0x11, 0x00, 0xff, 0xff}));
        EXPECT_EQ(rgba(gif.frames[0].image, 0, 1), kClear);
        EXPECT_EQ(gif.frames[1].height, 2);  // the stored rectangle, not the clipped one
        EXPECT_EQ(rgba(gif.frames[1].image, 0, 1), (Px{0x00, 0x88, 0xff, 0xff}));
        EXPECT_EQ(differences(gif.frames[3].image, gif.frames[1].image), "");
    }
    {
        // The second frame's transparent middle pixel shows the first frame.
        const DecodedGif gif = artificial("transparent-index.gif");
        ASSERT_EQ(gif.frames.size(), 2u);
        EXPECT_EQ(rgba(gif.frames[0].image, 2, 1), (Px{0xe0, 0, 0, 0xff}));
        EXPECT_EQ(gif.frames[1].transparentIndex, 26);
        EXPECT_EQ(rgba(gif.frames[1].image, 1, 1), (Px{0, 0, 0xff, 0xff}));
        EXPECT_EQ(rgba(gif.frames[1].image, 2, 1), (Px{0xe0, 0, 0, 0xff}));
        EXPECT_EQ(rgba(gif.frames[1].image, 0, 0), (Px{0x80, 0, 0, 0xff}));
        EXPECT_EQ(gif.frames[0].delayCentiseconds, 10);
        EXPECT_EQ(gif.frames[1].delayCentiseconds, 20);
    }
    {
        // Restore to background clears to transparent; the background colour is only reported.
        const DecodedGif gif = artificial("background-color.gif");
        ASSERT_EQ(gif.frames.size(), 2u);
        EXPECT_EQ(gif.info.backgroundIndex, 3);
        ASSERT_TRUE(gif.info.backgroundColor);
        EXPECT_EQ(*gif.info.backgroundColor, (Rgb{0x80, 0xc3, 0xc3}));
        EXPECT_EQ(gif.frames[0].disposal, GifDisposal::RestoreBackground);
        EXPECT_EQ(rgba(gif.frames[0].image, 1, 0), (Px{0x80, 0x00, 0xc1, 0xff}));
        EXPECT_EQ(rgba(gif.frames[1].image, 0, 0), kClear);
        EXPECT_EQ(rgba(gif.frames[1].image, 1, 0), kClear);
        EXPECT_EQ(rgba(gif.frames[1].image, 2, 0), (Px{0x80, 0xc2, 0x00, 0xff}));
    }
    {
        // No palette for the second frame: opaque black.
        const DecodedGif gif = artificial("empty-palette.gif");
        ASSERT_EQ(gif.frames.size(), 2u);
        EXPECT_EQ(rgba(gif.frames[0].image, 0, 0), (Px{0, 0, 0xff, 0xff}));
        EXPECT_EQ(rgba(gif.frames[1].image, 0, 0), (Px{0, 0, 0, 0xff}));
    }
    // The last graphic control block before an image counts, the first loop block does.
    EXPECT_EQ(artificial("multiple-graphic-controls.gif").frames.at(0).delayCentiseconds, 30);
    EXPECT_EQ(artificial("multiple-loop-counts.gif").info.loopCount, std::optional<int>(50));
    EXPECT_EQ(artificial("metadata-full.gif").info.loopCount, std::optional<int>(2000));
    EXPECT_EQ(artificial("metadata-empty.gif").frames.size(), 1u);
    {
        const DecodedGif gif = artificial("small-frame-interlaced.gif");
        ASSERT_EQ(gif.frames.size(), 1u);
        EXPECT_TRUE(gif.frames[0].interlaced);
        EXPECT_EQ(rgba(gif.frames[0].image, 3, 2)[3], 0xff);
        EXPECT_EQ(rgba(gif.frames[0].image, 3, 3), kClear);
        EXPECT_EQ(rgba(gif.frames[0].image, 3, 1), kClear);
    }
    // Pixel data: too little keeps the frame, marked incomplete; too much is ignored.
    for (const char* name : {"pixel-data-none.gif", "pixel-data-not-enough.gif"}) {
        const DecodedGif gif = artificial(name);
        ASSERT_EQ(gif.frames.size(), 1u) << name;
        EXPECT_FALSE(gif.frames[0].complete) << name;
        EXPECT_EQ(rgba(gif.frames[0].image, 1, 1), kClear) << name;
    }
    for (const char* name : {"pixel-data-too-much-good-lzw.gif", "pixel-data-too-much-bad-lzw.gif"}) {
        const DecodedGif gif = artificial(name);
        ASSERT_EQ(gif.frames.size(), 1u) << name;
        EXPECT_TRUE(gif.frames[0].complete) << name;
        EXPECT_EQ(rgba(gif.frames[0].image, 1, 1), (Px{0, 0, 0xff, 0xff})) << name;
    }
    {
        const DecodedGif gif = artificial("zero-width-frame.gif");
        ASSERT_EQ(gif.frames.size(), 1u);
        EXPECT_EQ(gif.frames[0].width, 0);
        EXPECT_EQ(rgba(gif.frames[0].image, 0, 0), kClear);
    }
    auto none = decodeGifFile(shared(QStringLiteral("wuffs/test/data/artificial-gif/no-frames.gif")));
    ASSERT_FALSE(none);
    EXPECT_EQ(none.error().code, ErrorCode::EmptyImage);
}

TEST(GifReader, ScreenOfNoSizeTakesTheFirstFramesExtent)
{
    QTemporaryDir dir;
    QByteArray bytes = makeAnimation(dir);
    bytes[6] = 0;  // screen width 0
    bytes[7] = 0;
    auto gif = decodeGifMemory(bytes);
    ASSERT_TRUE(gif) << gif.error().text().toStdString();
    EXPECT_EQ(gif.value().info.width, 24);
    EXPECT_EQ(gif.value().info.height, 16);
}

TEST(GifReader, DamagedAndHostileFilesEndCleanlyAndQuickly)
{
    // Files made to crash or stall decoders must be dealt with within a second; the real-world
    // animations beside them only have to decode.
    std::vector<std::pair<QString, bool>> files;
    for (const auto& [folder, timed] : {std::pair{QStringLiteral("image-gif/tests/crashtest"), true},
                                        std::pair{QStringLiteral("image-gif/tests/stall"), true},
                                        std::pair{QStringLiteral("image-gif/tests/regression"), true},
                                        std::pair{QStringLiteral("pillow/Tests/images"), true},
                                        std::pair{QStringLiteral("wuffs/test/data/artificial-gif"), true},
                                        std::pair{QStringLiteral("wuffs/test/data"), false}})
        for (const QString& name : QDir(shared(folder)).entryList({QStringLiteral("*.gif")}, QDir::Files))
            files.emplace_back(shared(folder + QLatin1Char('/') + name), timed);
    ASSERT_GT(files.size(), 60u);

    for (const auto& [path, timed] : files) {
        SCOPED_TRACE(path.toStdString());
        const auto start = std::chrono::steady_clock::now();
        auto decoder = GifDecoder::openFile(path);
        int frames = 0;
        if (decoder) {
            GifDecoder& gif = decoder.value();
            EXPECT_GT(gif.frameCount(), 0);
            while (auto frame = gif.nextFrame()) {
                EXPECT_EQ(frame->index, frames);
                EXPECT_EQ(frame->image.width, gif.width());
                EXPECT_EQ(frame->image.height, gif.height());
                EXPECT_EQ(frame->image.pixels.size(), std::size_t(gif.width()) * gif.height() * 4);
                ++frames;
            }
            EXPECT_EQ(frames, gif.frameCount());
        } else {
            const ErrorCode code = decoder.error().code;
            EXPECT_TRUE(code == ErrorCode::CorruptData || code == ErrorCode::LimitExceeded || code == ErrorCode::EmptyImage)
                << decoder.error().text().toStdString();
        }
        if (timed) {
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        }
    }

    // What the crafted files are refused for.
    const auto codeOf = [](const QString& relative) {
        auto result = GifDecoder::openFile(shared(relative));
        return result ? ErrorCode{} : result.error().code;
    };
    EXPECT_EQ(codeOf(QStringLiteral("image-gif/tests/stall/issue-101-infinite-empty-loop.gif")), ErrorCode::LimitExceeded);
    EXPECT_EQ(codeOf(QStringLiteral("image-gif/tests/crashtest/issue-96-small-codesize-2.gif")), ErrorCode::LimitExceeded);
    EXPECT_EQ(codeOf(QStringLiteral("pillow/Tests/images/decompression_bomb.gif")), ErrorCode::CorruptData);
}

TEST(GifReader, TruncatedFilesKeepEveryFrameTheyHold)
{
    QTemporaryDir dir;
    const QByteArray full = makeAnimation(dir, 5);
    auto reference = decodeGifMemory(full);
    ASSERT_TRUE(reference);
    const auto& expected = reference.value().frames;
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_FALSE(reference.value().info.truncated);

    int completeBefore = 0;
    for (qsizetype length = 0; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        auto gif = decodeGifMemory(full.left(length));
        if (!gif) {
            EXPECT_TRUE(gif.error().code == ErrorCode::CorruptData || gif.error().code == ErrorCode::UnsupportedFormat);
            EXPECT_EQ(completeBefore, 0);
            continue;
        }
        const auto& frames = gif.value().frames;
        EXPECT_TRUE(gif.value().info.truncated);
        ASSERT_LE(frames.size(), 5u);
        int complete = 0;
        for (std::size_t k = 0; k < frames.size(); ++k) {
            if (frames[k].complete) {
                ++complete;
                EXPECT_EQ(differences(frames[k].image, expected[k].image), "") << "frame " << k;
            } else {
                // Only the last frame can be cut short, and only inside its own rectangle.
                EXPECT_EQ(k + 1, frames.size());
                const GifFrame& f = frames[k];
                for (int y = 0; y < f.image.height; ++y)
                    for (int x = 0; x < f.image.width; ++x) {
                        const bool inside = x >= f.left && x < f.left + f.width && y >= f.top && y < f.top + f.height;
                        if (!inside) {
                            ASSERT_EQ(rgba(f.image, x, y), rgba(expected[k].image, x, y)) << x << "," << y;
                        }
                    }
            }
        }
        EXPECT_GE(complete, completeBefore);
        completeBefore = complete;
    }
    EXPECT_EQ(completeBefore, 5);
}

TEST(GifReader, CorruptedBytesNeverCrashOrHang)
{
    QTemporaryDir dir;
    const QByteArray full = makeAnimation(dir, 4);
    std::mt19937 random(2024);
    GifDecodeLimits limits;
    limits.maxScreenPixels = 1 << 20;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = full;
        for (int n = 1 + int(random() % 4); n > 0; --n)
            bytes[qsizetype(random() % bytes.size())] = char(random());
        auto decoder = GifDecoder::openMemory(bytes, limits);
        if (!decoder)
            continue;
        int frames = 0;
        while (auto frame = decoder.value().nextFrame()) {
            ASSERT_EQ(frame->image.pixels.size(), std::size_t(decoder.value().width()) * decoder.value().height() * 4);
            ++frames;
        }
        EXPECT_EQ(frames, decoder.value().frameCount());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(GifReader, RefusesWhatExceedsTheLimits)
{
    QTemporaryDir dir;
    const QByteArray small = makeAnimation(dir, 3);
    const auto withScreen = [&small](int width, int height) {
        QByteArray bytes = small;
        bytes[6] = char(width & 0xff);
        bytes[7] = char(width >> 8);
        bytes[8] = char(height & 0xff);
        bytes[9] = char(height >> 8);
        return bytes;
    };
    const auto codeOf = [](const QByteArray& bytes, const GifDecodeLimits& limits) {
        auto result = GifDecoder::openMemory(bytes, limits);
        return result ? ErrorCode{} : result.error().code;
    };
    const GifDecodeLimits defaults;
    EXPECT_EQ(codeOf(withScreen(16385, 1), defaults), ErrorCode::LimitExceeded);
    EXPECT_EQ(codeOf(withScreen(9000, 9000), defaults), ErrorCode::LimitExceeded);
    EXPECT_EQ(codeOf(withScreen(16384, 16), defaults), ErrorCode{});

    GifDecodeLimits fewFrames;
    fewFrames.maxFrames = 2;
    EXPECT_EQ(codeOf(small, fewFrames), ErrorCode::LimitExceeded);
    fewFrames.maxFrames = 3;
    EXPECT_EQ(codeOf(small, fewFrames), ErrorCode{});

    GifDecodeLimits fewPixels;
    fewPixels.maxFramePixels = 24 * 16 - 1;  // the first frame fills the screen
    EXPECT_EQ(codeOf(small, fewPixels), ErrorCode::LimitExceeded);
    fewPixels = {};
    fewPixels.maxTotalFramePixels = 24 * 16;
    EXPECT_EQ(codeOf(small, fewPixels), ErrorCode::LimitExceeded);

    // Holding all frames is checked separately from streaming them.
    GifDecodeLimits lowMemory;
    lowMemory.maxHeldBytes = 3 * 24 * 16 * 4 - 1;
    EXPECT_EQ(codeOf(small, lowMemory), ErrorCode{});
    auto all = decodeGifMemory(small, lowMemory);
    ASSERT_FALSE(all);
    EXPECT_EQ(all.error().code, ErrorCode::LimitExceeded);
}

TEST(GifReader, StreamsFramesInAnyOrder)
{
    QTemporaryDir dir;
    const QByteArray bytes = makeAnimation(dir, 6);
    const QString path = dir.filePath(QStringLiteral("made.gif"));
    auto all = decodeGifFile(path);
    ASSERT_TRUE(all);
    const auto& frames = all.value().frames;
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(all.value().info.loopCount, std::optional<int>(2));
    for (std::size_t k = 0; k < frames.size(); ++k) {
        EXPECT_EQ(frames[k].delayCentiseconds, int(3 + k));
        EXPECT_EQ(frames[k].disposal, static_cast<GifDisposal>(1 + k % 3));
    }

    auto opened = GifDecoder::openMemory(bytes);
    ASSERT_TRUE(opened);
    GifDecoder& decoder = opened.value();
    for (const int k : {4, 1, 5, 5, 0, 3, 2}) {
        auto frame = decoder.frameAt(k);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame.value().index, k);
        EXPECT_EQ(differences(frame.value().image, frames[std::size_t(k)].image), "") << "frame " << k;
    }
    EXPECT_EQ(decoder.frameAt(-1).error().code, ErrorCode::InvalidArgument);
    EXPECT_EQ(decoder.frameAt(6).error().code, ErrorCode::InvalidArgument);

    // After the last frame there is no other; rewinding plays it all again.
    ASSERT_TRUE(decoder.frameAt(5));
    EXPECT_FALSE(decoder.nextFrame());
    decoder.rewind();
    EXPECT_EQ(decoder.nextFrameIndex(), 0);
    int count = 0;
    while (auto frame = decoder.nextFrame())
        EXPECT_EQ(differences(frame->image, frames[std::size_t(count++)].image), "");
    EXPECT_EQ(count, 6);
}

TEST(GifReader, LongAnimationsStreamWithTheirFrameCount)
{
    QTemporaryDir dir;
    const QByteArray bytes = makeAnimation(dir, 1000);
    auto opened = GifDecoder::openMemory(bytes);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened.value().frameCount(), 1000);
    auto last = opened.value().frameAt(999);
    ASSERT_TRUE(last);
    EXPECT_EQ(last.value().delayCentiseconds, 1002);
}

TEST(GifReader, ReportsFilesItCannotRead)
{
    QTemporaryDir dir;
    auto missing = GifDecoder::openFile(dir.filePath(QStringLiteral("nothing here.gif")));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ErrorCode::FileNotFound);

    auto png = GifDecoder::openFile(shared(kWuffs + QStringLiteral("pjw-thumbnail.png")));
    ASSERT_FALSE(png);
    EXPECT_EQ(png.error().code, ErrorCode::UnsupportedFormat);

    auto empty = GifDecoder::openMemory(QByteArray());
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error().code, ErrorCode::CorruptData);
}

// The block walk finds every image as stored (place, table, transparency, compressed pixels) and
// copes with data cut anywhere: the images before the cut, never a crash.
TEST(GifReader, StoredImagesAreFoundWithoutDecompressing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("blocks.gif"));
    GifScreen screen;
    screen.width = 12;
    screen.height = 9;
    screen.globalPalette = {Rgb{1, 2, 3}, Rgb{4, 5, 6}, Rgb{7, 8, 9}};
    GifStreamWriter writer;
    ASSERT_TRUE(writer.open(path, screen));
    GifFrameDescription a;
    a.image.width = 5;
    a.image.height = 4;
    a.image.indices.assign(20, 1);
    a.image.transparentIndex = 3;
    a.useGlobalPalette = true;
    a.left = 2;
    a.top = 3;
    ASSERT_TRUE(writer.addFrame(a));
    GifFrameDescription b;
    b.image.width = 12;
    b.image.height = 9;
    b.image.palette.assign(17, Rgb{200, 100, 0});
    for (int i = 0; i < 108; ++i)
        b.image.indices.push_back(static_cast<std::uint8_t>(i % 17));
    ASSERT_TRUE(writer.addFrame(b));
    ASSERT_TRUE(writer.finish());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const std::vector<GifStoredImage> images = findStoredImages(bytes);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].left, 2);
    EXPECT_EQ(images[0].top, 3);
    EXPECT_EQ(images[0].width, 5);
    EXPECT_EQ(images[0].height, 4);
    EXPECT_FALSE(images[0].localPalette);
    ASSERT_EQ(images[0].palette.size(), 4u);
    EXPECT_EQ(images[0].palette[2], (Rgb{7, 8, 9}));
    EXPECT_EQ(images[0].transparentIndex, 3);
    EXPECT_EQ(images[0].pixels.minCodeSize, 2);
    EXPECT_TRUE(images[1].localPalette);
    EXPECT_EQ(images[1].palette.size(), 32u);
    EXPECT_EQ(images[1].transparentIndex, -1);  // the first image's control block is not the second's
    EXPECT_EQ(images[1].pixels.minCodeSize, 5);
    EXPECT_EQ(findFirstStoredImage(bytes)->pixels.subBlocks, images[0].pixels.subBlocks);
    // The compressed pixels end exactly where the next block starts.
    const qsizetype end = bytes.indexOf(images[1].pixels.subBlocks) + images[1].pixels.subBlocks.size();
    EXPECT_EQ(end, bytes.size() - 1);  // then the trailer

    std::size_t previous = 0;
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
        const std::vector<GifStoredImage> found = findStoredImages(bytes.left(cut));
        EXPECT_GE(found.size(), previous) << "cut at " << cut;
        previous = found.size();
        for (std::size_t k = 0; k < found.size(); ++k)
            EXPECT_EQ(found[k].pixels.subBlocks, images[k].pixels.subBlocks) << "cut at " << cut;
    }
    EXPECT_EQ(previous, 2u);
    EXPECT_FALSE(findFirstStoredImage(QByteArray("GIF89a")));
    EXPECT_FALSE(findFirstStoredImage(QByteArray("not a GIF at all, just words")));
}
