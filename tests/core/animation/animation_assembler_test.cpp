// Assembling one-image GIFs into an animation: every frame a viewer shows must be exactly the
// intended picture, whatever the optimisation stored; plus the file-level promises (loop block,
// delays, size, untouched output on failure, progress).
#include "core/animation/animation_assembler.h"
#include "core/gif/gif_reader.h"
#include "core/gif/gif_writer.h"
#include "core/imaging/quantizer.h"

#include "support/results.h"
#include "support/test_pictures.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <bit>
#include <optional>
#include <random>

using namespace pictoreel;
using namespace pictoreel::testing;

namespace {

// The picture as a one-image GIF stores it: each colour exactly, transparent pixels on a slot
// of their own.
IndexedImage toIndexed(const RgbaImage& picture)
{
    QuantizeOptions options;
    for (std::size_t i = 3; i < picture.pixels.size() && !options.reserveTransparent; i += 4)
        options.reserveTransparent = picture.pixels[i] == 0;
    Result<IndexedImage> image = quantizeImage(picture, options);
    EXPECT_TRUE(image);
    return image ? std::move(image).value() : IndexedImage{};
}

const Rgb kSky{90, 160, 230}, kGrass{40, 140, 60}, kRed{220, 30, 30}, kYellow{250, 220, 40};

// A landscape with a small square at (x, y).
RgbaImage scene(int w, int h, int x, int y, Rgb square = kRed)
{
    RgbaImage img = solidPicture(w, h, kSky);
    fillRect(img, 0, h * 2 / 3, w, h, kGrass);
    fillRect(img, x, y, 4, 4, square);
    return img;
}

// What the screen must show for a picture of another size: placed at the top left, clipped or
// padded with transparency.
RgbaImage onScreen(const RgbaImage& picture, int w, int h)
{
    RgbaImage out(w, h);
    for (int y = 0; y < std::min(h, picture.height); ++y)
        for (int x = 0; x < std::min(w, picture.width); ++x)
            std::copy_n(picture.pixel(x, y), 4, out.pixel(x, y));
    return out;
}

struct Fixture {
    QTemporaryDir dir;
    int written = 0;
    QString path(const QString& name) const { return dir.filePath(name); }

    QString writeFrame(const RgbaImage& picture)
    {
        const QString file = path(QStringLiteral("frame%1.gif").arg(written++));
        EXPECT_TRUE(writeSingleImageGif(file, toIndexed(picture)));
        return file;
    }

    // Frames without picture are nullopt.
    std::vector<AnimationFrameSource> writeFrames(const std::vector<std::optional<RgbaImage>>& pictures)
    {
        std::vector<AnimationFrameSource> frames;
        for (std::size_t k = 0; k < pictures.size(); ++k)
            frames.push_back({pictures[k] ? writeFrame(*pictures[k]) : QString(), int(5 + k)});
        return frames;
    }
};

// Pictures a viewer must show for `pictures`: missing ones repeat the previous picture, missing
// ones at the start show a transparent screen of the first picture's size.
std::vector<RgbaImage> intendedScreens(const std::vector<std::optional<RgbaImage>>& pictures)
{
    const auto first = *std::find_if(pictures.begin(), pictures.end(), [](const auto& p) { return p.has_value(); });
    const int w = first->width, h = first->height;
    std::vector<RgbaImage> screens;
    RgbaImage shown(w, h);
    for (const auto& p : pictures)
        screens.push_back(shown = p ? onScreen(*p, w, h) : shown);
    return screens;
}

// Assembles `pictures` and checks every shown frame, its delay and that the decode is complete.
DecodedGif assembleAndCheck(Fixture& f, const std::vector<std::optional<RgbaImage>>& pictures,
                            std::optional<int> loop = 0)
{
    const std::vector<AnimationFrameSource> frames = f.writeFrames(pictures);
    const QString out = f.path(QStringLiteral("out.gif"));
    const Status s = AnimationAssembler(frames, AnimationSettings{loop}).save(out);
    EXPECT_TRUE(s) << (s ? "" : s.error().text().toStdString());
    DecodedGif gif = decodeGifFile(out).value();
    const std::vector<RgbaImage> expected = intendedScreens(pictures);
    EXPECT_EQ(gif.frames.size(), expected.size());
    EXPECT_FALSE(gif.info.truncated);
    for (std::size_t k = 0; k < std::min(gif.frames.size(), expected.size()); ++k) {
        EXPECT_TRUE(gif.frames[k].complete) << "frame " << k;
        EXPECT_EQ(comparePictures(gif.frames[k].image, expected[k]), "") << "frame " << k;
        EXPECT_EQ(gif.frames[k].delayCentiseconds, frames[k].delayCentiseconds) << "frame " << k;
    }
    return gif;
}

// Random pixels over `colours` colours of a ramp starting at `shift`.
RgbaImage noisePicture(int w, int h, int colours, int shift, std::uint32_t seed)
{
    std::mt19937 random(seed);
    return makePicture(w, h, [&](int, int) {
        const int c = shift + int(random() % unsigned(colours));
        return Rgb{std::uint8_t(c), std::uint8_t(255 - c), std::uint8_t(c * 7)};
    });
}

QStringList filesIn(const QTemporaryDir& dir) { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

}  // namespace

TEST(AnimationAssembler, StillAndMovingPicturesShowExactlyWithSmallRectangles)
{
    Fixture f;
    std::vector<std::optional<RgbaImage>> pictures{scene(40, 30, 2, 2), scene(40, 30, 2, 2)};  // still
    for (int x = 4; x < 30; x += 3)
        pictures.push_back(scene(40, 30, x, 5 + x / 4));  // moving
    pictures.insert(pictures.end(), 2, scene(40, 30, 31, 12, kYellow));  // same place, new colour
    const DecodedGif gif = assembleAndCheck(f, pictures);
    // The first frame covers the screen; a still frame stores one pixel; a moving square stores
    // little more than the old and new squares.
    ASSERT_EQ(gif.frames.size(), pictures.size());
    EXPECT_EQ(std::pair(gif.frames[0].width * gif.frames[0].height, gif.frames[1].width * gif.frames[1].height), std::pair(40 * 30, 1));
    for (std::size_t k = 2; k < gif.frames.size(); ++k)
        EXPECT_TRUE(gif.frames[k].width <= 8 && gif.frames[k].height <= 8 && gif.frames[k].disposal == GifDisposal::DoNotDispose) << k;
}

// Random sequences of small pictures with transparency, other sizes and missing pictures, checked
// frame by frame: the optimiser's choices must never change what is shown.
TEST(AnimationAssembler, RandomSequencesShowEveryPictureExactly)
{
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        auto pick = [&](int n) { return int(random() % std::uint32_t(n)); };
        const int w = 6 + pick(10), h = 4 + pick(8);
        const Rgb palette[] = {kSky, kGrass, kRed, kYellow, Rgb{0, 0, 0}};
        std::vector<std::optional<RgbaImage>> pictures;
        RgbaImage last = solidPicture(w, h, kSky);
        const int count = 2 + pick(8);
        for (int k = 0; k < count; ++k) {
            const int kind = pick(10);
            if (kind == 0) {
                pictures.push_back(std::nullopt);
                continue;
            }
            RgbaImage p = kind < 5 ? last : RgbaImage(kind == 5 ? w + pick(3) - 1 : w, kind == 5 ? h + pick(3) - 1 : h);
            for (int blob = pick(4); blob >= 0; --blob) {
                const bool hole = pick(3) == 0;
                fillRect(p, pick(p.width), pick(p.height), 1 + pick(4), 1 + pick(4), palette[pick(5)], hole ? 0 : 255);
            }
            if (kind != 5)
                last = p;
            pictures.push_back(p);
        }
        if (std::none_of(pictures.begin(), pictures.end(), [](const auto& p) { return p.has_value(); }))
            pictures.push_back(last);
        Fixture f;
        assembleAndCheck(f, pictures, seed % 2 ? std::optional<int>(0) : std::nullopt);
        if (::testing::Test::HasFailure())
            break;
    }
}

// Delays are checked with every assembly above, loop blocks where the player plays them; values a
// GIF cannot store are refused before anything is written.
TEST(AnimationAssembler, ValuesAGifCannotStoreAreRefusedBeforeWriting)
{
    Fixture f;
    const QString a = f.writeFrame(scene(10, 10, 1, 1)), b = f.writeFrame(scene(10, 10, 5, 5));
    const QString out = f.path(QStringLiteral("loop.gif"));
    for (const auto& [frames, loop] : std::vector<std::pair<std::vector<AnimationFrameSource>, std::optional<int>>>{
             {{{a, 1}}, 65536}, {{{a, 1}}, -1}, {{{a, 1}, {b, -1}}, 0}, {{{a, 65536}}, 0}})
        EXPECT_EQ(codeOf(AnimationAssembler(frames, AnimationSettings{loop}).save(out)), ErrorCode::InvalidArgument);
    EXPECT_FALSE(QFile::exists(out));
    ASSERT_TRUE(AnimationAssembler({{a, 65535}, {QString(), 0}}, AnimationSettings{65535}).save(out));
    EXPECT_EQ(decodeGifFile(out).value().info.loopCount, 65535);
}

TEST(AnimationAssembler, AThousandFramesStreamThrough)
{
    Fixture f;
    // A few distinct cache files used over and over, as a long project of repeated pictures is.
    std::vector<QString> files;
    std::vector<RgbaImage> pictures;
    for (int i = 0; i < 16; ++i) {
        pictures.push_back(scene(64, 48, 3 * i, i % 2 ? 30 : 10));
        files.push_back(f.writeFrame(pictures.back()));
    }
    std::vector<AnimationFrameSource> frames;
    for (int k = 0; k < 1000; ++k)
        frames.push_back({k % 97 == 5 ? QString() : files[std::size_t(k * 7 % 16)], 2 + k % 3});
    const QString out = f.path(QStringLiteral("long.gif"));
    // Progress rises strictly, at most 101 times, to exactly one 100 once the file is in place.
    std::vector<int> events;
    ASSERT_TRUE(AnimationAssembler(frames, AnimationSettings{0}).save(out, [&](int p) {
        EXPECT_TRUE(p < 100 || QFile::exists(out));
        events.push_back(p);
        return true;
    }));
    EXPECT_TRUE(events.size() <= 101u && events.back() == 100);
    EXPECT_EQ(std::adjacent_find(events.begin(), events.end(), [](int a, int b) { return b <= a; }), events.end());

    // Checked with the streaming decoder, one frame at a time.
    Result<GifDecoder> decoder = GifDecoder::openFile(out);
    ASSERT_TRUE(decoder);
    ASSERT_EQ(decoder.value().frameCount(), 1000);
    for (int k = 0, shown = -1; k < 1000; ++k) {
        std::optional<GifFrame> frame = decoder.value().nextFrame();
        shown = frames[std::size_t(k)].fileName.isEmpty() ? shown : k * 7 % 16;
        ASSERT_TRUE(frame && frame->delayCentiseconds == 2 + k % 3) << k;
        ASSERT_EQ(comparePictures(frame->image, pictures[std::size_t(shown)]), "") << "frame " << k;
    }
}

TEST(AnimationAssembler, AFrameThatCannotBeReadFailsAndLeavesTheOutputAlone)
{
    Fixture f;
    const QString good = f.writeFrame(scene(10, 10, 1, 1));
    const QString notAGif = f.path(QStringLiteral("not a gif.gif")), truncated = f.path(QStringLiteral("truncated.gif"));
    const QString missing = f.path(QStringLiteral("gone.gif")), out = f.path(QStringLiteral("out.gif"));
    const QByteArray whole = fileContents(f.writeFrame(scene(10, 10, 4, 4))), earlier("an earlier good animation");
    ASSERT_TRUE(writeFileContents(notAGif, QByteArray("this is not a picture")) && writeFileContents(out, earlier) &&
                writeFileContents(truncated, whole.left(whole.size() / 2)));
    const QStringList before = filesIn(f.dir);
    std::vector<int> events;

    // The frames, the error, the file the message must name and its position.
    const std::tuple<std::vector<AnimationFrameSource>, ErrorCode, QString, const char*> cases[] = {
        {{{good, 1}, {good, 1}, {notAGif, 1}}, ErrorCode::UnsupportedFormat, notAGif, "Frame 3"},
        {{{good, 1}, {truncated, 1}, {good, 1}}, ErrorCode::CorruptData, truncated, "Frame 2"},
        {{{QString(), 1}, {missing, 1}}, ErrorCode::FileNotFound, missing, "Frame 2"},
    };
    for (const auto& [frames, code, named, position] : cases) {
        SCOPED_TRACE(named.toStdString());
        events.clear();
        const Status s = AnimationAssembler(frames, {}).save(out, [&](int p) {
            events.push_back(p);
            return true;
        });
        ASSERT_EQ(codeOf(s), code);
        EXPECT_TRUE(s.error().message.contains(named) && s.error().message.contains(QLatin1String(position)))
            << s.error().text().toStdString();
        EXPECT_EQ(std::count(events.begin(), events.end(), 100), 0);
        EXPECT_EQ(fileContents(out), earlier);
        EXPECT_EQ(filesIn(f.dir), before);  // no temporary file left behind
    }

    // Cancelled at the third progress event.
    events.clear();
    const Status cancelled = AnimationAssembler(std::vector<AnimationFrameSource>(7, {good, 4}), {}).save(out, [&](int p) {
        events.push_back(p);
        return events.size() < 3;
    });
    EXPECT_EQ(std::pair(codeOf(cancelled), events.size()), std::pair(ErrorCode::Cancelled, std::size_t(3)));
    // Nothing to write at all; an output folder that does not exist.
    EXPECT_EQ(codeOf(AnimationAssembler({{QString(), 1}, {QString(), 2}}, {}).save(out)), ErrorCode::EmptyImage);
    EXPECT_EQ(codeOf(AnimationAssembler({{good, 1}}, {}).save(f.path(QStringLiteral("no/such/folder/x.gif")))), ErrorCode::FileWriteFailed);
    EXPECT_EQ(fileContents(out), earlier);
}

// A picture none of whose colours is on the screen is copied as its file stores it, undecoded;
// the screen it leaves is decoded when a later frame changes only a few pixels of it.
TEST(AnimationAssembler, PicturesCopiedAsStoredLeaveTheRightScreen)
{
    Fixture f;
    const RgbaImage noise = noisePicture(40, 30, 200, 0, 7), other = noisePicture(40, 30, 50, 200, 12);
    RgbaImage dotted = other, holed = other;
    fillRect(dotted, 10, 12, 6, 1, colourAt(other, 39, 29));
    fillRect(holed, 5, 5, 10, 4, Rgb{}, 0);
    assembleAndCheck(f, {noise, other, dotted, std::nullopt, noise, holed, RgbaImage(40, 30), noise});
    const std::vector<GifStoredImage> images = findStoredImages(fileContents(f.path(QStringLiteral("out.gif"))));
    ASSERT_EQ(images.size(), 8u);
    EXPECT_EQ(images[1].pixels.subBlocks, findFirstStoredImage(fileContents(f.path(QStringLiteral("frame1.gif"))))->pixels.subBlocks);
    EXPECT_LE(images[2].width * images[2].height, 6);  // the dots, against the copied screen
}

// A frame disposed to background names a transparent index, for decoders that otherwise clear
// its rectangle to the background colour: one its table leaves unused (three colours), one added
// to a full table of four, or, when a photo uses all 256 entries, that of its rarest colour,
// whose one pixel then takes the nearest colour.
TEST(AnimationAssembler, FramesDisposedToBackgroundNameATransparentIndex)
{
    const auto rampColour = [](int c) { return Rgb{std::uint8_t(c), std::uint8_t(255 - c), std::uint8_t(c * 7)}; };
    constexpr int kRare = 510;  // the one pixel of colour 255
    const RgbaImage full = makePicture(32, 16, [&](int x, int y) {
        const int i = y * 32 + x;
        return rampColour(i < kRare ? i / 2 : i == kRare ? 255 : 0);
    });
    RgbaImage barred = solidPicture(32, 16, kGrass);
    fillRect(barred, 0, 0, 8, 16, Rgb{}, 0);
    const RgbaImage three = scene(32, 16, 3, 3);
    RgbaImage four = three;
    fillRect(four, 20, 3, 2, 2, kYellow);
    const std::vector<RgbaImage> pictures{full, barred, full, barred, four, barred, three, barred};

    Fixture f;
    std::vector<std::optional<RgbaImage>> frames(pictures.begin(), pictures.end());
    const QString out = f.path(QStringLiteral("out.gif"));
    ASSERT_TRUE(AnimationAssembler(f.writeFrames(frames), AnimationSettings{0}).save(out));
    const DecodedGif gif = decodeGifFile(out).value();
    ASSERT_EQ(gif.frames.size(), pictures.size());
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        SCOPED_TRACE(k);
        const GifFrame& frame = gif.frames[k];
        EXPECT_EQ(frame.disposal == GifDisposal::RestoreBackground, k % 2 == 0);
        if (frame.disposal == GifDisposal::RestoreBackground)
            EXPECT_GE(frame.transparentIndex, 0);
        if (k == 0 || k == 2) {
            RgbaImage expected = full;
            const Rgb nearest = rampColour(254);
            std::copy_n(std::array<std::uint8_t, 4>{nearest.r, nearest.g, nearest.b, 255}.data(), 4,
                        expected.pixel(kRare % 32, kRare / 32));
            EXPECT_EQ(comparePictures(frame.image, expected), "");
        } else {
            EXPECT_EQ(comparePictures(frame.image, pictures[k]), "");
        }
    }
}

// Frame files that are not one image covering their screen (here 256 colours inside a larger,
// transparent screen) are decoded in full, never copied.
TEST(AnimationAssembler, FrameFilesOfOtherLayoutsAreDecodedNotCopied)
{
    Fixture f;
    const QString offsetFile = f.path(QStringLiteral("offset.gif"));
    RgbaImage expectedOffset(24, 20);
    GifStreamWriter writer;
    ASSERT_TRUE(writer.open(offsetFile, GifScreen{24, 20, std::nullopt, {}}));
    GifFrameDescription frame{.image = IndexedImage{16, 16, {}, {}, -1}, .left = 3, .top = 2, .compressed = {}};
    for (int i = 0; i < 256; ++i) {
        frame.image.palette.push_back(Rgb{std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)});
        frame.image.indices.push_back(std::uint8_t(i));
        setPixel(expectedOffset, 3 + i % 16, 2 + i / 16, frame.image.palette.back());
    }
    ASSERT_TRUE(writer.addFrame(frame) && writer.finish());
    const RgbaImage second = noisePicture(24, 20, 50, 9, 4);
    const QString out = f.path(QStringLiteral("out.gif"));
    ASSERT_TRUE(AnimationAssembler({{offsetFile, 10}, {f.writeFrame(second), 10}, {offsetFile, 10}}, {}).save(out));
    const DecodedGif gif = decodeGifFile(out).value();
    ASSERT_EQ(gif.frames.size(), 3u);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(comparePictures(gif.frames[std::size_t(k)].image, k == 1 ? second : expectedOffset), "") << "frame " << k;
}

// Flat graphics whose frames change to colours the first frame lacks share one global table.
// Most frames recolour a square with the same eight colours; every fifth also draws twelve colours
// of its own. The eight come first in the table, so the frames of those alone start their codes
// at 3 bits; then each fifth frame's twelve in turn, so the first of them reach entry 19 (5 bits),
// not the table's 128th; every frame shows exactly.
TEST(AnimationAssembler, FramesOnTheSharedTableStartTheirCodesAsNarrowAsTheirEntries)
{
    Fixture f;
    const RgbaImage base = makePicture(48, 32, [](int x, int y) { return Rgb{std::uint8_t((y * 48 + x) % 192), 0, 64}; });
    std::vector<std::optional<RgbaImage>> pictures{base};
    RgbaImage picture = base;
    for (int k = 1; k <= 40; ++k) {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                setPixel(picture, 4 + x, 4 + y, Rgb{250, 250, std::uint8_t(200 + (x + y + k) % 8)});
        for (int j = 0; k % 5 == 0 && j < 12; ++j)
            setPixel(picture, 30 + j % 4, 20 + j / 4, Rgb{std::uint8_t(10 + k), 200, std::uint8_t(j * 15)});
        pictures.push_back(picture);
    }
    assembleAndCheck(f, pictures);
    const std::vector<GifStoredImage> images = findStoredImages(fileContents(f.path(QStringLiteral("out.gif"))));
    ASSERT_EQ(images.size(), pictures.size());
    for (std::size_t k = 1; k < images.size(); ++k) {
        EXPECT_FALSE(images[k].localPalette) << k;
        const int highestEntry = k % 5 ? 7 : 8 + 12 * int(k / 5) - 1;
        EXPECT_EQ(images[k].pixels.minCodeSize, std::bit_width(unsigned(highestEntry))) << k;
    }
}

// A video's frames are planned as they come: the first is written before the frames after the
// next one are asked for, so that the assembly runs beside their conversions.
TEST(AnimationAssembler, APhotosFramesArePlannedAsTheyCome)
{
    constexpr int kW = 96, kH = 64;
    constexpr std::size_t kFrames = 6;
    std::mt19937 noise(3);
    std::uniform_int_distribution<int> grain(-6, 6);
    const RgbaImage photo = makePicture(kW, kH, [&](int x, int y) {
        return Rgb{std::uint8_t(60 + x + grain(noise)), std::uint8_t(50 + 2 * y + grain(noise)), std::uint8_t(140 + grain(noise))};
    });
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("frame.gif"));
    ASSERT_TRUE(writeSingleImageGif(file, quantizeImage(photo).value()));
    const auto source = std::make_shared<const RgbaImage>(photo);
    std::size_t asked = 0, askedWhenFirstWritten = kFrames;
    AnimationFrames frames(std::vector<int>(kFrames, 10), [&](std::size_t k) {
        asked = std::max(asked, k);
        return MadeFrame{file, nullptr, source};
    });
    ASSERT_TRUE(AnimationAssembler(std::move(frames), AnimationSettings{}).save(dir.filePath(QStringLiteral("out.gif")), [&](int) {
        askedWhenFirstWritten = std::min(askedWhenFirstWritten, asked);
        return true;
    }));
    EXPECT_LT(askedWhenFirstWritten, kFrames - 1);
}
