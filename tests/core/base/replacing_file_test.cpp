// Replacing a file only when the new one is complete.
#include "core/base/replacing_file.h"

#include "support/files.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace pictoreel;
using pictoreel::testing::fileContents;
using pictoreel::testing::writeFileContents;

namespace {

QStringList filesIn(const QTemporaryDir& dir) { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

}  // namespace

// The target changes only at the commit and keeps its permissions; a file given up (cancelled or
// destroyed unfinished) leaves the target and no temporary file; what cannot be replaced is refused.
TEST(ReplacingFile, TheTargetChangesOnlyAtCommit)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.gif"));
    ASSERT_TRUE(writeFileContents(target, "old"));
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QFile::Permissions permissions = QFile::permissions(target);
    {
        ReplacingFile file(target);
        ASSERT_TRUE(file.open());
        EXPECT_TRUE(file.write("new contents"));
        EXPECT_EQ(fileContents(target), "old");
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(QFile::permissions(target), permissions);
    for (bool cancelExplicitly : {true, false}) {
        ReplacingFile file(target);
        ASSERT_TRUE(file.open());
        file.write("half");
        if (cancelExplicitly)
            file.cancel();
    }
    EXPECT_EQ(fileContents(target), "new contents");
    EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("out.gif")});

    // A read-only target is refused, even for root, whom the system would let replace it.
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup));
    {
        ReplacingFile readOnly(target);
        EXPECT_FALSE(readOnly.open());
        EXPECT_EQ(readOnly.errorString(), QStringLiteral("It is read-only; it is not written over"));
    }
    EXPECT_EQ(fileContents(target), "new contents");

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    for (const char* name : {"no/such/folder/out.gif", "folder"}) {
        ReplacingFile refused(dir.filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(!refused.open() && !refused.errorString().isEmpty()) << name;
    }
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
    EXPECT_FALSE(ReplacingFile(dir.filePath(QStringLiteral("x"))).commit());  // never opened
    EXPECT_EQ(filesIn(dir), QStringList{QStringLiteral("out.gif")});
}

// A write the file system refuses is told in its words. A full disk cannot be had without root,
// but a file size limit takes the same way through the code: the kernel first writes part of the
// bytes and refuses the rest (EFBIG there, ENOSPC on a full disk).
TEST(ReplacingFile, AFailedWriteSaysWhyAsTheSystemDoes)
{
    QTemporaryDir dir;
    ReplacingFile file(dir.filePath(QStringLiteral("big.gif")));
    ASSERT_TRUE(file.open());
    bool written = true;
    {
        const pictoreel::testing::FileSizeLimit limit(100000);
        ASSERT_TRUE(limit.ok());
        written = file.write(QByteArray(300000, 'x'));
    }
    EXPECT_FALSE(written || file.commit());  // the failed commit removes the temporary file
    EXPECT_EQ(file.errorString(), QString::fromLocal8Bit(std::strerror(EFBIG)));
    EXPECT_TRUE(filesIn(dir).isEmpty());
}

// Temporary files of writers that were killed are removed by the next writer of the same target;
// one that a live writer holds stays (also a second writer's at the same time), and so does
// anything else of a similar name.
TEST(ReplacingFile, LeftoversOfKilledWritersGoAtTheNextWrite)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("out.gif")), live = dir.filePath(QStringLiteral(".out.gif.pictoreel-live"));
    const QStringList others{".out.gif.orig", ".other.gif.pictoreel-abc", "out.gif.pictoreel-abc"};
    for (const QString& name : others + QStringList{".out.gif.pictoreel-dead1", ".out.gif.pictoreel-dead2", ".out.gif.pictoreel-live"})
        ASSERT_TRUE(writeFileContents(dir.filePath(name), "x"));
    const int held = ::open(QFile::encodeName(live).constData(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    ReplacingFile writer(target), second(target);
    ASSERT_TRUE(writer.open() && second.open());
    ASSERT_TRUE(writer.write("first") && writer.commit());
    ASSERT_TRUE(second.write("second") && second.commit());
    EXPECT_EQ(fileContents(target), "second");
    QStringList expected = others + QStringList{".out.gif.pictoreel-live", "out.gif"};
    expected.sort();
    EXPECT_EQ(filesIn(dir), expected);
    ::close(held);  // its writer is gone
    EXPECT_EQ(ReplacingFile::removeStaleTemporaries(target), 1);
    EXPECT_FALSE(QFile::exists(live));
}
