#include "core/production/conversion_pool.h"
#include "core/production/frame_cache.h"
#include "core/production/frame_cache_names.h"

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

    // Unchanged, the picture is not read again: the same file comes back untouched.
    const QDateTime before = QFileInfo(gif.value()).lastModified();
    EXPECT_EQ(GetFrameGif(frames, 1, temp, "20", "15", worker).value(), gif.value());
    EXPECT_EQ(QFileInfo(gif.value()).lastModified(), before);
    // Edited in place (same size), it is converted again under the same name.
    writeBmp(picture("a.bmp"), solidPicture(40, 30, {255, 0, 0}));
    ASSERT_TRUE(testing::moveModifiedOn(picture("a.bmp")));
    EXPECT_EQ(GetFrameGif(frames, 1, temp, "20", "15", worker).value(), gif.value());
    EXPECT_EQ(decodeGifFile(gif.value()).value().frames.at(0).image.pixel(7, 7)[0], 255);
    // Another width is another cache file.
    EXPECT_EQ(GetFrameGif(frames, 1, temp, "21", "15", worker).value(),
              temp + "__tmp__a.bmp_t_False_c_16777215_w_21_h_15__.gif");
}

// Pictures of one name in two folders each get a file of their own; a file at the cache name
// that records nothing (an older cache, anything else) is converted over.
TEST_F(FrameCache, EveryPictureHasItsOwnFileWhateverItsName)
{
    QDir().mkpath(dir.filePath("trip1"));
    QDir().mkpath(dir.filePath("trip2"));
    writeBmp(dir.filePath("trip1/IMG.bmp"), solidPicture(8, 8, {0, 255, 0}));
    writeBmp(dir.filePath("trip2/IMG.bmp"), solidPicture(8, 8, {0, 0, 255}));
    frames.AddFrameFromString("10;NO;16777215;IMG.bmp;" + dir.filePath("trip2") + "/");
    frames.AddFrameFromString("10;NO;16777215;IMG.bmp;" + dir.filePath("trip1") + "/");
    const QString common = temp + "__tmp__IMG.bmp_t_False_c_16777215_w_8_h_8__.gif";
    auto blueOf = [](const QString& gif) { return int(decodeGifFile(gif).value().frames.at(0).image.pixel(3, 3)[2]); };

    EXPECT_EQ(GetFrameGif(frames, 1, temp, "8", "8", worker).value(), common);  // the first takes the name
    const QString second = GetFrameGif(frames, 2, temp, "8", "8", worker).value();
    EXPECT_NE(second, common);
    EXPECT_TRUE(QFileInfo(second).fileName().startsWith("__tmp__IMG.bmp_t_False_c_16777215_w_8_h_8"));
    EXPECT_TRUE(second.endsWith("__.gif"));
    EXPECT_EQ(blueOf(common), 255);
    EXPECT_EQ(blueOf(second), 0);
    EXPECT_EQ(GetFrameGif(frames, 1, temp, "8", "8", worker).value(), common);
    EXPECT_EQ(GetFrameGif(frames, 2, temp, "8", "8", worker).value(), second);

    ASSERT_TRUE(QFile::remove(common) && QFile::copy(second, common + ".tmp"));
    ASSERT_TRUE(testing::writeFileContents(common, testing::fileContents(common + ".tmp").replace("Pictoreel", "Elsewhere")));
    EXPECT_TRUE(readFrameCacheRecord(common).isEmpty());
    EXPECT_EQ(GetFrameGif(frames, 1, temp, "8", "8", worker).value(), common);
    EXPECT_EQ(blueOf(common), 255);
    EXPECT_FALSE(readFrameCacheRecord(common).isEmpty());
}

// Names the file system cannot take as one cache file name: a picture name of 229 characters (or
// of two-byte letters), a hand-edited name reaching into another folder, the long name again in
// another folder. Each converts into one file of the temp folder whose name the clean-up knows.
TEST_F(FrameCache, EveryNameGivesOneFileInTheTempFolder)
{
    const QString longName = QString(225, u'n') + ".bmp";
    const QString letters = QString(120, QChar(0x00FC)) + ".bmp";  // 244 bytes in UTF-8
    QDir().mkpath(dir.filePath("pics/other"));
    for (const QString& name : {longName, letters, QString("../up.bmp"), QString("other/" + longName)})
        writeBmp(picture(name), solidPicture(8, 8, {0, 0, 255}));
    for (const QString& name : {longName, letters, QString("../up.bmp")})
        addRow(name);
    frames.AddFrameFromString("10;NO;16777215;" + longName + ";" + dir.filePath("pics/other") + "/");
    QStringList files;
    for (int row = 1; row <= frames.rowCount(); ++row) {
        const auto gif = GetFrameGif(frames, row, temp, "8", "8", worker);
        ASSERT_TRUE(gif.ok()) << row << gif.error().message.toStdString();
        const QFileInfo file(gif.value());
        EXPECT_EQ(file.absolutePath() + "/", temp) << row;
        EXPECT_TRUE(file.isFile()) << row;
        EXPECT_LE(QFile::encodeName(file.fileName()).size(), 255) << row;
        EXPECT_TRUE(file.fileName().startsWith("__tmp__") && file.fileName().endsWith("__.gif")) << row;
        files << file.fileName();
    }
    files.removeDuplicates();
    EXPECT_EQ(files.size(), 4);
    EXPECT_FALSE(QFile::exists(dir.filePath("__tmp__.._up.bmp_t_False_c_16777215_w_8_h_8__.gif")));
    EXPECT_EQ(deleteTempGifs(temp), 4);
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

// Several threads give the same files as one thread; a picture on two rows is converted once,
// from the first row that names it, and a same-named picture of another folder on its own.
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
    addRow("p3.bmp");

    auto runPool = [&](const QString& folder, int jobs) {
        QDir().mkpath(folder);
        std::vector<FrameConversion> conversions;
        for (int row = 1; row <= frames.rowCount(); ++row)
            conversions.push_back(frameConversionFor(frames, row, folder, "32", "24"));
        ConversionPool pool(conversions, jobs);
        std::vector<ConversionPool::Outcome> outcomes;
        for (std::size_t i = 0; i < conversions.size(); ++i)
            outcomes.push_back(pool.waitFor(i).outcome);
        return outcomes;
    };
    const QString one = dir.filePath("one") + "/", four = dir.filePath("four") + "/";
    const auto serial = runPool(one, 1);
    const auto parallel = runPool(four, 4);
    EXPECT_EQ(serial, parallel);
    EXPECT_EQ(serial[12], ConversionPool::Outcome::Converted);  // the other folder's p3
    EXPECT_EQ(serial[13], ConversionPool::Outcome::Missing);
    EXPECT_EQ(serial[14], ConversionPool::Outcome::Cached);  // p3 again
    const QStringList names = QDir(one).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 13);
    EXPECT_EQ(names, QDir(four).entryList(QDir::Files, QDir::Name));
    for (const QString& name : names)
        EXPECT_EQ(testing::fileContents(one + name), testing::fileContents(four + name)) << name.toStdString();
    // The common name holds p3 of the first folder; the black one has a file of its own.
    const auto first = decodeGifFile(one + "__tmp__p3.bmp_t_False_c_16777215_w_32_h_24__.gif");
    ASSERT_TRUE(first.ok());
    EXPECT_NE(first.value().frames[0].image.pixel(20, 20)[0], 0);
    const QStringList own = QDir(one).entryList({"__tmp__p3.bmp_t_False_c_16777215_w_32_h_24_p_*__.gif"});
    ASSERT_EQ(own.size(), 1);
    EXPECT_EQ(decodeGifFile(one + own[0]).value().frames[0].image.pixel(20, 20)[0], 0);
    // Everything cached now: a second run converts nothing.
    for (auto outcome : runPool(one, 2))
        EXPECT_NE(outcome, ConversionPool::Outcome::Converted);
}

}  // namespace
}  // namespace pictoreel
