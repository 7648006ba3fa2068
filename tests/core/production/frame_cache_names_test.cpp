#include "core/production/frame_cache_names.h"

#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace pictoreel {
namespace {

TEST(FrameCacheNames, NameEncodesEverythingThatWentIntoTheConversion)
{
    FrameList frames;
    frames.AddFrameFromString("50;YES;16777215;sunset.jpg;/home/ann/Pictures/");
    frames.AddFrameFromString("50; no ;-1; spaced name.png ;/p");
    frames.AddFrameFromString("50;YES;red;x.png;/p/");
    EXPECT_EQ(GetFrameCacheFile(frames, 1, "/app/temp/", "100", "75"),
              "/app/temp/__tmp__sunset.jpg_t_True_c_16777215_w_100_h_75__.gif");
    EXPECT_EQ(GetFrameCacheFile(frames, 2, "/app/temp/", "0120", " 75"),
              "/app/temp/__tmp__ spaced name.png _t_False_c_-1_w_0120_h_ 75__.gif");
    // An unreadable colour is treated as white.
    EXPECT_EQ(GetFrameCacheFile(frames, 3, "/t/", "8", "8"), "/t/__tmp__x.png_t_True_c_16777215_w_8_h_8__.gif");
    // The interval and the folder are not part of the name.
    frames.AddFrameFromString("10;YES;16777215;sunset.jpg;/elsewhere/");
    EXPECT_EQ(GetFrameCacheFile(frames, 4, "/app/temp/", "100", "75"), GetFrameCacheFile(frames, 1, "/app/temp/", "100", "75"));
}

TEST(FrameCacheNames, PicturePathJoinsTrimmedFolderAndName)
{
    FrameList frames;
    frames.AddFrameFromString("1;NO;0;a.png;/pics");
    frames.AddFrameFromString("1;NO;0;a.png;/pics/");
    frames.AddFrameFromString("1;NO;0; a.png ;  ");
    frames.AddFrameFromString("1;NO;0;  ;/pics/");
    EXPECT_EQ(GetFramePicturePath(frames, 1), "/pics/a.png");
    EXPECT_EQ(GetFramePicturePath(frames, 2), "/pics/a.png");
    EXPECT_EQ(GetFramePicturePath(frames, 3), "a.png");
    EXPECT_EQ(GetFramePicturePath(frames, 4), "");
}

TEST(FrameCacheNames, CleanUpRemovesOnlyTempGifsInAnyLetterCase)
{
    QTemporaryDir dir;
    const QStringList doomed = {"__tmp__a.png_t_True_c_1_w_1_h_1__.gif", "__tmp__preview.gif", "__TMP__Other.GIF"};
    // Hidden leftovers of writes that were killed go too; other hidden files stay.
    const QStringList leftovers = {".__tmp__a.png_t_True_c_1_w_1_h_1__.gif.pictoreel-k1", ".__tmp__preview.gif.pictoreel-2"};
    const QStringList kept = {"__tmp__extract__Frame_1.bmp", "keep.gif", "x__tmp__y.gif", "__tmp__.gif.txt",
                              ".__tmp__preview.gif.orig"};
    for (const QString& name : leftovers)
        ASSERT_TRUE(testing::writeFileContents(dir.filePath(name), "half"));
    for (const QString& name : doomed + kept) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir().mkdir(dir.filePath("__tmp__folder.gif"));
    // Names of the pattern that are not the program's plain files: a link (to a file elsewhere)
    // and a pipe.
    QTemporaryDir elsewhere;
    const QString linked = elsewhere.filePath("__tmp__mine.gif");
    ASSERT_TRUE(testing::writeFileContents(linked, "mine"));
    ASSERT_TRUE(QFile::link(linked, dir.filePath("__tmp__link.gif")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("__tmp__pipe.gif")).constData(), 0600), 0);
    EXPECT_EQ(deleteTempGifs(dir.path() + "/"), 3);
    for (const QString& name : kept + QStringList{"__tmp__link.gif", "__tmp__pipe.gif"})
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(name))) << name.toStdString();
    EXPECT_EQ(testing::fileContents(linked), "mine");
    for (const QString& name : doomed + leftovers)
        EXPECT_FALSE(QFile::exists(dir.filePath(name))) << name.toStdString();
    EXPECT_TRUE(QDir(dir.filePath("__tmp__folder.gif")).exists());
    EXPECT_EQ(deleteTempGifs(dir.path() + "/does-not-exist/"), 0);
}

}  // namespace
}  // namespace pictoreel
