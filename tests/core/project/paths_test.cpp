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

// Beside a "portable" marker the programs keep their files with them; installed (any prefix,
// writable or not) the settings go to the per-user configuration folder, the temp folder to the
// per-user cache, and nothing is written into bin/. A "Temp Path" of the settings still wins.
TEST(ProgramValuesTest, PortableProgramsKeepTheirFilesBesideThemInstalledOnesPerUser)
{
    QTemporaryDir root;
    qputenv("XDG_CONFIG_HOME", (root.path() + "/config").toUtf8());
    qputenv("XDG_CACHE_HOME", (root.path() + "/cache").toUtf8());
    const QString config = root.path() + "/config/pictoreel", cache = root.path() + "/cache/pictoreel/";
    const QString portable = root.path() + "/copied/bin", installed = root.path() + "/prefix/bin";
    ASSERT_TRUE(QDir().mkpath(portable) && QDir().mkpath(installed));
    ASSERT_TRUE(testing::writeFileContents(portable + "/portable", ""));
    const struct {
        QString executableFolder, settingsFolder, tempFolder;
    } cases[] = {
        {portable, portable, portable + "/temp/"},
        {installed, config, cache},
        {"/usr/bin", config, cache},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.executableFolder.toStdString());
        EXPECT_EQ(isPortableFolder(c.executableFolder), c.settingsFolder == c.executableFolder);
        const QString settings = settingsFolderFor(c.executableFolder);
        EXPECT_EQ(settings, c.settingsFolder);
        const ProgramValues v = resolveProgramValues(settings, {});
        EXPECT_EQ(v.settingsFile, c.settingsFolder + "/pictoreel.ini");
        EXPECT_EQ(v.tempFolder, c.tempFolder);
        EXPECT_EQ(v.previewFile, c.tempFolder + "__tmp__preview.gif");
        EXPECT_TRUE(QFileInfo(c.tempFolder).isDir());
    }
    EXPECT_TRUE(QDir(installed).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    const QString ini = config + "/pictoreel.ini";
    WriteIniKey("General", "Temp Path", root.path() + "/mine", ini);
    EXPECT_EQ(resolveProgramValues(config, {}).tempFolder, root.path() + "/mine/");
    // Blank, it stands for the cache folder, not the folder of the settings.
    ASSERT_TRUE(QDir(cache).removeRecursively());
    ASSERT_TRUE(testing::writeFileContents(ini, "[General]\nTemp Path=\n"));
    forgetParsedIniFiles();
    EXPECT_EQ(resolveProgramValues(config, {}).tempFolder, cache);
    EXPECT_TRUE(QFileInfo(cache).isDir());
}

}  // namespace
}  // namespace pictoreel
