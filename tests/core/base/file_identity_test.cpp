// Telling files apart without reading them: stamps, one path matched against many, and the start
// of a file read without ever waiting.
#include "core/base/file_identity.h"

#include "support/files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace pictoreel;
using pictoreel::testing::writeFileContents;

namespace {

bool link(const QString& target, const QString& name)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(name).constData()) == 0;
}

QString canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

}  // namespace

// A stamp names the file with every link resolved, its own name included, and follows a folder
// link that is pointed elsewhere between two looks; a folder, a missing file or a dangling link has
// no stamp.
TEST(FileIdentity, StampsResolveLinksAsTheyAreNow)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a")), b = dir.filePath(QStringLiteral("b"));
    ASSERT_TRUE(QDir().mkpath(a) && QDir().mkpath(b));
    ASSERT_TRUE(writeFileContents(a + QStringLiteral("/p.png"), "first"));
    ASSERT_TRUE(writeFileContents(b + QStringLiteral("/p.png"), "the second"));
    const QString via = dir.filePath(QStringLiteral("via"));
    ASSERT_TRUE(link(a, via));

    auto stamp = stampOf(via + QStringLiteral("/p.png"));
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->path, canonical(a + QStringLiteral("/p.png")));
    EXPECT_EQ(stamp->size, 5);
    // Through a folder spelt with "..", as the file system walks it.
    stamp = stampOf(via + QStringLiteral("/../b/p.png"));
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->path, canonical(b + QStringLiteral("/p.png")));

    ASSERT_TRUE(QFile::remove(via) && link(b, via));
    stamp = stampOf(via + QStringLiteral("/p.png"));
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->path, canonical(b + QStringLiteral("/p.png")));
    EXPECT_EQ(stamp->size, 10);
    // The folder resolved before moves away and the link follows it.
    const QString moved = dir.filePath(QStringLiteral("c"));
    ASSERT_TRUE(QDir().rename(b, moved) && QFile::remove(via) && link(moved, via));
    stamp = stampOf(via + QStringLiteral("/p.png"));
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->path, canonical(moved + QStringLiteral("/p.png")));
    ASSERT_TRUE(QDir().rename(moved, b) && QFile::remove(via) && link(b, via));

    const QString fileLink = dir.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(link(a + QStringLiteral("/p.png"), fileLink));
    stamp = stampOf(fileLink);
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->path, canonical(a + QStringLiteral("/p.png")));
    EXPECT_EQ(stamp, stampOf(a + QStringLiteral("/p.png")));

    EXPECT_FALSE(stampOf(a));
    EXPECT_FALSE(stampOf(a + QStringLiteral("/none.png")));
    ASSERT_TRUE(link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("dangling"))));
    EXPECT_FALSE(stampOf(dir.filePath(QStringLiteral("dangling"))));
    EXPECT_FALSE(stampOf(QString()));
}

// One path matched against many: the same file under another name (link, hard link, spelling)
// matches; of two missing files, only the same path does; an existing and a missing one never.
TEST(FileIdentity, MatcherFindsTheSameFileUnderAnyName)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.gif"));
    ASSERT_TRUE(writeFileContents(out, "gif"));
    ASSERT_TRUE(link(out, dir.filePath(QStringLiteral("soft.gif"))));
    ASSERT_EQ(::link(QFile::encodeName(out).constData(), QFile::encodeName(dir.filePath(QStringLiteral("hard.gif"))).constData()), 0);
    ASSERT_TRUE(writeFileContents(dir.filePath(QStringLiteral("other.gif")), "gif"));

    const FileMatcher existing(out);
    EXPECT_TRUE(existing.matches(dir.filePath(QStringLiteral("soft.gif"))));
    EXPECT_TRUE(existing.matches(dir.filePath(QStringLiteral("hard.gif"))));
    EXPECT_TRUE(existing.matches(dir.path() + QStringLiteral("/./out.gif")));
    EXPECT_FALSE(existing.matches(dir.filePath(QStringLiteral("other.gif"))));
    EXPECT_FALSE(existing.matches(dir.filePath(QStringLiteral("missing.gif"))));
    EXPECT_FALSE(existing.matches(QString()));

    const FileMatcher missing(dir.filePath(QStringLiteral("missing.gif")));
    EXPECT_TRUE(missing.matches(dir.path() + QStringLiteral("/./missing.gif")));
    EXPECT_FALSE(missing.matches(dir.filePath(QStringLiteral("elsewhere.gif"))));
    EXPECT_FALSE(missing.matches(out));
    EXPECT_FALSE(FileMatcher(QString()).matches(QString()));
}

// The start of a file: as much as asked, all of a shorter one; nothing from a folder or a named
// pipe (which is not waited on), nor from nothing.
TEST(FileIdentity, ReadsTheStartOfRegularFilesOnly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.gif"));
    ASSERT_TRUE(writeFileContents(file, "GIF89a and more"));
    EXPECT_EQ(readFileStart(file, 6), QByteArray("GIF89a"));
    EXPECT_EQ(readFileStart(file, 4096), QByteArray("GIF89a and more"));
    const QString empty = dir.filePath(QStringLiteral("empty"));
    ASSERT_TRUE(writeFileContents(empty, ""));
    EXPECT_EQ(readFileStart(empty, 10), QByteArray());

    EXPECT_FALSE(readFileStart(dir.path(), 10));
    EXPECT_FALSE(readFileStart(dir.filePath(QStringLiteral("missing")), 10));
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_FALSE(readFileStart(pipe, 10));
}
