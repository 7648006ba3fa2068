// Making a GIF that fits in a number of bytes: the search over the knobs, and a make with a budget.
#include "core/production/make_gif.h"
#include "core/production/size_budget.h"

#include "core/gif/gif_reader.h"
#include "support/files.h"
#include "support/results.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

TEST(SizeBudget, FindsTheMildestFittingSettingsInFewAttempts)
{
    const BudgetSettings start{0, 256, 640, 480};
    const struct {
        std::int64_t budget;
        bool lossyWorks;
        bool fits;
    } cases[] = {{400'000, true, true}, {400'000, false, true}, {100'000, true, true}, {500, true, false}, {10'000'000, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.budget);
        std::vector<BudgetSettings> tried;
        const auto outcome = searchSizeBudget(c.budget, start, [&](const BudgetSettings& s) -> Result<std::int64_t> {
            tried.push_back(s);
            return modelBytes(s, c.lossyWorks);
        });
        ASSERT_TRUE(outcome.ok());
        const BudgetOutcome& o = outcome.value();
        EXPECT_EQ(o.fits, c.fits);
        EXPECT_EQ(o.attempts, static_cast<int>(tried.size()));
        EXPECT_EQ(o.bytes, modelBytes(o.chosen, c.lossyWorks));
        if (!c.fits) {
            EXPECT_LE(o.attempts, kBudgetMaxAttempts);
            continue;
        }
        EXPECT_LE(o.bytes, c.budget);
        EXPECT_LE(o.attempts, c.budget == 100'000 ? 9 : 6);
        // The knobs turn in order: colours only once lossiness is spent (or does nothing), the
        // size only once colours are.
        EXPECT_EQ(o.chosen.lossy, !c.lossyWorks ? 0 : o.chosen.colors < 256 ? kBudgetMaxLossy : o.chosen.lossy);
        EXPECT_EQ(o.chosen.colors, o.chosen.width < 640 ? kBudgetMinColors : o.chosen.colors);
        EXPECT_NEAR(double(o.chosen.height) / o.chosen.width, 0.75, 0.02);
        // Not much milder would have fitted.
        BudgetSettings milder = o.chosen;
        if (o.chosen.width < 640) {
            milder.width += std::max(1, milder.width / 16);
            milder.height = milder.width * 3 / 4;
        } else if (o.chosen.colors < 256) {
            milder.colors += std::max(2, milder.colors / 4);
        } else {
            milder.lossy = std::max(0, milder.lossy - 10);
        }
        EXPECT_TRUE(milder == o.chosen || modelBytes(milder, c.lossyWorks) > c.budget);
    }
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
