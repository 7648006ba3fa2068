#include "core/project/program_values.h"
#include "core/project/settings_store.h"
#include "support/files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

struct DataFolderCase {
    const char* name;
    std::vector<const char*> files;  // made under a scratch root
    const char* executableFolder;    // relative to the root
    const char* expected;            // relative to the root
};

void PrintTo(const DataFolderCase& c, std::ostream* os) { *os << c.name; }

class ProgramDataFolder : public ::testing::TestWithParam<DataFolderCase> {};

TEST_P(ProgramDataFolder, FindsTheHelpAndLogoInTheLayoutAtHand)
{
    const DataFolderCase& c = GetParam();
    QTemporaryDir root;
    for (const char* file : c.files) {
        const QString path = root.filePath(QString::fromLatin1(file));
        QDir().mkpath(QFileInfo(path).path());
        if (!path.endsWith(u'/')) {
            ASSERT_TRUE(testing::writeFileContents(path, "x"));
        }
    }
    QDir().mkpath(root.filePath(QString::fromLatin1(c.executableFolder)));
    EXPECT_EQ(programDataFolderFor(root.filePath(QString::fromLatin1(c.executableFolder))),
              QDir::cleanPath(root.filePath(QString::fromLatin1(c.expected))));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ProgramDataFolder,
    ::testing::Values(
        DataFolderCase{"BuildTree", {"build/bin/help/index.html", "build/bin/vimo.gif"}, "build/bin", "build/bin"},
        DataFolderCase{"BesideWithLogoOnly", {"app/vimo.gif", "share/pictoreel/help/index.html"}, "app", "app"},
        DataFolderCase{"Installed", {"usr/bin/pictoreel", "usr/share/pictoreel/help/index.html"}, "usr/bin",
                       "usr/share/pictoreel"},
        // A help folder without its index is not the manual: the share folder wins.
        DataFolderCase{"IncompleteHelpBeside", {"opt/bin/help/", "opt/share/pictoreel/vimo.gif"}, "opt/bin",
                       "opt/share/pictoreel"},
        DataFolderCase{"NothingAnywhere", {"lone/bin/pictoreel"}, "lone/bin", "lone/bin"}),
    [](const ::testing::TestParamInfo<DataFolderCase>& info) { return std::string(info.param.name); });

// "Temp Path" as the settings name it: a relative folder is the settings file's, whatever the
// working folder; an absolute one stays; a blank one is the settings folder itself.
TEST(ProgramValues, TempPathIsTakenFromTheSettingsFolder)
{
    QTemporaryDir root;
    const QString settings = root.filePath("app");
    const QString elsewhere = root.filePath("elsewhere");
    ASSERT_TRUE(QDir().mkpath(settings) && QDir().mkpath(elsewhere));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere));
    const struct {
        QString tempPath;
        QString expected;
    } cases[] = {
        {"cache/gifs", settings + "/cache/gifs/"},
        {"./t/", settings + "/t/"},
        {root.filePath("abs"), root.filePath("abs") + "/"},
        {"", settings + "/"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(testing::writeFileContents(settings + "/pictoreel.ini", ("[General]\nTemp Path=" + c.tempPath + "\n").toUtf8()));
        forgetParsedIniFiles();
        const ProgramValues values = resolveProgramValues(settings, [](const QString&) {});
        EXPECT_EQ(QDir::cleanPath(values.tempFolder) + "/", QDir::cleanPath(c.expected) + "/") << c.tempPath.toStdString();
        EXPECT_TRUE(QFileInfo(c.expected).isDir()) << c.tempPath.toStdString();
    }
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    QDir::setCurrent(previous);
}

}  // namespace
}  // namespace pictoreel
