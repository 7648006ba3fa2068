#include "core/production/animation_cache.h"
#include "core/production/conversion_pool.h"
#include "core/production/frame_cache.h"
#include "core/production/frame_cache_names.h"
#include "core/production/repeated_frames.h"

#include "core/gif/gif_reader.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QThread>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace pictoreel {
namespace {

using testing::fileContents;
using testing::makePicture;
using testing::solidPicture;
using testing::writeBmp;
using testing::writeFileContents;

// The colour of a pixel of a one-image GIF, alpha last.
std::vector<int> pixelOf(const QString& gif, int x, int y)
{
    const auto decoded = decodeGifFile(gif);
    if (!decoded.ok() || decoded.value().frames.empty())
        return {};
    const std::uint8_t* p = decoded.value().frames[0].image.pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

// The name holds everything that went into the conversion as it stands ("yes" in any case and
// spacing is transparent, an unreadable colour white), but neither the interval nor the folder.
TEST(FrameCacheNames, NameEncodesEverythingThatWentIntoTheConversion)
{
    FrameList frames;
    for (const char* s : {"50;YES;16777215;sunset.jpg;/home/ann/Pictures/", "50; no ;-1; spaced name.png ;/p",
                          "50; yes ;red;x.png;/p/", "10;YES;16777215;sunset.jpg;/elsewhere/", "1;NO;0;  ;/pics/"})
        frames.AddFrameFromString(s);
    const auto name = [&frames](int row, int w, int h, const char* wText, const char* hText) {
        return GetFrameCacheFile(frameValuesAt(frames, row), FrameSize{w, h, wText, hText}, "/t/");
    };
    EXPECT_EQ(name(1, 100, 75, "100", "75"), "/t/__tmp__sunset.jpg_t_True_c_16777215_w_100_h_75__.gif");
    EXPECT_EQ(name(2, 120, 75, "0120", " 75"), "/t/__tmp__ spaced name.png _t_False_c_-1_w_0120_h_ 75__.gif");
    EXPECT_EQ(name(3, 8, 8, "8", "8"), "/t/__tmp__x.png_t_True_c_16777215_w_8_h_8__.gif");
    EXPECT_EQ(name(4, 100, 75, "100", "75"), name(1, 100, 75, "100", "75"));
    // Another style than the default names a file of its own; the default adds nothing.
    FrameStyle fill;
    fill.fit = FitMode::Cover;
    fill.colors = 64;
    EXPECT_EQ(GetFrameCacheFile(frameValuesAt(frames, 3), FrameSize{8, 8, "8", "8"}, "/t/", fill),
              "/t/__tmp__x.png_t_True_c_16777215_w_8_h_8_s_fc64__.gif");
    EXPECT_EQ(GetFramePicturePath(frames, 2), "/p/spaced name.png");
    EXPECT_EQ(GetFramePicturePath(frames, 5), "");
}

// Every "__tmp__*.gif" in any letter case goes, the kept WebP and PNG animations, and hidden
// leftovers of killed writes of such files; everything else stays, and so do links, pipes and
// folders of that pattern.
TEST(FrameCacheNames, CleanUpRemovesOnlyTempGifs)
{
    QTemporaryDir dir, elsewhere;
    const QStringList doomed = {"__tmp__a.png_t_True_c_1_w_1_h_1__.gif", "__TMP__Other.GIF", "__tmp__animation_ab12.webp",
                                "__tmp__animation_cd34.PNG", ".__tmp__a.png_t_True_c_1_w_1_h_1__.gif.pictoreel-k1",
                                ".__tmp__preview.gif.pictoreel-2", ".__tmp__animation_ab12.webp.pictoreel-3"};
    const QStringList kept = {"__tmp__extract__Frame_1.bmp", "keep.gif", "x__tmp__y.gif", "__tmp__.gif.txt",
                              ".__tmp__preview.gif.orig", "__tmp__extract__Frame_2.png", "__tmp__photo.webp",
                              ".__tmp__animation_ab12.webp.orig"};
    for (const QString& name : doomed + kept)
        ASSERT_TRUE(writeFileContents(dir.filePath(name), "x"));
    QDir().mkdir(dir.filePath("__tmp__folder.gif"));
    const QString linked = elsewhere.filePath("__tmp__mine.gif");
    ASSERT_TRUE(writeFileContents(linked, "mine") && QFile::link(linked, dir.filePath("__tmp__link.gif")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("__tmp__pipe.gif")).constData(), 0600), 0);
    EXPECT_EQ(deleteTempGifs(dir.path() + "/"), 4);
    for (const QString& name : kept + QStringList{"__tmp__link.gif", "__tmp__pipe.gif", "__tmp__folder.gif"})
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(name))) << name.toStdString();
    for (const QString& name : doomed)
        EXPECT_FALSE(QFile::exists(dir.filePath(name))) << name.toStdString();
    EXPECT_EQ(fileContents(linked), "mine");
    EXPECT_EQ(deleteTempGifs(dir.path() + "/does-not-exist/"), 0);
}

// The working files of a make that was killed go at a later make, once they are an hour old (the
// hidden file one was written through at once); those of a running process (this one, init) and
// younger ones stay, and so does everything else.
TEST(FrameCacheNames, WorkingFilesOfEndedMakesGo)
{
    QTemporaryDir dir;
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    const QString ended = QString::number(child), running = QString::number(::getpid());
    const QStringList doomed = {"__tmp__making_" + ended + "_0.gif", ".__tmp__making_" + ended + "_1.gif.pictoreel-k1",
                                "__tmp__budget_" + ended + "_frame_3.gif"};
    const QStringList old = QStringList{doomed[0], doomed[2], "__tmp__making_" + running + "_0.gif", "__tmp__budget_1_attempt_2.gif",
                                        "__tmp__making_x_0.gif", "__tmp__f000.png_t_False_c_1_w_1_h_1__.gif"};
    for (const QString& name : old + QStringList{doomed[1], "__tmp__budget_" + ended + "_attempt_1.gif"}) {
        ASSERT_TRUE(writeFileContents(dir.filePath(name), "x"));
        const utimbuf hoursAgo{::time(nullptr) - 7200, ::time(nullptr) - 7200};
        ASSERT_TRUE(!old.contains(name) || ::utime(QFile::encodeName(dir.filePath(name)).constData(), &hoursAgo) == 0);
    }
    EXPECT_EQ(removeFilesOfEndedRuns(dir.path() + "/"), 3);
    for (const QString& name : doomed)
        EXPECT_FALSE(QFile::exists(dir.filePath(name))) << name.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 5);
}

// Made animations kept for re-making an unchanged project.
TEST(AnimationCache, TheNameChangesWithEverythingThatWentIn)
{
    QTemporaryDir dir;
    const QString temp = dir.path() + u'/';
    ASSERT_TRUE(writeFileContents(dir.filePath("a.gif"), "GIF89a frame a;") && writeFileContents(dir.filePath("b.gif"), "GIF89a b;"));
    const std::vector<AnimationFrameSource> frames{{dir.filePath("a.gif"), 10}, {QString(), 20}, {dir.filePath("b.gif"), 30}};
    const AnimationSettings loopForEver{0};
    const QString name = cachedAnimationPath(temp, frames, loopForEver);
    EXPECT_TRUE(QFileInfo(name).fileName().startsWith("__tmp__animation_"));
    EXPECT_EQ(cachedAnimationPath(temp, frames, loopForEver), name);
    auto otherDelay = frames, otherOrder = frames;
    otherDelay[1].delayCentiseconds = 21;
    std::swap(otherOrder[0], otherOrder[2]);
    for (const QString& other : {cachedAnimationPath(temp, otherDelay, loopForEver), cachedAnimationPath(temp, otherOrder, loopForEver),
                                 cachedAnimationPath(temp, frames, AnimationSettings{}), cachedAnimationPath(temp, frames, AnimationSettings{3})})
        EXPECT_NE(other, name);

    // A frame file written again (same name and size, a new time) is another animation.
    utimbuf old{1000000000, 1000000000};
    ASSERT_EQ(::utime(QFile::encodeName(dir.filePath("b.gif")).constData(), &old), 0);
    EXPECT_NE(cachedAnimationPath(temp, frames, loopForEver), name);
    QFile::remove(dir.filePath("a.gif"));
    EXPECT_TRUE(cachedAnimationPath(temp, frames, loopForEver).isEmpty());
}

// Whole GIFs, WebPs and PNGs are copied, cut or unknown ones not; the newest few kept animations
// stay (one copied counts as new), and other files of the prefix are left alone.
TEST(AnimationCache, OnlyWholeAnimationsAreCopiedAndAFewAreKept)
{
    QTemporaryDir dir;
    const auto kept = [&dir](int i, const char* suffix = "gif") {
        return dir.filePath(QStringLiteral("__tmp__animation_%1.%2").arg(i, 32, 16, QChar(u'0')).arg(suffix));
    };
    const QString output = dir.filePath("made.gif"), cached = kept(1);
    std::vector<int> progress;
    const auto record = [&](int p) { progress.push_back(p); };
    ASSERT_TRUE(writeFileContents(output, "old output"));
    EXPECT_FALSE(copyCachedAnimation(cached, output, record));  // nothing cached yet

    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + "IHDR and the rest" + QByteArray("IEND\xae\x42\x60\x82", 8);
    const auto riff = [](int sizeOff) -> QByteArray {
        const QByteArray body = "WEBPVP8X and frames";
        const int size = int(body.size()) + sizeOff;
        return "RIFF" + QByteArray(1, char(size & 0xFF)) + QByteArray(1, char(size >> 8)) + QByteArray(2, '\0') + body;
    };
    for (const auto& [bytes, whole] : std::vector<std::pair<QByteArray, bool>>{
             {"GIF89a cut short", false}, {png, true}, {png.chopped(1), false}, {png.mid(1), false}, {riff(0), true},
             {riff(1), false}, {riff(-1), false}, {"RIFF\x10\0\0\0WAVEfmt and more", false}, {"GIF89a whole animation;", true}}) {
        SCOPED_TRACE(bytes.toStdString());
        ASSERT_TRUE(writeFileContents(cached, bytes) && writeFileContents(output, "old output"));
        progress.clear();
        EXPECT_EQ(copyCachedAnimation(cached, output, record).ok(), whole);
        EXPECT_EQ(std::pair(fileContents(output), progress),
                  whole ? std::pair(bytes, std::vector<int>{100}) : std::pair(QByteArray("old output"), std::vector<int>{}));
    }

    // An output that holds the animation already stays the same file, marked as made now; a
    // link to such bytes is replaced by a file of its own, its target left alone.
    const QByteArray gif = "GIF89a whole animation;";
    ASSERT_TRUE(writeFileContents(cached, gif) && writeFileContents(output, gif));
    const utimbuf longAgo{1000000000, 1000000000};
    ASSERT_EQ(::utime(QFile::encodeName(output).constData(), &longAgo), 0);
    const auto inodeAndTime = [](const QString& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0);
        return std::pair(st.st_ino, st.st_mtime);
    };
    const auto before = inodeAndTime(output);
    ASSERT_TRUE(copyCachedAnimation(cached, output, {}));
    EXPECT_EQ(inodeAndTime(output).first, before.first);
    EXPECT_GT(inodeAndTime(output).second, before.second);
    const QString target = dir.filePath("target.gif"), link = dir.filePath("link.gif");
    ASSERT_TRUE(writeFileContents(target, gif));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    ASSERT_TRUE(copyCachedAnimation(cached, link, {}));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(std::pair(fileContents(link), fileContents(target)), std::pair(gif, gif));

    ASSERT_TRUE(writeFileContents(dir.filePath("__tmp__animation_tab.gif"), "the tab's"));
    for (int i = 1; i <= 6; ++i) {  // made in turn, a second apart
        const QString file = kept(i, i % 2 || i == 1 ? "gif" : "webp");
        const utimbuf at{1000000000 + i, 1000000000 + i};
        ASSERT_TRUE(i == 1 || writeFileContents(file, "made"));
        ASSERT_EQ(::utime(QFile::encodeName(file).constData(), &at), 0);
    }
    ASSERT_TRUE(copyCachedAnimation(kept(1), output, {}));
    keepAnimation(output, kept(7));
    for (const QString& name : {kept(7), kept(1), kept(6, "webp"), kept(5), dir.filePath("__tmp__animation_tab.gif")})
        EXPECT_TRUE(QFileInfo::exists(name)) << name.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList({"__tmp__animation_*"}, QDir::Files).size(), 5);
}

class FrameCache : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(temp) && QDir().mkpath(dir.filePath("pics"))); }
    QString picture(const QString& name) const { return dir.filePath("pics/" + name); }
    void addRow(const QString& name, const QString& folder = {}, const char* trans = "NO")
    {
        frames.AddFrameFromString(QStringLiteral("10;%1;16777215;%2;%3/").arg(trans, name, folder.isEmpty() ? dir.filePath("pics") : folder));
    }
    Result<QString> frameGif(int row, const char* width = "8", const char* height = "8") const
    {
        return frameGifFor(frameConversionFor(frameValuesAt(frames, row), frameSizeFromTexts(width, height).value(), temp));
    }
    QString gifOf(int row, const char* width = "8", const char* height = "8")
    {
        const auto gif = frameGif(row, width, height);
        EXPECT_TRUE(gif.ok()) << row << ": " << (gif.ok() ? "" : gif.error().message.toStdString());
        return gif.ok() ? gif.value() : QString("(failed)");
    }
    // Rows 1 and 2: a blue and a green picture, both "IMG.bmp", in two folders.
    void addBlueAndGreenOfOneName()
    {
        ASSERT_TRUE(QDir().mkpath(dir.filePath("trip")));
        writeBmp(picture("IMG.bmp"), solidPicture(8, 8, {0, 0, 255}));
        writeBmp(dir.filePath("trip/IMG.bmp"), solidPicture(8, 8, {0, 255, 0}));
        addRow("IMG.bmp");
        addRow("IMG.bmp", dir.filePath("trip"));
    }
    QTemporaryDir dir;
    const QString temp = dir.filePath("temp") + "/";
    FrameList frames;
};

// Converted once to exactly the project's size, with the transparent colour transparent; reused
// while the picture is unchanged, converted again under the same name once it is edited.
TEST_F(FrameCache, ConvertsOnceToTheProjectSizeThenReusesTheFileUntilThePictureChanges)
{
    writeBmp(picture("a.bmp"), makePicture(40, 30, [](int x, int) { return x < 20 ? Rgb{255, 255, 255} : Rgb{10, 200, 30}; }));
    addRow("a.bmp", {}, "YES");
    const QString gif = gifOf(1, "20", "15");
    EXPECT_EQ(gif, temp + "__tmp__a.bmp_t_True_c_16777215_w_20_h_15__.gif");
    EXPECT_EQ(std::pair(decodeGifFile(gif).value().info.width, decodeGifFile(gif).value().info.height), std::pair(20, 15));
    EXPECT_EQ(pixelOf(gif, 15, 7), (std::vector<int>{10, 200, 30, 255}));
    EXPECT_EQ(pixelOf(gif, 3, 7)[3], 0);

    const QDateTime before = QFileInfo(gif).lastModified();
    EXPECT_TRUE(gifOf(1, "20", "15") == gif && QFileInfo(gif).lastModified() == before);  // reused, not converted again
    writeBmp(picture("red.bmp"), solidPicture(40, 30, {255, 0, 0}));  // same size, written in place
    ASSERT_TRUE(writeFileContents(picture("a.bmp"), fileContents(picture("red.bmp"))));
    ASSERT_TRUE(testing::moveModifiedOn(picture("a.bmp")));
    EXPECT_EQ(gifOf(1, "20", "15"), gif);
    EXPECT_EQ(pixelOf(gif, 15, 7)[0], 255);
    // Rewritten in place once more, and given its modification time back: the change time tells.
    struct stat was {};
    ASSERT_EQ(::stat(QFile::encodeName(picture("a.bmp")).constData(), &was), 0);
    writeBmp(picture("blue.bmp"), solidPicture(40, 30, {0, 0, 255}));
    ASSERT_TRUE(writeFileContents(picture("a.bmp"), fileContents(picture("blue.bmp"))));
    const timespec times[2] = {was.st_atim, was.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(picture("a.bmp")).constData(), times, 0), 0);
    EXPECT_EQ(gifOf(1, "20", "15"), gif);
    EXPECT_EQ(pixelOf(gif, 15, 7), (std::vector<int>{0, 0, 255, 255}));
}

// Pictures of one name in two folders get a file each, also when converted apart (the pool's
// case below converts them together); a file at the cache name that records no picture (an older
// cache, anything else) or that was cut short is converted over.
TEST_F(FrameCache, EveryPictureHasItsOwnFileAndOnlyItsRecordIsReused)
{
    addBlueAndGreenOfOneName();
    const QString blue = gifOf(1), green = gifOf(2);
    EXPECT_NE(green, blue);
    ASSERT_TRUE(writeFileContents(blue, fileContents(green).replace("Pictoreel", "Elsewhere")));
    EXPECT_TRUE(readFrameCacheRecord(blue).isEmpty());
    EXPECT_EQ(gifOf(1), blue);
    EXPECT_EQ(pixelOf(blue, 3, 3)[2], 255);
    EXPECT_FALSE(readFrameCacheRecord(blue).isEmpty());
    // A file cut short keeps its record but lost its end: it is converted again too.
    const QByteArray whole = fileContents(blue);
    ASSERT_TRUE(writeFileContents(blue, whole.left(whole.size() - 9)));
    EXPECT_TRUE(readFrameCacheRecord(blue).isEmpty());
    EXPECT_EQ(gifOf(1), blue);
    EXPECT_EQ(fileContents(blue), whole);
}

// Two makes at once, each looking its frames up before the other has written any: pictures of
// one name in two folders each end up in a file of their own, whichever converts first, and the
// file one make has written is never written over by the other.
TEST_F(FrameCache, TwoMakesAtOnceNeverWriteOverTheOthersFile)
{
    addBlueAndGreenOfOneName();
    for (bool blueFirst : {true, false}) {
        const auto conversion = [&](int row) { return frameConversionFor(frameValuesAt(frames, row), frameSizeFromTexts("8", "8").value(), temp); };
        FrameCacheEntry blue = locateFrameCache(conversion(1)), green = locateFrameCache(conversion(2));  // two makes: no shared claims
        ASSERT_TRUE(blue.state == FrameCacheEntry::State::ToConvert && green.state == FrameCacheEntry::State::ToConvert);
        ASSERT_TRUE(convertFrame(conversion(blueFirst ? 1 : 2), blueFirst ? blue : green));
        ASSERT_TRUE(convertFrame(conversion(blueFirst ? 2 : 1), blueFirst ? green : blue));
        EXPECT_NE(blue.file, green.file);
        EXPECT_EQ(pixelOf(blue.file, 3, 3), (std::vector<int>{0, 0, 255, 255})) << blueFirst;
        EXPECT_EQ(pixelOf(green.file, 3, 3), (std::vector<int>{0, 255, 0, 255})) << blueFirst;
        EXPECT_EQ(blueFirst ? blue.file : green.file, conversion(1).cacheFile);  // the first to finish takes the common name
        // Each is found again where it went.
        EXPECT_EQ(std::pair(gifOf(1), gifOf(2)), std::pair(blue.file, green.file));
        EXPECT_EQ(deleteTempGifs(temp), 2);
    }
}

// Names the file system cannot take as one cache file name: a picture name of 229 characters (or
// of two-byte letters), a hand-edited name reaching into another folder, the long name again in
// another folder. Each converts into one file of the temp folder whose name the clean-up knows.
// A missing picture gives no file and the empty text; a bad picture an error and no file.
TEST_F(FrameCache, EveryNameGivesOneFileInTheTempFolderAndMissingPicturesNone)
{
    addRow("gone.bmp");
    addRow("");
    EXPECT_EQ(gifOf(1), "");
    EXPECT_EQ(gifOf(2), "");
    ASSERT_TRUE(writeFileContents(picture("junk.png"), "this is not a picture at all"));
    addRow("junk.png");
    EXPECT_FALSE(frameGif(3).ok());
    EXPECT_TRUE(QDir(temp).isEmpty());

    const QString longName = QString(225, u'n') + ".bmp";
    const QString letters = QString(120, QChar(0x00FC)) + ".bmp";  // 244 bytes in UTF-8
    QDir().mkpath(picture("other"));
    for (const QString& name : {longName, letters, QString("../up.bmp"), QString("other/" + longName)})
        writeBmp(picture(name), solidPicture(8, 8, {0, 0, 255}));
    for (const QString& name : {longName, letters, QString("../up.bmp")})
        addRow(name);
    addRow(longName, picture("other"));
    QStringList files;
    for (int row = 4; row <= frames.rowCount(); ++row) {
        const QFileInfo file(gifOf(row));
        EXPECT_EQ(file.absolutePath() + "/", temp) << row;
        EXPECT_TRUE(file.isFile()) << row;
        EXPECT_LE(QFile::encodeName(file.fileName()).size(), 255) << row;
        EXPECT_TRUE(file.fileName().startsWith("__tmp__") && file.fileName().endsWith("__.gif")) << row;
        files << file.fileName();
    }
    files.removeDuplicates();
    EXPECT_EQ(files.size(), 4);
    EXPECT_EQ(deleteTempGifs(temp), 4);
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
    addRow("p3.bmp", dir.filePath("other"));
    addRow("missing.bmp");
    addRow("p3.bmp");
    auto runPool = [&](const QString& folder, int jobs) {
        QDir().mkpath(folder);
        std::vector<FrameConversion> conversions;
        for (int row = 1; row <= frames.rowCount(); ++row)
            conversions.push_back(frameConversionFor(frameValuesAt(frames, row), FrameSize{32, 24, "32", "24"}, folder));
        ConversionPool pool(conversions, jobs);
        std::vector<ConversionPool::Outcome> outcomes;
        for (std::size_t i = 0; i < conversions.size(); ++i)
            outcomes.push_back(pool.waitFor(i).outcome);
        return outcomes;
    };
    const QString one = dir.filePath("one") + "/", four = dir.filePath("four") + "/";
    const auto serial = runPool(one, 1);
    EXPECT_EQ(serial, runPool(four, 4));
    using Outcome = ConversionPool::Outcome;
    EXPECT_EQ(std::vector<Outcome>(serial.begin() + 11, serial.end()),
              (std::vector<Outcome>{Outcome::Converted, Outcome::Converted, Outcome::Missing, Outcome::Cached}));
    const QStringList names = QDir(one).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(names.size(), 13);
    EXPECT_EQ(names, QDir(four).entryList(QDir::Files, QDir::Name));
    for (const QString& name : names)
        EXPECT_EQ(fileContents(one + name), fileContents(four + name)) << name.toStdString();
    // The common name holds p3 of the first folder; the black one has a file of its own.
    EXPECT_NE(pixelOf(one + "__tmp__p3.bmp_t_False_c_16777215_w_32_h_24__.gif", 20, 20)[0], 0);
    const QStringList own = QDir(one).entryList({"__tmp__p3.bmp_t_False_c_16777215_w_32_h_24_p_*__.gif"});
    ASSERT_EQ(own.size(), 1);
    EXPECT_EQ(pixelOf(one + own[0], 20, 20)[0], 0);
    for (auto outcome : runPool(one, 2))  // everything cached now: a second run converts nothing
        EXPECT_NE(outcome, Outcome::Converted);
}

// Images kept for the assembly hold back the conversions beyond a budget, so a slow assembly of
// large frames does not gather every frame's image; the row it waits for is always converted.
TEST_F(FrameCache, PoolRunsAheadOfItsTakerOnlyWithinItsBudget)
{
    for (int i = 0; i < 12; ++i) {
        writeBmp(picture(QString("p%1.bmp").arg(i)), solidPicture(50, 40, {std::uint8_t(i * 20), 0, 0}));
        addRow(QString("p%1.bmp").arg(i));
    }
    std::vector<FrameConversion> conversions;
    for (int row = 1; row <= frames.rowCount(); ++row)
        conversions.push_back(frameConversionFor(frameValuesAt(frames, row), FrameSize{32, 24, "32", "24"}, temp));
    const auto converted = [this] { return QDir(temp).entryList({"__tmp__*.gif"}, QDir::Files).size(); };
    ConversionPool pool(conversions, 2, PoolKeeping{true, false, 2 * 32 * 24});  // two images' worth
    ASSERT_EQ(pool.waitFor(0).outcome, ConversionPool::Outcome::Converted);
    QThread::msleep(200);  // ample time to convert all twelve, were nothing holding them back
    EXPECT_LE(converted(), 1 + 2 + 2);  // the taken one, two held, two started before the budget filled
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(pool.waitFor(i).outcome, ConversionPool::Outcome::Converted) << i;
        EXPECT_TRUE(pool.takeWritten(i) && !pool.takeWritten(i)) << i;
    }
    // A taker that stops taking lets the rest convert without room being made.
    pool.stopKeepingWritten();
    for (std::size_t i = 6; i < conversions.size(); ++i) {
        EXPECT_EQ(pool.waitFor(i).outcome, ConversionPool::Outcome::Converted) << i;
        EXPECT_FALSE(pool.takeWritten(i)) << i;
    }
    EXPECT_EQ(converted(), 12);
}

// With sources kept, the pool hands over the picture each frame's colours were reduced from: of a
// converted frame with its indices, of a cached one made again beside the conversions (and within
// the budget, which the taker's passing over a row frees too), of a frame stored with its own
// colours none. A pool with only cached frames makes their sources once asked to.
TEST_F(FrameCache, PoolHandsOverTheSourcesOfConvertedAndCachedFrames)
{
    for (int i = 0; i < 8; ++i) {
        writeBmp(picture(QString("p%1.bmp").arg(i)), makePicture(64, 48, [i](int x, int y) {
                     return Rgb{std::uint8_t(x * 4), std::uint8_t(y * 5), std::uint8_t(i * 30)};
                 }));
        addRow(QString("p%1.bmp").arg(i));
    }
    writeBmp(picture("flat.bmp"), solidPicture(64, 48, {10, 20, 30}));
    addRow("flat.bmp");
    std::vector<FrameConversion> conversions;
    for (int row = 1; row <= frames.rowCount(); ++row)
        conversions.push_back(frameConversionFor(frameValuesAt(frames, row), FrameSize{32, 24, "32", "24"}, temp));
    for (std::size_t k : {0, 1, 2, 5})
        ASSERT_TRUE(frameGifFor(conversions[k]).ok());
    const PoolKeeping keeping{true, true, 2 * 32 * 24 * 5};  // two frames' worth
    {
        ConversionPool pool(conversions, 2, keeping);
        EXPECT_TRUE(pool.convertsAny());
        for (std::size_t k = 0; k < conversions.size(); ++k) {
            const bool cached = k <= 2 || k == 5;
            EXPECT_EQ(pool.waitFor(k).outcome, cached ? ConversionPool::Outcome::Cached : ConversionPool::Outcome::Converted);
            if (k == 4)
                continue;  // passed over
            const ConversionPool::Written written = pool.takeWritten(k);
            EXPECT_EQ(written.indices == nullptr, cached) << k;
            ASSERT_EQ(written.source != nullptr, k != 8) << k;
            if (written.source)
                EXPECT_EQ(written.source->pixels, frameSource(conversions[k])->pixels) << k;
        }
    }
    ConversionPool cachedOnly(conversions, 2, keeping);
    EXPECT_FALSE(cachedOnly.convertsAny());
    cachedOnly.remakeCachedSources();
    for (std::size_t k = 0; k < conversions.size(); ++k)
        EXPECT_EQ(cachedOnly.takeWritten(k).source != nullptr, k != 8) << k;
}

// Frames repeat when they come out of conversion with the same pixels, whatever their files: a
// larger picture scaled to the same colour does, a damaged or missing one repeats nothing. A
// search stopped on request tells nothing.
TEST_F(FrameCache, RepeatedFramesAreFoundByTheirConvertedPixels)
{
    writeBmp(picture("red.bmp"), solidPicture(8, 8, {255, 0, 0}));
    writeBmp(picture("big red.bmp"), solidPicture(40, 30, {255, 0, 0}));
    writeBmp(picture("blue.bmp"), solidPicture(8, 8, {0, 0, 255}));
    writeFileContents(picture("damaged.bmp"), "BM not really");
    for (const char* name : {"red.bmp", "big red.bmp", "red.bmp", "blue.bmp", "blue.bmp", "missing.bmp", "missing.bmp",
                             "damaged.bmp", "damaged.bmp", "red.bmp"})
        addRow(name);
    std::vector<FrameConversion> conversions;
    for (int row = 1; row <= frames.rowCount(); ++row)
        conversions.push_back(frameConversionFor(frameValuesAt(frames, row), FrameSize{8, 8, "8", "8"}, temp));
    std::vector<std::size_t> told;
    RepeatSearch search;
    search.jobs = 3;
    search.frameCompared = [&](std::size_t compared) { told.push_back(compared); };
    EXPECT_EQ(findRepeatedFrames(conversions, search),
              (std::vector<bool>{false, true, true, false, true, false, false, false, false, false}));
    EXPECT_EQ(told, (std::vector<std::size_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));

    search.stopRequested = [&] { return told.size() == 12; };
    EXPECT_EQ(findRepeatedFrames(conversions, search), std::nullopt);
    EXPECT_EQ(told.size(), 12u);
}

}  // namespace
}  // namespace pictoreel
