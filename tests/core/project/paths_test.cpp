#include "core/project/paths.h"
#include "core/project/program_values.h"
#include "core/project/settings_store.h"
#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

TEST(Paths, FileNameOfTakesTheTextAfterTheLastSeparator)
{
    EXPECT_EQ(FileNameOf("/home/ann/Projects/demo.agp"), "demo.agp");
    EXPECT_EQ(FileNameOf("demo.agp"), "demo.agp");
    EXPECT_EQ(FileNameOf("/home/ann/"), "");
    EXPECT_EQ(FileNameOf(""), "");
    EXPECT_EQ(joinPath("/pics", "a.png"), "/pics/a.png");
    EXPECT_EQ(joinPath("/pics/", "a.png"), "/pics/a.png");
    EXPECT_EQ(withTrailingSeparator("/tmp"), "/tmp/");
}

class MakePathTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QStringList reports;
    PathErrorReporter reporter() { return [this](const QString& m) { reports << m; }; }
};

TEST_F(MakePathTest, MakesEveryMissingParentAndSkipsEmptyParts)
{
    const QString target = dir.path() + "//a/ /b//c/";
    EXPECT_TRUE(MakePath(target, reporter()));
    EXPECT_TRUE(QFileInfo(dir.path() + "/a/b/c").isDir());
    EXPECT_FALSE(QFileInfo(dir.path() + "/a/ ").exists());
    EXPECT_TRUE(MakePath(dir.path() + "/a/b/c", reporter()));  // already there: nothing to say
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(MakePathTest, AFailureIsReportedOnceAndEarlierFoldersStay)
{
    QFile blocker(dir.path() + "/made/file");
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/made"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString target = dir.path() + "/made/file/sub/";
    EXPECT_FALSE(MakePath(target, reporter()));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0], "Create directory error: " + target);

    // A name the file system cannot hold stops the walk; the folders before it stay.
    reports.clear();
    const QString tooLong = dir.path() + "/new1/new2/" + QString(300, 'x') + "/last/";
    EXPECT_FALSE(MakePath(tooLong, reporter()));
    EXPECT_EQ(reports, QStringList{"Create directory error: " + tooLong});
    EXPECT_TRUE(QFileInfo(dir.path() + "/new1/new2").isDir());
}

TEST(ProgramValuesTest, FirstStartMakesTheDefaultTempFolder)
{
    QTemporaryDir dir;
    QStringList reports;
    const ProgramValues v = resolveProgramValues(dir.path(), [&](const QString& m) { reports << m; });
    EXPECT_EQ(v.settingsFile, dir.path() + "/pictoreel.ini");
    EXPECT_EQ(v.tempFolder, dir.path() + "/temp/");
    EXPECT_EQ(v.previewFile, dir.path() + "/temp/__tmp__preview.gif");
    EXPECT_TRUE(QFileInfo(v.tempFolder).isDir());
    EXPECT_FALSE(QFile::exists(v.settingsFile));
    EXPECT_TRUE(reports.isEmpty());
}

TEST(ProgramValuesTest, TempPathSettingGetsItsSeparatorOrFallsBackToTheProgramFolder)
{
    QTemporaryDir dir;
    const QString ini = dir.path() + "/pictoreel.ini";
    WriteIniKey("General", "Temp Path", dir.path() + "/Cache", ini);
    ProgramValues v = resolveProgramValues(dir.path(), {});
    EXPECT_EQ(v.tempFolder, dir.path() + "/Cache/");
    EXPECT_EQ(v.previewFile, dir.path() + "/Cache/__tmp__preview.gif");
    EXPECT_TRUE(QFileInfo(dir.path() + "/Cache").isDir());

    // Present but empty, as a hand edit leaves it.
    ASSERT_TRUE(testing::writeFileContents(ini, "[General]\nTemp Path=\n"));
    forgetParsedIniFiles();
    v = resolveProgramValues(dir.path(), {});
    EXPECT_EQ(v.tempFolder, dir.path() + "/");
}

TEST(ProgramValuesTest, SharedOrReadOnlyProgramFoldersKeepSettingsPerUser)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    EXPECT_EQ(settingsFolderFor("/usr/bin"), home.path() + "/pictoreel");
    EXPECT_TRUE(QFileInfo(home.path() + "/pictoreel").isDir());
    QTemporaryDir own;
    EXPECT_EQ(settingsFolderFor(own.path()), own.path());
}

}  // namespace
}  // namespace pictoreel
