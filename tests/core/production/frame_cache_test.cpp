#include "core/production/conversion_pool.h"
#include "core/production/frame_cache.h"

#include "core/media/gif_reader.h"
#include "core/media/imaging_component.h"
#include "support/files.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

using testing::makePicture;
using testing::solidPicture;
using testing::writeBmp;

class FrameCache : public ::testing::Test {
protected:
    void SetUp() override
    {
        temp = dir.filePath("temp") + "/";
        QDir().mkpath(temp);
        QDir().mkpath(dir.filePath("pics"));
    }
    QString picture(const QString& name) const { return dir.filePath("pics/" + name); }
    void addRow(const QString& name, const char* trans = "NO", const char* colour = "16777215")
    {
        frames.AddFrameFromString(QStringLiteral("10;%1;%2;%3;%4").arg(trans, colour, name, dir.filePath("pics") + "/"));
    }
    QTemporaryDir dir;
    QString temp;
    FrameList frames;
    ImagingComponent worker;
};

TEST_F(FrameCache, ConvertsOnceToExactlyTheProjectSizeThenReusesTheFile)
{
    writeBmp(picture("a.bmp"), solidPicture(40, 30, {10, 200, 30}));
    addRow("a.bmp");
    const auto gif = GetFrameGif(frames, 1, temp, "20", "15", worker);
    ASSERT_TRUE(gif.ok()) << gif.error().message.toStdString();
    EXPECT_EQ(gif.value(), temp + "__tmp__a.bmp_t_False_c_16777215_w_20_h_15__.gif");
    const auto decoded = decodeGifFile(gif.value());
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.value().info.width, 20);
    EXPECT_EQ(decoded.value().info.height, 15);
    const std::uint8_t* p = decoded.value().frames.at(0).image.pixel(7, 7);
    EXPECT_EQ((std::vector<int>{p[0], p[1], p[2], p[3]}), (std::vector<int>{10, 200, 30, 255}));

    // A cache hit does not read the picture: replace it and the old conversion still comes back.
    writeBmp(picture("a.bmp"), solidPicture(40, 30, {255, 0, 0}));
    const QDateTime before = QFileInfo(gif.value()).lastModified();
    EXPECT_EQ(GetFrameGif(frames, 1, temp, "20", "15", worker).value(), gif.value());
    EXPECT_EQ(QFileInfo(gif.value()).lastModified(), before);
    // Another width is another cache file.
    EXPECT_EQ(GetFrameGif(frames, 1, temp, "21", "15", worker).value(),
              temp + "__tmp__a.bmp_t_False_c_16777215_w_21_h_15__.gif");
}

TEST_F(FrameCache, MissingPicturesGiveEmptyTextAndBadOnesAnError)
{
    addRow("gone.bmp");
    frames.AddFrameFromString("10;NO;0;;" + dir.filePath("pics") + "/");
    EXPECT_EQ(GetFrameGif(frames, 1, temp, "20", "15", worker).value(), "");
    EXPECT_EQ(GetFrameGif(frames, 2, temp, "20", "15", worker).value(), "");
    EXPECT_TRUE(QDir(temp).isEmpty());

    ASSERT_TRUE(testing::writeFileContents(picture("junk.png"), "this is not a picture at all"));
    addRow("junk.png");
    EXPECT_FALSE(GetFrameGif(frames, 3, temp, "20", "15", worker).ok());
    writeBmp(picture("ok.bmp"), solidPicture(4, 4, {1, 2, 3}));
    addRow("ok.bmp");
    EXPECT_FALSE(GetFrameGif(frames, 4, temp, "abc", "15", worker).ok());
    EXPECT_TRUE(QDir(temp).isEmpty());  // nothing half-written
}

TEST_F(FrameCache, TransparentColourBecomesTransparent)
{
    writeBmp(picture("t.bmp"), makePicture(16, 16, [](int x, int) { return x < 8 ? Rgb{255, 255, 255} : Rgb{0, 0, 255}; }));
    addRow("t.bmp", "YES", "16777215");
    const auto gif = GetFrameGif(frames, 1, temp, "16", "16", worker);
    ASSERT_TRUE(gif.ok());
    const auto decoded = decodeGifFile(gif.value());
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.value().frames[0].image.pixel(2, 2)[3], 0);
    EXPECT_EQ(decoded.value().frames[0].image.pixel(12, 2)[3], 255);
}

// Several threads give the same files as one thread, and a cache name shared by two rows is
// converted once, from the first row that names it.
TEST_F(FrameCache, PoolMatchesOneThreadInRowOrder)
{
    for (int i = 0; i < 12; ++i) {
        writeBmp(picture(QString("p%1.bmp").arg(i)),
                 makePicture(50, 40, [i](int x, int y) { return Rgb{std::uint8_t(x * 5 + i), std::uint8_t(y * 6), std::uint8_t(i * 20)}; }));
        addRow(QString("p%1.bmp").arg(i));
    }
    QDir().mkpath(dir.filePath("other"));
    writeBmp(dir.filePath("other/p3.bmp"), solidPicture(50, 40, {0, 0, 0}));
    frames.AddFrameFromString("10;NO;16777215;p3.bmp;" + dir.filePath("other") + "/");  // same name, other folder
    addRow("missing.bmp");

    auto runPool = [&](const QString& folder, int jobs) {
        QDir().mkpath(folder);
        std::vector<FrameConversion> conversions;
        for (int row = 1; row <= frames.rowCount(); ++row)
            conversions.push_back(frameConversionFor(frames, row, folder, "32", "24"));
        ConversionPool pool(conversions, 32, 24, jobs);
        std::vector<ConversionPool::Outcome> outcomes;
        for (std::size_t i = 0; i < conversions.size(); ++i)
            outcomes.push_back(pool.waitFor(i).outcome);
        return outcomes;
    };
    const QString one = dir.filePath("one") + "/", four = dir.filePath("four") + "/";
    const auto serial = runPool(one, 1);
    const auto parallel = runPool(four, 4);
    EXPECT_EQ(serial, parallel);
    EXPECT_EQ(serial[12], ConversionPool::Outcome::Cached);  // shares p3's file
    EXPECT_EQ(serial[13], ConversionPool::Outcome::Missing);
    const QStringList names = QDir(one).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 12);
    EXPECT_EQ(names, QDir(four).entryList(QDir::Files, QDir::Name));
    for (const QString& name : names) {
        QFile a(one + name), b(four + name);
        ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        EXPECT_EQ(a.readAll(), b.readAll()) << name.toStdString();
    }
    // The shared file holds p3 from the first folder, not the black picture.
    const auto shared = decodeGifFile(one + "__tmp__p3.bmp_t_False_c_16777215_w_32_h_24__.gif");
    ASSERT_TRUE(shared.ok());
    EXPECT_NE(shared.value().frames[0].image.pixel(20, 20)[0], 0);
    // Everything cached now: a second run converts nothing.
    for (auto outcome : runPool(one, 2))
        EXPECT_NE(outcome, ConversionPool::Outcome::Converted);
}

}  // namespace
}  // namespace pictoreel
