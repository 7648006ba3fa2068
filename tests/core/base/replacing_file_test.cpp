// Replacing a file only when the new one is complete.
#include "core/base/replacing_file.h"

#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A write the file system refuses is told in its words. A full disk cannot be had without root,
// but a file size limit takes the same way through the code: the kernel first writes part of the
// bytes and refuses the rest (EFBIG there, ENOSPC on a full disk).
TEST(ReplacingFile, AFailedWriteSaysWhyAsTheSystemDoes)
{
    QTemporaryDir dir;
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    ReplacingFile file(dir.filePath(QStringLiteral("big.gif")));
    ASSERT_TRUE(file.open());
    rlimit small = old;
    small.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = file.write(QByteArray(300000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_FALSE(written);
    EXPECT_FALSE(file.commit());  // which removes the temporary file
    EXPECT_EQ(file.errorString(), QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// Temporary files of writers that were killed are removed by the next writer of the same target;
// one that a live writer holds stays, and so does anything else of a similar name.
TEST(ReplacingFile, LeftoversOfKilledWritersGoAtTheNextWrite)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.gif"));
    const QStringList others{".out.gif.orig", ".other.gif.pictoreel-abc", "out.gif.pictoreel-abc"};
    for (const QString& name : others + QStringList{".out.gif.pictoreel-dead1", ".out.gif.pictoreel-dead2"})
        ASSERT_TRUE(pictoreel::testing::writeFileContents(dir.filePath(name), "x"));
    const QString live = dir.filePath(QStringLiteral(".out.gif.pictoreel-live"));
    ASSERT_TRUE(pictoreel::testing::writeFileContents(live, "being written"));
    const int held = ::open(QFile::encodeName(live).constData(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    ReplacingFile writer(target);
    ASSERT_TRUE(writer.open());
    // A second writer of the same target at the same time leaves the first one's file alone.
    ReplacingFile second(target);
    ASSERT_TRUE(second.open());
    ASSERT_TRUE(writer.write("first") && writer.commit());
    ASSERT_TRUE(second.write("second") && second.commit());
    EXPECT_EQ(fileContents(target), "second");
    QStringList expected = others + QStringList{".out.gif.pictoreel-live", "out.gif"};
    expected.sort();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);

    ::close(held);  // its writer is gone
    EXPECT_EQ(ReplacingFile::removeStaleTemporaries(target), 1);
    EXPECT_FALSE(QFile::exists(live));
}
