// Making a GIF that fits in a number of bytes: the search over the knobs, and a make with a budget.
#include "core/production/budget_quality.h"
#include "core/production/make_gif.h"
#include "core/production/size_budget.h"

#include "core/animation/animation_assembler.h"
#include "core/gif/gif_reader.h"
#include "support/files.h"
#include "support/results.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace pictoreel {
namespace {

// Bytes as an encoder might give them: a header, then about the frame's area times the bits a
// colour takes, less what lossiness saves (nothing when `lossyWorks` is false).
std::int64_t modelBytes(const BudgetSettings& s, bool lossyWorks)
{
    const double lossy = lossyWorks ? 1.0 - s.lossy / 160.0 : 1.0;
    return 800 + static_cast<std::int64_t>(double(s.width) * s.height * std::log2(s.colors) / 8.0 * lossy);
}

// A look that loses with fewer colours, with lossiness (`lossyCost` a point) and with a smaller frame.
double modelQuality(const BudgetSettings& s, double lossyCost)
{
    return 6 * std::log2(s.colors) - lossyCost * s.lossy + 20 * std::log2(s.width / 640.0);
}

TEST(SizeBudget, KeepsTheBestLookingFitInFewAttempts)
{
    const BudgetSettings start{0, 256, 640, 480};
    const struct {
        std::int64_t budget;
        bool lossyWorks;
        double lossyCost;
        int minColors;
        bool fits;
        bool fullSize;
    } cases[] = {
        {400'000, true, 0.01, 16, true, true},    // lossiness is cheap: most of it, more colours back
        {400'000, true, 0.3, 16, true, true},     // lossiness costs more than colours do
        {400'000, true, 0.06, 16, true, true},    // somewhere between
        {400'000, false, 0.01, 16, true, true},   // lossiness does nothing
        {40'000, true, 0.01, 16, true, false},    // the frame must shrink
        {40'000, true, 0.01, 4, true, true},      // ... unless fewer colours may do
        {500, true, 0.01, 16, false, false},
        {10'000'000, true, 0.01, 16, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.budget << " " << c.lossyWorks << " " << c.lossyCost << " " << c.minColors);
        std::vector<BudgetSettings> tried;
        double bestTried = -1e9;
        const auto outcome = searchSizeBudget(
            c.budget, start,
            [&](const BudgetSettings& s, bool rated) -> Result<BudgetTry> {
                EXPECT_EQ(rated, !tried.empty());  // all but the start's are compared
                tried.push_back(s);
                const BudgetTry t{modelBytes(s, c.lossyWorks), modelQuality(s, c.lossyCost)};
                if (t.bytes <= c.budget)
                    bestTried = std::max(bestTried, t.quality);
                return t;
            },
            [&c] { return Result<int>(c.minColors); });
        ASSERT_TRUE(outcome.ok());
        const BudgetOutcome& o = outcome.value();
        EXPECT_EQ(o.fits, c.fits);
        EXPECT_EQ(o.attempts, static_cast<int>(tried.size()));
        EXPECT_LE(o.attempts, kBudgetMaxAttempts);
        EXPECT_EQ(o.bytes, modelBytes(o.chosen, c.lossyWorks));
        EXPECT_EQ(o.chosen.width == 640, c.fullSize);
        if (!c.fits)
            continue;
        EXPECT_NEAR(double(o.chosen.height) / o.chosen.width, 0.75, 0.02);
        EXPECT_LE(o.bytes, c.budget);
        EXPECT_EQ(o.quality, bestTried);
        EXPECT_EQ(o.quality, modelQuality(o.chosen, c.lossyCost));
        EXPECT_GE(o.chosen.colors, c.minColors);
        if (!c.fullSize) {  // only at the fewest colours and the most lossiness
            EXPECT_EQ(std::tuple(o.chosen.colors, o.chosen.lossy), std::tuple(c.minColors, kBudgetMaxLossy));
        }
        // Within a little of the best look that fits at full size.
        double best = -1e9;
        for (int lossy = 0; lossy <= 100 && c.fullSize; ++lossy) {
            for (int colors = c.minColors; colors <= 256; ++colors) {
                if (const BudgetSettings s{lossy, colors, 640, 480}; modelBytes(s, c.lossyWorks) <= c.budget)
                    best = std::max(best, modelQuality(s, c.lossyCost));
            }
        }
        EXPECT_GE(o.quality, best - 0.6);
    }
}

// An animation of flat frames of `side` × `side`, the second without picture; `last` the third's colour.
std::vector<AnimationFrameSource> flatFrames(const QTemporaryDir& dir, const QString& name, int side, std::uint8_t last)
{
    std::vector<AnimationFrameSource> frames;
    const Rgb colours[] = {{10, 200, 30}, {}, {90, 90, last}};
    for (int k = 0; k < 3; ++k) {
        const QString file = dir.filePath(QStringLiteral("%1%2.gif").arg(name).arg(k));
        const IndexedImage picture{side, side, std::vector<std::uint8_t>(std::size_t(side) * side, 0), {colours[k]}, -1};
        if (k != 1) {
            EXPECT_TRUE(writeSingleImageGif(file, picture).ok());
        }
        frames.push_back({k == 1 ? QString() : file, 10});
    }
    return frames;
}

TEST(BudgetQuality, ComparesTheFramesAsSeenWithTheirPictures)
{
    QTemporaryDir dir;
    const std::vector<AnimationFrameSource> pictures = flatFrames(dir, "picture", 32, 90);
    BudgetLook search(pictures, 1);  // keeps the pictures' colours from its first rating on
    const auto look = [&](const std::vector<AnimationFrameSource>& frames) {
        const QString attempt = dir.filePath("attempt.gif");
        EXPECT_TRUE(AnimationAssembler(frames, {}).save(attempt).ok());
        const double quality = budgetAttemptQuality(attempt, pictures).value();
        EXPECT_EQ(search.rate(attempt).value(), quality);
        return quality;
    };
    EXPECT_EQ(look(flatFrames(dir, "same", 32, 90)), 0);
    EXPECT_EQ(look(flatFrames(dir, "small", 16, 90)), 0);  // scaled up to the pictures' size
    const double near = look(flatFrames(dir, "near", 32, 120)), far = look(flatFrames(dir, "far", 32, 190));
    EXPECT_LT(near, 0);
    EXPECT_LT(far, near);

    // Two shades dithered about a grey look closer to it than one shade that is as far off.
    const auto grey = [&](const char* name, const std::function<std::uint8_t(int, int)>& shade) {
        std::vector<AnimationFrameSource> frames;
        for (int k = 0; k < 3; ++k) {
            const QString file = dir.filePath(QStringLiteral("%1%2.gif").arg(QLatin1String(name)).arg(k));
            IndexedImage picture{8, 8, {}, {{100, 100, 100}, {128, 128, 128}, {156, 156, 156}}, -1};
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    picture.indices.push_back(shade(x, y));
            EXPECT_TRUE(writeSingleImageGif(file, picture).ok());
            frames.push_back({file, 10});
        }
        return frames;
    };
    const std::vector<AnimationFrameSource> flat = grey("grey", [](int, int) { return 1; });
    const auto lookAgainst = [&](const std::vector<AnimationFrameSource>& frames) {
        const QString attempt = dir.filePath("grey.gif");
        EXPECT_TRUE(AnimationAssembler(frames, {}).save(attempt).ok());
        return budgetAttemptQuality(attempt, flat).value();
    };
    EXPECT_GT(lookAgainst(grey("dithered", [](int x, int y) { return (x + y) % 2 * 2; })),
              lookAgainst(grey("darker", [](int, int) { return 0; })));
}

// The kept attempt: the best-looking that fits, the smaller of two that look alike.
TEST(SizeBudget, ChoosesTheBestLookingAttemptThatFits)
{
    const auto tried = [](std::vector<std::pair<std::int64_t, double>> results) {
        std::vector<BudgetTried> all;
        for (const auto& [bytes, look] : results)
            all.push_back({BudgetSettings{int(all.size()), 256, 64, 48}, {bytes, look}});
        return all;
    };
    EXPECT_EQ(chooseBudgetAttempt(tried({{900, -5}, {1100, -1}, {950, -2}}), 1000), 2u);
    EXPECT_EQ(chooseBudgetAttempt(tried({{990, -2}, {800, -2}, {1000, -3}}), 1000), 1u);
    EXPECT_EQ(chooseBudgetAttempt(tried({{1001, -1}, {2000, 0}}), 1000), std::nullopt);
}

class BudgetMake : public ::testing::Test {
protected:
    void SetUp() override
    {
        options.tempFolder = dir.filePath("temp") + "/";
        QDir().mkpath(options.tempFolder);
        options.jobs = 2;
        properties.width = "64";
        properties.height = "48";
        std::minstd_rand random(7);
        for (int k = 0; k < 6; ++k) {
            const QString name = QStringLiteral("noise%1.bmp").arg(k);
            testing::writeBmp(dir.filePath(name), testing::makePicture(64, 48, [&](int, int) {
                                  return Rgb{std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())};
                              }));
            frames.AddFrameFromString(QStringLiteral("10;NO;0;%1;%2/").arg(name, dir.path()));
        }
    }
    QTemporaryDir dir;
    FrameList frames;
    ProjectProperties properties;
    MakeOptions options;
};

TEST_F(BudgetMake, FitsTheBudgetReusingTheConvertedFramesAndReportsTheChoice)
{
    const QString out = dir.filePath("out.gif");
    const auto plain = makeAnimatedGif(frames, properties, out, options);
    ASSERT_TRUE(plain.ok());
    EXPECT_FALSE(plain.value().budgeted);
    const std::int64_t full = QFileInfo(out).size();

    properties.maxSize = QString::number(full * 6 / 10);
    QDir(options.tempFolder).removeRecursively();  // a cold cache: every picture is converted
    QDir().mkpath(options.tempFolder);
    const auto made = makeAnimatedGif(frames, properties, out, options);
    ASSERT_TRUE(made.ok()) << made.error().message.toStdString();
    const MakeReport& r = made.value();
    EXPECT_TRUE(r.budgeted);
    EXPECT_EQ(r.converted, 6);  // once, whatever the attempts
    EXPECT_GT(r.attempts, 1);
    EXPECT_EQ(r.bytes, QFileInfo(out).size());
    EXPECT_LE(r.bytes, full * 6 / 10);
    EXPECT_TRUE(r.settings.colors < 256 || r.settings.width < 64);
    const DecodedGif gif = decodeGifFile(out).value();
    EXPECT_EQ(std::tuple(gif.info.width, gif.info.height, gif.frames.size()), std::tuple(r.settings.width, r.settings.height, 6u));
    EXPECT_EQ(QDir(options.tempFolder).entryList({"*budget*"}, QDir::Files), QStringList());
}

// Fewer colours never make an opaque pixel transparent: dark ones stay shown, near the black of
// the transparent entry, and the transparent colour's pixels alone are transparent.
TEST_F(BudgetMake, ReducedColoursKeepWhatIsTransparentAndWhatIsNot)
{
    std::minstd_rand random(11);
    frames = FrameList();
    std::vector<RgbaImage> pictures;
    for (int k = 0; k < 3; ++k) {
        pictures.push_back(testing::makePicture(64, 48, [&](int x, int y) {
            if (x >= 8 + 10 * k && x < 24 + 10 * k && y < 12)
                return Rgb{255, 0, 255};
            const auto dark = std::uint8_t(random() % 24);
            return y < 24 ? Rgb{std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random())} : Rgb{dark, dark, std::uint8_t(dark / 2)};
        }));
        const QString name = QStringLiteral("keyed%1.bmp").arg(k);
        testing::writeBmp(dir.filePath(name), pictures.back());
        frames.AddFrameFromString(QStringLiteral("10;YES;16711935;%1;%2/").arg(name, dir.path()));
    }
    const QString out = dir.filePath("out.gif");
    ASSERT_TRUE(makeAnimatedGif(frames, properties, out, options).ok());
    properties.maxSize = QString::number(QFileInfo(out).size() / 2);
    const auto made = makeAnimatedGif(frames, properties, out, options);
    ASSERT_TRUE(made.ok()) << made.error().message.toStdString();
    ASSERT_TRUE(made.value().budgeted && made.value().settings.colors < 256 && made.value().settings.width == 64);
    const DecodedGif gif = decodeGifFile(out).value();
    ASSERT_EQ(gif.frames.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        int wrong = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool keyed = pictures[k].pixel(x, y)[0] == 255 && pictures[k].pixel(x, y)[1] == 0;
                wrong += (gif.frames[k].image.pixel(x, y)[3] == 0) != keyed;
            }
        EXPECT_EQ(wrong, 0) << "frame " << k;
    }
}

// The animation a budget search chose is kept: the same make again is a copy of it with the same
// report, and another budget searches again.
TEST_F(BudgetMake, AMakeWithTheSameBudgetAgainCopiesTheKeptChoice)
{
    const QString out = dir.filePath("out.gif");
    properties.maxSize = "9000";
    const auto first = makeAnimatedGif(frames, properties, out, options);
    ASSERT_TRUE(first.ok()) << first.error().message.toStdString();
    const BudgetSettings chosen = first.value().settings;
    const QString keptName = QStringLiteral("*_l%1_c%2_%3x%4_a%5.gif")
                                 .arg(chosen.lossy)
                                 .arg(chosen.colors)
                                 .arg(chosen.width)
                                 .arg(chosen.height)
                                 .arg(first.value().attempts);
    const QStringList kept = QDir(options.tempFolder).entryList({"__tmp__animation_" + keptName}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(testing::fileContents(options.tempFolder + kept[0]), testing::fileContents(out));

    // Served from the kept file, not searched again: a stand-in there comes out.
    const QByteArray standIn = "GIF89a stands in for the kept animation;";
    ASSERT_TRUE(testing::writeFileContents(options.tempFolder + kept[0], standIn));
    const auto again = makeAnimatedGif(frames, properties, out, options);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(testing::fileContents(out), standIn);
    EXPECT_TRUE(again.value().budgeted);
    EXPECT_EQ(std::tuple(again.value().settings, again.value().attempts, again.value().converted),
              std::tuple(chosen, first.value().attempts, 0));

    properties.maxSize = "9001";
    ASSERT_TRUE(makeAnimatedGif(frames, properties, out, options).ok());
    EXPECT_TRUE(testing::fileContents(out).endsWith(';') && testing::fileContents(out) != standIn);
}

// A budget the make fits in changes nothing: the GIF is the one made without it, whatever the
// colours asked for (with fewer, each frame's are reduced on its own).
TEST_F(BudgetMake, ABudgetTheMakeFitsInGivesTheVeryGifMadeWithoutOne)
{
    FrameList moving;
    std::minstd_rand random(11);
    const RgbaImage background = testing::makePicture(64, 48, [&](int x, int y) {
        const std::uint8_t grain = std::uint8_t(random() % 24);
        return Rgb{std::uint8_t(x * 3 + grain), std::uint8_t(y * 4 + grain), std::uint8_t(120 + grain)};
    });
    for (int k = 0; k < 5; ++k) {
        RgbaImage picture = background;
        for (int y = 20; y < 30; ++y)
            for (int x = 8 * k; x < 8 * k + 10; ++x)
                std::copy_n(std::array<std::uint8_t, 4>{230, 30, 20, 255}.data(), 4, picture.pixel(x, y));
        const QString name = QStringLiteral("square%1.bmp").arg(k);
        testing::writeBmp(dir.filePath(name), picture);
        moving.AddFrameFromString(QStringLiteral("10;NO;0;%1;%2/").arg(name, dir.path()));
    }
    for (const int colours : {256, 16}) {
        SCOPED_TRACE(colours);
        options.colors = colours;
        properties.maxSize.clear();
        const QString plainOut = dir.filePath("plain.gif"), out = dir.filePath("out.gif");
        ASSERT_TRUE(makeAnimatedGif(moving, properties, plainOut, options).ok());
        properties.maxSize = QString::number(QFileInfo(plainOut).size());
        const auto made = makeAnimatedGif(moving, properties, out, options);
        ASSERT_TRUE(made.ok()) << made.error().message.toStdString();
        EXPECT_EQ(made.value().attempts, 1);
        EXPECT_EQ(testing::fileContents(out), testing::fileContents(plainOut));
    }
}

TEST_F(BudgetMake, AMaxSizeThatIsNoSizeStopsTheMake)
{
    const QString out = dir.filePath("out.gif");
    ASSERT_TRUE(testing::writeFileContents(out, "precious"));
    for (const char* text : {"200KiB", "abc", "0", "-5"}) {
        properties.maxSize = text;
        const auto made = makeAnimatedGif(frames, properties, out, options);
        ASSERT_FALSE(made.ok()) << text;
        EXPECT_EQ(made.error().code, ErrorCode::InvalidArgument);
        EXPECT_TRUE(made.error().message.contains(QStringLiteral("\"%1\"").arg(text))) << text;
    }
    EXPECT_EQ(testing::fileContents(out), "precious");
}

TEST_F(BudgetMake, AnImpossibleBudgetFailsNamingTheSmallestAndWritesNothing)
{
    const QString out = dir.filePath("out.gif");
    ASSERT_TRUE(testing::writeFileContents(out, "precious"));
    properties.maxSize = "100";
    const auto made = makeAnimatedGif(frames, properties, out, options);
    ASSERT_FALSE(made.ok());
    EXPECT_EQ(made.error().code, ErrorCode::LimitExceeded);
    EXPECT_TRUE(made.error().message.contains("does not fit in 100 bytes")) << made.error().message.toStdString();
    EXPECT_TRUE(made.error().message.contains("16 colours, 22×17")) << made.error().message.toStdString();
    EXPECT_EQ(testing::fileContents(out), "precious");
    EXPECT_EQ(QDir(options.tempFolder).entryList({"*budget*"}, QDir::Files), QStringList());
}

}  // namespace
}  // namespace pictoreel
