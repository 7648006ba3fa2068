// Made animations kept for re-making an unchanged project.
#include "core/production/animation_cache.h"

#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utime.h>

using namespace pictoreel;
using pictoreel::testing::fileContents;

namespace {

void put(const QString& path, const QByteArray& bytes) { ASSERT_TRUE(pictoreel::testing::writeFileContents(path, bytes)); }

}  // namespace

TEST(AnimationCache, TheNameChangesWithEverythingThatWentIn)
{
    QTemporaryDir dir;
    const QString temp = dir.path() + u'/';
    put(dir.filePath("a.gif"), "GIF89a frame a;");
    put(dir.filePath("b.gif"), "GIF89a frame b;");
    const std::vector<AnimationFrameSource> frames{{dir.filePath("a.gif"), 10}, {QString(), 20}, {dir.filePath("b.gif"), 30}};
    const AnimationSettings loopForEver{0};
    const QString name = cachedAnimationPath(temp, frames, loopForEver);
    ASSERT_FALSE(name.isEmpty());
    EXPECT_TRUE(QFileInfo(name).fileName().startsWith("__tmp__animation_"));
    EXPECT_EQ(cachedAnimationPath(temp, frames, loopForEver), name);

    auto otherDelay = frames;
    otherDelay[1].delayCentiseconds = 21;
    auto otherOrder = frames;
    std::swap(otherOrder[0], otherOrder[2]);
    EXPECT_NE(cachedAnimationPath(temp, otherDelay, loopForEver), name);
    EXPECT_NE(cachedAnimationPath(temp, otherOrder, loopForEver), name);
    EXPECT_NE(cachedAnimationPath(temp, frames, AnimationSettings{}), name);
    EXPECT_NE(cachedAnimationPath(temp, frames, AnimationSettings{3}), name);

    // A frame file written again (same name and size, a new time) is another animation.
    utimbuf old{1000000000, 1000000000};
    ASSERT_EQ(::utime(QFile::encodeName(dir.filePath("b.gif")).constData(), &old), 0);
    EXPECT_NE(cachedAnimationPath(temp, frames, loopForEver), name);

    QFile::remove(dir.filePath("a.gif"));
    EXPECT_TRUE(cachedAnimationPath(temp, frames, loopForEver).isEmpty());
}

TEST(AnimationCache, OnlyWholeAnimationsAreCopiedAndAFewAreKept)
{
    QTemporaryDir dir;
    const QString output = dir.filePath("made.gif");
    const QString cached = dir.filePath("__tmp__animation_1.gif");
    put(output, "old output");
    std::vector<int> progress;
    const auto record = [&](int p) { progress.push_back(p); };

    EXPECT_FALSE(copyCachedAnimation(cached, output, record));  // nothing cached yet
    put(cached, "GIF89a cut short");
    EXPECT_FALSE(copyCachedAnimation(cached, output, record));
    EXPECT_EQ(fileContents(output), "old output");
    EXPECT_TRUE(progress.empty());

    put(output, "GIF89a whole animation;");
    keepAnimation(output, cached);
    EXPECT_EQ(fileContents(cached), "GIF89a whole animation;");
    put(output, "old output");
    EXPECT_TRUE(copyCachedAnimation(cached, output, record));
    EXPECT_EQ(fileContents(output), "GIF89a whole animation;");
    EXPECT_EQ(progress, std::vector<int>{100});

    for (int i = 2; i <= 7; ++i)
        keepAnimation(output, dir.filePath(QStringLiteral("__tmp__animation_%1.gif").arg(i)));
    EXPECT_EQ(QDir(dir.path()).entryList({"__tmp__animation_*"}, QDir::Files).size(), 4);
}
