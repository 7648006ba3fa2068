// Sequence edits on the frame list; rows written "name" (interval 10) or "name*interval".
#include "core/project/sequence_edits.h"

#include <gtest/gtest.h>

#include <tuple>

namespace pictoreel {
namespace {

FrameList framesOf(const char* names)
{
    FrameList frames;
    for (const QString& name : QString::fromLatin1(names).split(u' ', Qt::SkipEmptyParts)) {
        const QStringList parts = name.split(u'*');
        frames.AddFrameFromString(parts.value(1, QStringLiteral("10")) + ";YES;0;" + parts[0] + ";/p/");
    }
    return frames;
}

QString namesOf(const FrameList& frames)
{
    QStringList names;
    for (int k = 1; k <= frames.rowCount(); ++k) {
        const FrameEntry& e = frames.row(k);
        EXPECT_EQ(e.number, QString::number(k));
        names.append(e.interval == QLatin1String("10") ? e.fileName : e.fileName + u'*' + e.interval);
    }
    return names.join(u' ');
}

TEST(SequenceEdits, EditsTable)
{
    // Pictures are the same when their names start with the same letter.
    const auto merge = [](FrameList& f) {
        mergeRepeatedFrames(f, [&](int a, int b) { return f.row(a).fileName[0] == f.row(b).fileName[0]; });
    };
    const struct {
        const char* before;
        std::function<void(FrameList&)> edit;
        const char* after;
    } cases[] = {
        {"a b c d", [](FrameList& f) { reverseFrames(f, {3}); }, "d c b a"},  // one row: all
        {"a b c d e", [](FrameList& f) { reverseFrames(f, {4, 1, 2}); }, "d b c a e"},
        {"a b c d", pingPongFrames, "a b c d c b"},
        {"a b", pingPongFrames, "a b"},
        {"a b c d e", [](FrameList& f) { shiftFrames(f, {2, 4}, -1); }, "b a d c e"},
        {"a b c d e", [](FrameList& f) { shiftFrames(f, {1, 2, 4}, -1); }, "a b d c e"},
        {"a b c d e", [](FrameList& f) { shiftFrames(f, {3, 5}, +1); }, "a b d c e"},
        {"a b c", [](FrameList& f) { setFrameIntervals(f, {1, 3}, 7); }, "a*7 b c*7"},
        {"a b c", [](FrameList& f) { setFrameIntervals(f, {2}, 7); }, "a*7 b*7 c*7"},
        {"x1 x2 y1 x3 x4*5 x5", merge, "x1*20 y1 x3*25"},
        {"x1*32000 x2*767 x3*1", merge, "x1*32767 x3*1"},  // a run ends before the sum overflows
    };
    for (const auto& c : cases) {
        FrameList frames = framesOf(c.before);
        c.edit(frames);
        EXPECT_EQ(namesOf(frames), QString::fromLatin1(c.after)) << c.before;
    }
}

TEST(SequenceEdits, IntervalsFromARateAndAtASpeed)
{
    for (const auto& [fps, interval] : {std::pair<double, std::optional<int>>{25, 4}, {30, 3}, {0.5, 200}, {1000, 2},
                                        {0.001, 32767}, {0, std::nullopt}, {-5, std::nullopt}})
        EXPECT_EQ(intervalFromFps(fps), interval) << fps;
    // Halves round to even; 0 and 1 would be shown as 10 by players, so nothing falls under 2.
    const std::tuple<int, int, int> cases[] = {
        {10, 200, 5}, {5, 200, 2}, {3, 200, 2}, {7, 200, 4}, {9, 200, 4}, {3, 10, 30},
        {100, 1000, 10}, {1, 1000, 2}, {20000, 10, 32767}, {4, 5, 40}, {4, 5000, 2},
    };
    for (const auto& [interval, percent, faster] : cases)
        EXPECT_EQ(intervalAtSpeed(interval, percent), faster) << interval << " at " << percent << " %";

    FrameList frames = framesOf("a*10 b*3 c*1 d*4");
    const SpeedChange change = changeSpeed(frames, {2, 3}, 300);
    EXPECT_EQ(namesOf(frames), QStringLiteral("a b*2 c*2 d*4"));
    EXPECT_EQ(change.changed, 2);
    EXPECT_EQ(change.heldAtShortest, 2);  // 3 → 1 and 1 → 0.33 were both held at 2
    EXPECT_EQ(changeSpeed(frames, {}, 50).changed, 4);
    EXPECT_EQ(namesOf(frames), QStringLiteral("a*20 b*4 c*4 d*8"));
}

}  // namespace
}  // namespace pictoreel
