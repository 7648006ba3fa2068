// Telling whether a file already holds the bytes of another, piece by piece.
#include "core/base/same_bytes.h"

#include "support/files.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace pictoreel;
using pictoreel::testing::writeFileContents;

// The bytes of a source longer than two pieces against copies that differ in one byte at a piece
// boundary or at the very end, in length, or in kind: only the exact copy, itself a file, counts.
TEST(SameBytes, OnlyAnExactCopyThatIsAFileItselfCounts)
{
    QTemporaryDir dir;
    QByteArray bytes(40000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 % 251);
    const QString source = dir.filePath("source"), copy = dir.filePath("copy");
    ASSERT_TRUE(writeFileContents(source, bytes));
    const int fd = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);

    ASSERT_TRUE(writeFileContents(copy, bytes));
    EXPECT_TRUE(holdsSameBytes(fd, bytes.size(), copy));
    for (int at : {0, 16383, 16384, 39999}) {
        QByteArray other = bytes;
        other[at] = char(other[at] ^ 1);
        ASSERT_TRUE(writeFileContents(copy, other));
        EXPECT_FALSE(holdsSameBytes(fd, bytes.size(), copy)) << at;
    }
    ASSERT_TRUE(writeFileContents(copy, bytes + 'x'));
    EXPECT_FALSE(holdsSameBytes(fd, bytes.size(), copy));
    ASSERT_TRUE(writeFileContents(copy, bytes.left(20000)));
    EXPECT_FALSE(holdsSameBytes(fd, bytes.size(), copy));
    EXPECT_TRUE(holdsSameBytes(fd, 20000, copy));  // the source's first 20,000 bytes

    const QString link = dir.filePath("link"), fifo = dir.filePath("fifo");
    ASSERT_EQ(::symlink(QFile::encodeName(source).constData(), QFile::encodeName(link).constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(dir.filePath("folder")));
    for (const char* name : {"link", "fifo", "folder", "missing"})
        EXPECT_FALSE(holdsSameBytes(fd, bytes.size(), dir.filePath(name))) << name;
    ::close(fd);
}
