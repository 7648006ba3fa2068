// Making a project's GIF: the loop count, the frames and what a refused, failed or stopped make
// leaves.
#include "core/production/make_gif.h"

#include "core/gif/gif_reader.h"
#include "support/files.h"
#include "support/results.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>


#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

namespace pictoreel {
namespace {

using testing::codeOf;
using testing::solidPicture;
using testing::writeBmp;

class MakeGif : public ::testing::Test {
protected:
    void SetUp() override
    {
        options.tempFolder = dir.filePath("temp") + "/";
        QDir().mkpath(options.tempFolder);
        options.jobs = 2;
        properties.width = "24";
        properties.height = "18";
    }
    void addPicture(const QString& name, Rgb colour, int interval = 10)
    {
        writeBmp(dir.filePath(name), solidPicture(30, 20, colour));
        addRow(name, interval);
    }
    void addRow(const QString& name, int interval = 10)
    {
        frames.AddFrameFromString(QStringLiteral("%1;NO;0;%2;%3/").arg(interval).arg(name, dir.path()));
    }
    Result<MakeReport> make(const QString& output, const MakeEvents& events = {})
    {
        return makeAnimatedGif(frames, properties, output, options, events);
    }
    QTemporaryDir dir;
    FrameList frames;
    ProjectProperties properties;
    MakeOptions options;
};

// The loop text is read with the program's number rule and held to what a GIF stores; what is
// not a count asks for no loop block. A ticked "Loop Infinitely" wins over any text.
TEST(MakeGifLoop, LoopCountComesFromTheTickOrTheText)
{
    ProjectProperties p;
    for (const auto& [tick, text, expected] : std::vector<std::tuple<int, const char*, std::optional<int>>>{
             {kLoopUnticked, "0", 0}, {kLoopUnticked, "2.5", 2}, {kLoopUnticked, "70000", 65535},
             {kLoopUnticked, "-1", std::nullopt}, {kLoopUnticked, "abc", std::nullopt}, {kLoopUnticked, "", std::nullopt},
             {kLoopTicked, "abc", 0}, {kLoopGreyed, "7", 7}}) {
        p.loopInfinitely = tick;
        p.loopTimes = QString::fromLatin1(text);
        EXPECT_EQ(loopCountFor(p), expected) << tick << " " << text;
    }
}

TEST_F(MakeGif, EveryRowBecomesAFrameWithItsDelayAndMissingPicturesKeepTheLastOne)
{
    addPicture("red.bmp", {255, 0, 0}, 50);
    addRow("gone.bmp", 20);
    addPicture("blue.bmp", {0, 0, 255}, 30);
    frames.setChecked(2, true);  // ticks do not matter
    const QString out = dir.filePath("out.gif");
    const auto report = make(out);
    ASSERT_TRUE(report.ok()) << report.error().message.toStdString();
    EXPECT_EQ(std::tuple(report.value().frames, report.value().converted, report.value().missing.size()), std::tuple(3, 2, 1u));
    EXPECT_EQ(std::pair(report.value().missing.at(0).row, report.value().missing.at(0).picture), std::pair(2, dir.filePath("gone.bmp")));

    const DecodedGif gif = decodeGifFile(out).value();
    EXPECT_EQ(std::tuple(gif.info.width, gif.info.height, gif.info.loopCount), std::tuple(24, 18, std::optional<int>(0)));
    ASSERT_EQ(gif.frames.size(), 3u);
    const int delays[] = {50, 20, 30}, reds[] = {255, 255, 0};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(std::pair(gif.frames[i].delayCentiseconds, int(gif.frames[i].image.pixel(5, 5)[0])), std::pair(delays[i], reds[i])) << i;
}

// One name in two folders gives two pictures. (That an edit shows in the next make is the frame
// cache's and the animation cache's own tests.)
TEST_F(MakeGif, SameNamedPicturesOfTwoFoldersAreTwoPictures)
{
    for (const auto& [folder, colour] : {std::pair{"trip1", Rgb{255, 0, 0}}, {"trip2", Rgb{0, 0, 255}}}) {
        QDir().mkpath(dir.filePath(folder));
        writeBmp(dir.filePath(folder) + "/IMG.bmp", solidPicture(30, 20, colour));
        frames.AddFrameFromString("10;NO;0;IMG.bmp;" + dir.filePath(folder) + "/");
    }
    ASSERT_TRUE(make(dir.filePath("1.gif")).ok());
    const auto gif = decodeGifFile(dir.filePath("1.gif"));
    ASSERT_TRUE(gif && gif.value().frames.size() == 2u);
    EXPECT_EQ(gif.value().frames[0].image.pixel(5, 5)[0], 255);
    EXPECT_EQ(gif.value().frames[1].image.pixel(5, 5)[0], 0);
}

TEST_F(MakeGif, RefusalsAndFailuresLeaveTheOldOutputAlone)
{
    const QString out = dir.filePath("keep.gif");
    ASSERT_TRUE(testing::writeFileContents(out, "old gif"));

    addPicture("a.bmp", {1, 1, 1});
    EXPECT_EQ(make(out).error().message, kTooFewFramesToMake);

    ASSERT_TRUE(testing::writeFileContents(dir.filePath("junk.jpg"), "no picture here"));
    addRow("junk.jpg");
    std::vector<int> failedRows;
    MakeEvents events;
    events.frameFailed = [&](int row, const QString& picture, const Error&) {
        failedRows.push_back(row);
        EXPECT_EQ(picture, dir.filePath("junk.jpg"));
    };
    const auto report = make(dir.filePath("made.gif"), events);
    ASSERT_TRUE(report.ok());
    EXPECT_EQ(failedRows, std::vector<int>{2});
    EXPECT_EQ(decodeGifFile(dir.filePath("made.gif")).value().frames.size(), 2u);

    // Never over one of its own inputs: a frame's picture (by any path to it) or the project.
    const QByteArray picture = testing::fileContents(dir.filePath("a.bmp"));
    ASSERT_TRUE(QFile::link(dir.filePath("a.bmp"), dir.filePath("link.gif")));
    for (const QString& input : QStringList{dir.filePath("a.bmp"), dir.filePath("link.gif"), dir.path() + "/./a.bmp"})
        EXPECT_TRUE(make(input).error().message.contains("is the picture of frame 1")) << input.toStdString();
    EXPECT_EQ(testing::fileContents(dir.filePath("a.bmp")), picture);
    ASSERT_TRUE(testing::writeFileContents(dir.filePath("p.agp"), "[Global Properties]\n"));
    options.projectFile = dir.filePath("p.agp");
    EXPECT_TRUE(make(dir.filePath("p.agp")).error().message.contains("is the project file"));
    EXPECT_EQ(testing::fileContents(dir.filePath("p.agp")), "[Global Properties]\n");

    properties.height = "abc";
    EXPECT_FALSE(make(out).ok());
    properties.height = "18";
    EXPECT_FALSE(make(dir.filePath("no/such/folder/x.gif")).ok());
    EXPECT_EQ(testing::fileContents(out), "old gif");

    // A temp folder that takes no more (a full disk; here a file size limit, which takes the same
    // way through the code) fails the make: no frame is taken for a bad picture.
    options.tempFolder = dir.filePath("full") + "/";
    ASSERT_TRUE(QDir().mkpath(options.tempFolder));
    failedRows.clear();
    std::optional<testing::FileSizeLimit> limit(std::in_place, 64);
    ASSERT_TRUE(limit->ok());
    const auto full = make(out, events);
    limit.reset();
    ASSERT_FALSE(full.ok());
    EXPECT_EQ(full.error().code, ErrorCode::FileWriteFailed);
    EXPECT_TRUE(full.error().message.contains(options.tempFolder)) << full.error().message.toStdString();
    EXPECT_TRUE(failedRows.empty());
    EXPECT_EQ(testing::fileContents(out), "old gif");
}

// A cached frame whose record is whole but whose image was damaged afterwards (its data broken,
// or ending early) is converted again from its picture, and the make comes out as before.
TEST_F(MakeGif, ADamagedCachedFrameIsConvertedAgain)
{
    for (int i = 0; i < 3; ++i) {
        writeBmp(dir.filePath(QString("g%1.bmp").arg(i)),
                 testing::makePicture(48, 36, [i](int x, int y) { return Rgb{std::uint8_t(x * 5 + i * 40), std::uint8_t(y * 7), std::uint8_t((x ^ y) * 9)}; }));
        addRow(QString("g%1.bmp").arg(i));
    }
    properties.width = "48";
    properties.height = "36";
    ASSERT_TRUE(make(dir.filePath("first.gif")).ok());
    const QStringList cached = QDir(options.tempFolder).entryList({"__tmp__g1.bmp*"}, QDir::Files);
    ASSERT_EQ(cached.size(), 1);
    const QString damaged = options.tempFolder + cached[0];
    for (char filler : {'X', '\0'}) {
        QByteArray bytes = testing::fileContents(damaged);
        const qsizetype from = bytes.size() * 2 / 3;  // the image data is overwritten from there; the record and the end are kept
        bytes.replace(from, bytes.size() - 1 - from, QByteArray(bytes.size() - 1 - from, filler));
        ASSERT_TRUE(testing::writeFileContents(damaged, bytes));
        const auto again = make(dir.filePath("again.gif"));
        ASSERT_TRUE(again.ok()) << again.error().message.toStdString();
        EXPECT_EQ(testing::fileContents(dir.filePath("again.gif")), testing::fileContents(dir.filePath("first.gif"))) << int(filler);
        EXPECT_NE(testing::fileContents(damaged), bytes);
    }

    // So is one lost while the make runs (the window deletes the temp files as it closes).
    bool lost = false;
    MakeEvents events;
    events.frameAdded = [&](int) { lost = lost || QFile::remove(damaged); };
    for (const QString& kept : QDir(options.tempFolder).entryList({"__tmp__animation_*"}, QDir::Files))  // frames are read
        ASSERT_TRUE(QFile::remove(options.tempFolder + kept));
    const auto relost = make(dir.filePath("relost.gif"), events);
    ASSERT_TRUE(lost && relost.ok()) << (relost.ok() ? "" : relost.error().message.toStdString());
    EXPECT_EQ(testing::fileContents(dir.filePath("relost.gif")), testing::fileContents(dir.filePath("first.gif")));
}

// A make that converts frames assembles them as they come; the animation comes out as one
// assembled from frames converted before, and is kept for the next make of the same frames.
TEST_F(MakeGif, AssemblingWhileConvertingGivesTheSameAnimationAndKeepsIt)
{
    for (int i = 0; i < 8; ++i) {
        RgbaImage picture = solidPicture(30, 20, Rgb{200, 200, 200});
        testing::fillRect(picture, i * 3, 5, 6, 6, Rgb{std::uint8_t(20 * i), 40, 160});
        writeBmp(dir.filePath(QStringLiteral("p%1.bmp").arg(i)), picture);
        addRow(QStringLiteral("p%1.bmp").arg(i), 5 + i);
    }
    const QString cold = dir.filePath("cold.gif"), fromFrames = dir.filePath("frames.gif");
    ASSERT_TRUE(make(cold).ok());
    const QDir temp(options.tempFolder);
    const QStringList kept = temp.entryList({"__tmp__animation_*"}, QDir::Files);
    EXPECT_EQ(kept.size(), 1);
    EXPECT_TRUE(temp.entryList({"__tmp__making_*"}, QDir::Files).isEmpty());
    for (const QString& name : kept)
        QFile::remove(temp.filePath(name));
    const Result<MakeReport> again = make(fromFrames);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(std::pair(again.value().cached, again.value().converted), std::pair(8, 0));
    EXPECT_EQ(testing::fileContents(fromFrames), testing::fileContents(cold));
}

// Fewer colours for a drawing that changes in places: each frame's palette is chosen on its own,
// a little differently, yet only the rows where the square moves are stored again.
TEST_F(MakeGif, FewerColoursStoreOnlyWhatChanges)
{
    properties.width = "60";
    properties.height = "40";
    for (int i = 0; i < 4; ++i) {
        // Flat bands of fifteen colours, as a drawing has them: three pairs of near ones, which a
        // palette of twelve holds as one colour each, its mean over the frame's pixels.
        RgbaImage picture = testing::makePicture(60, 40, [](int x, int) {
            static const Rgb bands[15] = {{20, 20, 20},   {24, 24, 24},   {240, 240, 240}, {0, 0, 200},  {0, 200, 0},
                                          {200, 200, 0},  {204, 204, 4},  {0, 200, 200},   {200, 0, 200}, {120, 60, 0},
                                          {60, 120, 240}, {64, 124, 244}, {128, 128, 128}, {90, 0, 60},   {255, 160, 80}};
            return bands[x / 4];
        });
        testing::fillRect(picture, 5 + i * 12, 16, 8, 6, Rgb{230, 30, 30});
        writeBmp(dir.filePath(QStringLiteral("d%1.bmp").arg(i)), picture);
        addRow(QStringLiteral("d%1.bmp").arg(i));
    }
    options.colors = 12;
    options.dither = DitherMode::None;
    const QString output = dir.filePath("few.gif");
    ASSERT_TRUE(make(output).ok());
    const DecodedGif gif = decodeGifFile(output).value();
    ASSERT_EQ(gif.frames.size(), 4u);
    for (std::size_t k = 1; k < gif.frames.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_GE(gif.frames[k].top, 12);
        EXPECT_LE(gif.frames[k].top + gif.frames[k].height, 26);
    }
}

// The project's Quality: 100 is the make without one, byte for byte; a lower one never makes a
// larger file; a text that is not 1..100 is refused before any work.
TEST_F(MakeGif, ALowerQualityNeverMakesALargerFile)
{
    properties.width = "64";
    properties.height = "48";
    for (int i = 0; i < 3; ++i) {
        // A photo-like picture: gradients with a texture, moving from frame to frame.
        writeBmp(dir.filePath(QStringLiteral("q%1.bmp").arg(i)), testing::makePicture(64, 48, [i](int x, int y) {
                     const int t = (x * 7 + y * 13 + i * 5) % 23;
                     return Rgb{std::uint8_t(x * 4 + t), std::uint8_t(y * 5 + i * 9), std::uint8_t(255 - x * 2 - y * 2 + t)};
                 }));
        addRow(QStringLiteral("q%1.bmp").arg(i));
    }
    ASSERT_TRUE(make(dir.filePath("plain.gif")).ok());
    const QByteArray plain = testing::fileContents(dir.filePath("plain.gif"));
    std::int64_t previous = plain.size();
    for (const int quality : {100, 90, 75, 60, 45, 30, 15, 1}) {
        SCOPED_TRACE(quality);
        properties.quality = QString::number(quality);
        const QString output = dir.filePath(QStringLiteral("q%1.gif").arg(quality));
        ASSERT_TRUE(make(output).ok());
        const QByteArray made = testing::fileContents(output);
        if (quality == 100) {
            EXPECT_EQ(made, plain);
        }
        EXPECT_LE(made.size(), previous);
        previous = made.size();
    }
    EXPECT_LT(previous, plain.size() * 3 / 4);
    for (const char* wrong : {"0", "101", "5.5", "high"}) {
        properties.quality = QLatin1String(wrong);
        EXPECT_EQ(codeOf(make(dir.filePath("wrong.gif"))), ErrorCode::InvalidArgument) << wrong;
    }
}

// Pictures of few colours are stored as they are, so a slow fade shows every step of it in every
// pixel: the screen's colour does not stand in for a near one, as it may in reduced frames.
TEST_F(MakeGif, ASlowFadeShowsEveryStep)
{
    constexpr int kSteps = 8;
    const auto fadeColour = [](int k) { return Rgb{std::uint8_t(20 + 3 * k), 0, std::uint8_t(90 - 2 * k)}; };
    for (int k = 0; k < kSteps; ++k)
        addPicture(QStringLiteral("fade%1.bmp").arg(k), fadeColour(k));
    const QString output = dir.filePath("fade.gif");
    ASSERT_TRUE(make(output).ok());
    const DecodedGif gif = decodeGifFile(output).value();
    ASSERT_EQ(gif.frames.size(), std::size_t{kSteps});
    for (int k = 0; k < kSteps; ++k) {
        SCOPED_TRACE(k);
        const RgbaImage& shown = gif.frames[k].image;
        const Rgb want = fadeColour(k);
        for (std::size_t i = 0; i < shown.pixels.size(); i += 4)
            ASSERT_EQ((std::array<int, 3>{shown.pixels[i], shown.pixels[i + 1], shown.pixels[i + 2]}),
                      (std::array<int, 3>{want.r, want.g, want.b}))
                << "pixel " << i / 4;
    }
}

// Changes a viewer would not see keep what the screen shows, whatever was cached: a re-make
// after a change of the loop alone (every frame from the frame cache, the animation made anew),
// and one after a picture changed too (the others from the cache), show the very pixels a cold
// make of the changed project shows.
TEST_F(MakeGif, KeptUnseenChangesDoNotDependOnTheCache)
{
    properties.width = "64";
    properties.height = "48";
    properties.quality = "20";
    for (int k = 0; k < 6; ++k) {
        std::mt19937 grain(77 + k);  // a camera's grain of a level or two, new every frame
        RgbaImage picture = testing::makePicture(64, 48, [&](int x, int y) {
            const int texture = x >= 40 ? (x * 37 + y * 91) % 23 : 0;
            const int g = int(grain() % 3);
            return Rgb{std::uint8_t(60 + 2 * x + texture + g), std::uint8_t(90 + 2 * y + g), std::uint8_t(140 + texture - g)};
        });
        testing::fillRect(picture, 2 + 3 * k, 30, 6, 6, Rgb{230, 30, 30});
        writeBmp(dir.filePath(QStringLiteral("n%1.bmp").arg(k)), picture);
        addRow(QStringLiteral("n%1.bmp").arg(k));
    }
    ASSERT_TRUE(make(dir.filePath("first.gif")).ok());
    properties.loopInfinitely = kLoopUnticked;
    properties.loopTimes = "3";
    const auto sameAsCold = [&](const QString& made, const QString& coldFolder) {
        const QString warmFolder = options.tempFolder;
        options.tempFolder = dir.filePath(coldFolder) + "/";
        QDir().mkpath(options.tempFolder);
        ASSERT_TRUE(make(dir.filePath(coldFolder + ".gif")).ok());
        options.tempFolder = warmFolder;
        const DecodedGif warm = decodeGifFile(made).value();
        const DecodedGif cold = decodeGifFile(dir.filePath(coldFolder + ".gif")).value();
        ASSERT_EQ(warm.frames.size(), cold.frames.size());
        for (std::size_t k = 0; k < cold.frames.size(); ++k)
            EXPECT_EQ(warm.frames[k].image.pixels, cold.frames[k].image.pixels) << coldFolder.toStdString() << " frame " << k;
    };
    const Result<MakeReport> again = make(dir.filePath("again.gif"));
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.value().converted, 0);
    sameAsCold(dir.filePath("again.gif"), "cold");
    RgbaImage changed = testing::solidPicture(64, 48, Rgb{40, 200, 90});
    testing::fillRect(changed, 10, 10, 20, 20, Rgb{250, 250, 20});
    writeBmp(dir.filePath("n4.bmp"), changed);
    const Result<MakeReport> mixed = make(dir.filePath("mixed.gif"));
    ASSERT_TRUE(mixed.ok());
    EXPECT_EQ(mixed.value().converted, 1);
    sameAsCold(dir.filePath("mixed.gif"), "cold-mixed");
}

// A make whose frames can show transparency (Fit Inside's clear bars, a frame's transparent
// colour) names a transparent index in its first frame though that frame is opaque: decoders
// such as Pillow 9 decide from the first frame whether any frame can be transparent. A first
// photo whose reduced colours fill all 256 entries gives its rarest one up for it.
TEST_F(MakeGif, TheFirstFrameTellsThatLaterOnesCanBeTransparent)
{
    properties.width = "30";
    properties.height = "20";
    writeBmp(dir.filePath("tall.bmp"), solidPicture(10, 30, Rgb{0, 90, 200}));
    writeBmp(dir.filePath("wide.bmp"), solidPicture(30, 20, Rgb{200, 40, 40}));
    const RgbaImage photo = testing::makePicture(30, 20, [](int x, int y) {
        return Rgb{std::uint8_t(x * 8), std::uint8_t(y * 12), std::uint8_t((x * y * 7) % 256)};
    });
    writeBmp(dir.filePath("photo.bmp"), photo);
    int makes = 0;
    // The rows, then tall.bmp (transparent or not) unless `tall` is false.
    const auto made = [&](const char* fit, std::initializer_list<const char*> rows, bool transparentRow, bool tall = true) {
        properties.fit = QString::fromLatin1(fit);
        frames.clear();
        for (const char* row : rows)
            addRow(row);
        if (tall)
            frames.AddFrameFromString(QStringLiteral("10;%1;0;tall.bmp;%2/").arg(transparentRow ? "YES" : "NO", dir.path()));
        const QString output = dir.filePath(QStringLiteral("%1.gif").arg(++makes));
        EXPECT_TRUE(make(output).ok());
        return decodeGifFile(output).value().frames;
    };
    EXPECT_GE(made("Fit Inside", {"wide.bmp", "wide.bmp"}, false).at(0).transparentIndex, 0);
    EXPECT_GE(made("Stretch", {"wide.bmp", "wide.bmp"}, true).at(0).transparentIndex, 0);
    EXPECT_EQ(made("Stretch", {"wide.bmp", "wide.bmp"}, false).at(0).transparentIndex, -1);
    // Two colours are stored with a table of four entries: a free one, though both colours are used.
    writeBmp(dir.filePath("ink.bmp"), testing::makePicture(30, 20, [](int x, int) { return x < 10 ? Rgb{} : Rgb{255, 255, 255}; }));
    EXPECT_GE(made("Fit Inside", {"ink.bmp", "wide.bmp"}, false).at(0).transparentIndex, 0);

    // Sixteen colours of its own fill a table of sixteen: the first frame takes a longer one only
    // when a later frame clears part of the screen (here the one before the tall picture), and
    // keeps every colour.
    const RgbaImage sixteen = testing::makePicture(30, 20, [](int x, int y) {
        const int k = (x / 2 + y) % 16;
        return Rgb{std::uint8_t(k * 16), std::uint8_t(255 - k * 16), std::uint8_t(k % 4 * 80)};
    });
    writeBmp(dir.filePath("sixteen.bmp"), sixteen);
    const GifFrame held = made("Fit Inside", {"sixteen.bmp", "wide.bmp", "wide.bmp"}, false).at(0);
    EXPECT_GE(held.transparentIndex, 0);
    EXPECT_EQ(held.image.pixels, sixteen.pixels);
    EXPECT_EQ(made("Fit Inside", {"sixteen.bmp", "wide.bmp", "wide.bmp"}, false, false).at(0).transparentIndex, -1);
    // So does a photo reduced to 64 colours, which keeps all of them.
    options.colors = 64;
    const RgbaImage reduced64 = made("Stretch", {"photo.bmp", "wide.bmp"}, false, false).at(0).image;
    const GifFrame clear64 = made("Fit Inside", {"photo.bmp", "wide.bmp"}, false).at(0);
    EXPECT_GE(clear64.transparentIndex, 0);
    EXPECT_EQ(clear64.image.pixels, reduced64.pixels);
    EXPECT_EQ(made("Fit Inside", {"photo.bmp", "wide.bmp"}, false, false).at(0).transparentIndex, -1);
    options.colors = 256;

    // The photo twice: the second frame shows the photo's reduction as a make without
    // transparency does, so the first frame's given-up colour is drawn over.
    const std::vector<GifFrame> named = made("Fit Inside", {"photo.bmp", "photo.bmp", "wide.bmp"}, false);
    const std::vector<GifFrame> plain = made("Stretch", {"photo.bmp", "photo.bmp", "wide.bmp"}, false);
    EXPECT_GE(named.at(0).transparentIndex, 0);
    EXPECT_EQ(plain.at(0).transparentIndex, -1);
    EXPECT_GT(testing::psnr(named.at(0).image, photo), 30.0);  // near the photo's colours, and none left clear
    for (std::size_t i = 3; i < named.at(0).image.pixels.size(); i += 4)
        ASSERT_EQ(named.at(0).image.pixels[i], 255) << "pixel " << i / 4;
    ASSERT_NE(named.at(0).image.pixels, plain.at(0).image.pixels);  // a colour was given up: the case in point
    EXPECT_EQ(named.at(1).image.pixels, plain.at(1).image.pixels);
}

// A make that is asked to stop, as the window's Cancel and pictoreel-cli's Ctrl+C ask it, ends
// with ErrorCode::Cancelled, writes nothing and leaves an earlier file alone, whether the stop
// comes after a frame or at a percent of the writing (the last case never stops).
TEST_F(MakeGif, AStopWritesNothingAndKeepsTheEarlierFile)
{
    for (int i = 0; i < 6; ++i)
        addPicture(QStringLiteral("p%1.bmp").arg(i), Rgb{std::uint8_t(i * 40), 90, 200});
    QDir().mkpath(dir.filePath("out"));
    const QString output = dir.filePath("out/made.gif");
    ASSERT_TRUE(testing::writeFileContents(output, "the GIF made yesterday"));
    struct Case {
        const char* when;
        int frameValue;  // stop once the bar shows this after a frame (0: not while converting)
        bool whileWriting;
    };
    for (const Case c : {Case{"after the first frame", 8, false}, Case{"after the last frame", 50, false},
                         Case{"while writing", 0, true}, Case{"never", -1, false}}) {
        SCOPED_TRACE(c.when);
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
        const Result<MakeReport> made = make(output, events);
        ASSERT_FALSE(values.empty());
        if (c.frameValue < 0) {
            // Unstopped, the make writes the file and reports its halves as the bar shows them.
            ASSERT_TRUE(made.ok());
            EXPECT_TRUE(testing::fileContents(output).startsWith("GIF89a"));
            EXPECT_EQ(std::vector<int>(values.begin(), values.begin() + 6), (std::vector<int>{8, 17, 25, 33, 42, 50}));
            EXPECT_TRUE(values.back() == 100 && std::is_sorted(values.begin(), values.end()));
            continue;
        }
        EXPECT_EQ(codeOf(made), ErrorCode::Cancelled);
        EXPECT_EQ(testing::fileContents(output), "the GIF made yesterday");
        EXPECT_EQ(QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden), QStringList{"made.gif"});
        // Nothing is reported after the stop.
        EXPECT_LT(values.back(), 100);
        EXPECT_TRUE(c.whileWriting || values.back() == c.frameValue) << values.back();
    }
    EXPECT_EQ(saveProgressValue(99), 99);  // 49.5 + 50: the half is dropped
}

}  // namespace
}  // namespace pictoreel
