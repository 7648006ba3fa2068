// Replacing a file only when the new one is complete.
#include "core/project/replacing_file.h"

#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace pictoreel;

namespace {

using pictoreel::testing::fileContents;

int mode(const QString& path)
{
    struct stat s {};
    return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? int(s.st_mode & 0777) : -1;
}

}  // namespace

TEST(ReplacingFile, TheTargetChangesOnlyAtCommitAndKeepsItsPermissions)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.gif"));
    ASSERT_TRUE(pictoreel::testing::writeFileContents(target, "old"));
    ::chmod(QFile::encodeName(target).constData(), 0640);
    {
        ReplacingFile file(target);
        ASSERT_TRUE(file.open());
        EXPECT_TRUE(file.write("new contents"));
        EXPECT_EQ(fileContents(target), "old");  // nothing visible before the commit
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(fileContents(target), "new contents");
    EXPECT_EQ(mode(target), 0640);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.gif")});

    // A file given up (cancelled or destroyed unfinished) leaves the target and no temporary file.
    for (bool cancelExplicitly : {true, false}) {
        ReplacingFile file(target);
        ASSERT_TRUE(file.open());
        file.write("half");
        if (cancelExplicitly)
            file.cancel();
    }
    EXPECT_EQ(fileContents(target), "new contents");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("out.gif")});
}

TEST(ReplacingFile, RefusesWhatItCannotReplace)
{
    QTemporaryDir dir;
    ReplacingFile missingFolder(dir.filePath(QStringLiteral("no/such/folder/out.gif")));
    EXPECT_FALSE(missingFolder.open());
    EXPECT_FALSE(missingFolder.errorString().isEmpty());

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    ReplacingFile folder(dir.filePath(QStringLiteral("folder")));
    EXPECT_FALSE(folder.open());
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());

    ReplacingFile neverOpened(dir.filePath(QStringLiteral("x")));
    EXPECT_FALSE(neverOpened.commit());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x"))));
}
