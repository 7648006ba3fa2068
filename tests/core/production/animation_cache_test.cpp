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
using pictoreel::testing::writeFileContents;

TEST(AnimationCache, TheNameChangesWithEverythingThatWentIn)
{
    QTemporaryDir dir;
    const QString temp = dir.path() + u'/';
    ASSERT_TRUE(writeFileContents(dir.filePath("a.gif"), "GIF89a frame a;") && writeFileContents(dir.filePath("b.gif"), "GIF89a b;"));
    const std::vector<AnimationFrameSource> frames{{dir.filePath("a.gif"), 10}, {QString(), 20}, {dir.filePath("b.gif"), 30}};
    const AnimationSettings loopForEver{0};
    const QString name = cachedAnimationPath(temp, frames, loopForEver);
    EXPECT_TRUE(QFileInfo(name).fileName().startsWith("__tmp__animation_"));
    EXPECT_EQ(cachedAnimationPath(temp, frames, loopForEver), name);
    auto otherDelay = frames, otherOrder = frames;
    otherDelay[1].delayCentiseconds = 21;
    std::swap(otherOrder[0], otherOrder[2]);
    for (const QString& other : {cachedAnimationPath(temp, otherDelay, loopForEver), cachedAnimationPath(temp, otherOrder, loopForEver),
                                 cachedAnimationPath(temp, frames, AnimationSettings{}), cachedAnimationPath(temp, frames, AnimationSettings{3})})
        EXPECT_NE(other, name);

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
    const QString output = dir.filePath("made.gif"), cached = dir.filePath("__tmp__animation_1.gif");
    std::vector<int> progress;
    const auto record = [&](int p) { progress.push_back(p); };
    ASSERT_TRUE(writeFileContents(output, "old output"));
    EXPECT_FALSE(copyCachedAnimation(cached, output, record));  // nothing cached yet
    ASSERT_TRUE(writeFileContents(cached, "GIF89a cut short"));
    EXPECT_FALSE(copyCachedAnimation(cached, output, record));
    EXPECT_EQ(fileContents(output), "old output");
    EXPECT_TRUE(progress.empty());

    ASSERT_TRUE(writeFileContents(output, "GIF89a whole animation;"));
    keepAnimation(output, cached);
    ASSERT_TRUE(writeFileContents(output, "old output"));
    EXPECT_TRUE(copyCachedAnimation(cached, output, record));
    EXPECT_EQ(fileContents(output), "GIF89a whole animation;");
    EXPECT_EQ(progress, std::vector<int>{100});
    for (int i = 2; i <= 7; ++i)
        keepAnimation(output, dir.filePath(QStringLiteral("__tmp__animation_%1.gif").arg(i)));
    EXPECT_EQ(QDir(dir.path()).entryList({"__tmp__animation_*"}, QDir::Files).size(), 4);
}
