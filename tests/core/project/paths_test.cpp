// Text rules of numbers, making folders, and where the programs keep their files.
#include "core/project/numbers.h"
#include "core/project/paths.h"
#include "core/project/program_values.h"
#include "core/project/settings_store.h"
#include "support/files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

// Whole numbers and byte sizes read from text, as tests/data/numbers.txt lists them.
TEST(Numbers, ConvertsTextTheWayTheProgramReadsNumbers)
{
    const auto shown = [](const auto& number) { return number ? QString::number(*number) : QStringLiteral("-"); };
    for (const QString& line : testing::tableLines(PICTOREEL_TEST_DATA "/numbers.txt")) {
        SCOPED_TRACE(line.toStdString());
        const QString text = line.section(u'"', 1, 1).replace("\\t", "\t"), expected = line.section("=> ", 1).simplified();
        const QStringList read{shown(toInt16(text)), shown(toInt32(text)), shown(byteSizeFromText(text))};
        EXPECT_EQ(QString(read.join(u' ') + (isNumeric(text) ? "" : " no number")).toStdString(), expected.toStdString());
    }
}

// Every missing parent is made and empty parts skipped; a failure is reported once, with the
// whole path, and the folders made before it stay.
TEST(Paths, MakePathMakesEveryMissingParentOrSaysWhereItFailed)
{
    QTemporaryDir dir;
    QStringList reports;
    const PathErrorReporter reporter = [&](const QString& m) { reports << m; };
    EXPECT_TRUE(MakePath(dir.path() + "//a/ /b//c/", reporter));
    EXPECT_TRUE(QFileInfo(dir.path() + "/a/b/c").isDir() && !QFileInfo(dir.path() + "/a/ ").exists());
    ASSERT_TRUE(testing::writeFileContents(dir.path() + "/a/file", ""));
    const QString underFile = dir.path() + "/a/file/sub/";
    const QString tooLong = dir.path() + "/new1/new2/" + QString(300, 'x') + "/last/";
    EXPECT_FALSE(MakePath(underFile, reporter) || MakePath(tooLong, reporter));
    EXPECT_EQ(reports, QStringList({"Create directory error: " + underFile, "Create directory error: " + tooLong}));
    EXPECT_TRUE(QFileInfo(dir.path() + "/new1/new2").isDir());
}

// Beside a "portable" marker the programs keep their files with them; installed (any prefix),
// the settings go to the per-user configuration folder and the temp folder to the per-user cache.
// A "Temp Path" setting wins: a relative one is the settings folder's whatever the working folder,
// a blank one the settings folder (per user: the cache). Each is made and ends in a separator; a
// first start writes no settings, and nothing is ever written into bin/.
TEST(ProgramValues, SettingsAndTempFolderFollowTheLayoutAndTheTempPathSetting)
{
    QTemporaryDir root;
    qputenv("XDG_CONFIG_HOME", root.filePath("config").toUtf8());
    qputenv("XDG_CACHE_HOME", root.filePath("cache").toUtf8());
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", root.filePath("home").toUtf8());
    const QString config = root.filePath("config/pictoreel"), cache = root.filePath("cache/pictoreel/");
    const QString portable = root.filePath("copied/bin"), installed = root.filePath("prefix/bin");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir().mkpath(portable) && QDir().mkpath(installed) && QDir::setCurrent(installed));
    ASSERT_TRUE(testing::writeFileContents(portable + "/portable", ""));
    const struct {
        QString executableFolder;
        std::optional<QString> tempPath;
        QString expected;
    } cases[] = {
        {portable, std::nullopt, portable + "/temp/"},
        {portable, "cache/gifs", portable + "/cache/gifs/"},
        {portable, root.filePath("abs"), root.filePath("abs") + "/"},
        {portable, "", portable + "/"},
        {"/usr/bin", "", cache},
        {installed, std::nullopt, cache},
        {installed, "mine", config + "/mine/"},
        {installed, "~/gifs", root.filePath("home/gifs/")},
    };
    QStringList reports;
    for (const auto& c : cases) {
        SCOPED_TRACE(QString(c.executableFolder + " " + c.tempPath.value_or("(none)")).toStdString());
        const QString settings = settingsFolderFor(c.executableFolder), ini = settings + "/pictoreel.ini";
        QFile::remove(ini);
        if (c.tempPath) {
            ASSERT_TRUE(testing::writeFileContents(ini, ("[General]\nTemp Path=" + *c.tempPath + "\n").toUtf8()));
        }
        forgetParsedIniFiles();
        const ProgramValues v = resolveProgramValues(settings, [&](const QString& m) { reports << m; });
        EXPECT_EQ(QStringList({v.settingsFile, v.tempFolder, v.previewFile}),
                  QStringList({(c.executableFolder == portable ? portable : config) + "/pictoreel.ini", c.expected, c.expected + "__tmp__preview.gif"}));
        EXPECT_TRUE(QFileInfo(c.expected).isDir() && QFile::exists(ini) == c.tempPath.has_value());
    }
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_TRUE(QDir(installed).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QDir::setCurrent(previous);
    qputenv("HOME", home);
}

}  // namespace
}  // namespace pictoreel
