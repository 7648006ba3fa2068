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

QString canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

// The path the stamp of `path` names; empty when it has none.
QString stampedPath(const QString& path)
{
    const auto stamp = stampOf(path);
    return stamp ? stamp->path : QString();
}

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
    ASSERT_TRUE(QFile::link(a, via));

    EXPECT_EQ(stampedPath(via + QStringLiteral("/p.png")), canonical(a + QStringLiteral("/p.png")));
    EXPECT_EQ(stampOf(via + QStringLiteral("/p.png")).value().size, 5);
    // Through a folder spelt with "..", as the file system walks it.
    EXPECT_EQ(stampedPath(via + QStringLiteral("/../b/p.png")), canonical(b + QStringLiteral("/p.png")));

    ASSERT_TRUE(QFile::remove(via) && QFile::link(b, via));
    EXPECT_EQ(stampedPath(via + QStringLiteral("/p.png")), canonical(b + QStringLiteral("/p.png")));
    EXPECT_EQ(stampOf(via + QStringLiteral("/p.png")).value().size, 10);
    // The folder resolved before moves away and the link follows it.
    const QString moved = dir.filePath(QStringLiteral("c"));
    ASSERT_TRUE(QDir().rename(b, moved) && QFile::remove(via) && QFile::link(moved, via));
    EXPECT_EQ(stampedPath(via + QStringLiteral("/p.png")), canonical(moved + QStringLiteral("/p.png")));

    const QString fileLink = dir.filePath(QStringLiteral("picture.png"));
    ASSERT_TRUE(QFile::link(a + QStringLiteral("/p.png"), fileLink));
    EXPECT_EQ(stampedPath(fileLink), canonical(a + QStringLiteral("/p.png")));
    EXPECT_EQ(stampOf(fileLink), stampOf(a + QStringLiteral("/p.png")));

    EXPECT_FALSE(stampOf(a));
    EXPECT_FALSE(stampOf(a + QStringLiteral("/none.png")));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("dangling"))));
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
    ASSERT_TRUE(QFile::link(out, dir.filePath(QStringLiteral("soft.gif"))));
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
