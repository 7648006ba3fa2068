// The undo history of a project; rows written as their file names, "*" after a checked one.
#include "core/project/undo_history.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

std::vector<FrameEntry> rowsOf(const QString& names)
{
    std::vector<FrameEntry> rows;
    for (QString name : names.split(u' ', Qt::SkipEmptyParts)) {
        const bool checked = name.endsWith(u'*');
        name.remove(u'*');
        rows.push_back({{}, QStringLiteral("50"), QStringLiteral("YES"), QStringLiteral("0"), name, QStringLiteral("/p/"), checked});
    }
    return rows;
}

ProjectState stateOf(const QString& names, const QString& width = QStringLiteral("100"))
{
    ProjectState state{ProjectProperties{}, rowsOf(names)};
    state.properties.width = width;
    return state;
}

QString namesOf(const std::vector<FrameEntry>& rows)
{
    QStringList names;
    for (const FrameEntry& row : rows)
        names.append(row.fileName + (row.checked ? QStringLiteral("*") : QString()));
    return names.join(u' ');
}

TEST(UndoHistory, StepsBackAndForthAroundTheSavedState)
{
    UndoHistory history;
    history.reset(stateOf(QString()));
    EXPECT_FALSE(history.isModified() || history.canUndo() || history.canRedo());
    EXPECT_FALSE(history.record(stateOf(QString())));
    EXPECT_TRUE(history.record(stateOf("a b")));
    EXPECT_TRUE(history.record(stateOf("a b", "200")));
    history.markSaved();
    EXPECT_FALSE(history.record(stateOf("a* b", "200")));  // check boxes are no change...
    EXPECT_FALSE(history.isModified());
    EXPECT_TRUE(history.record(stateOf("b", "200")));
    EXPECT_TRUE(history.isModified());
    EXPECT_EQ(namesOf(history.undo().rows), "a* b");  // ...but come back with their rows
    EXPECT_FALSE(history.isModified());
    EXPECT_EQ(history.undo().properties.width, "100");
    EXPECT_TRUE(history.isModified() && history.canRedo());
    EXPECT_EQ(namesOf(history.redo().rows), "a* b");
    // A new change ends the redo; a project edited back to the saved one is not modified.
    EXPECT_TRUE(history.record(stateOf("a b c", "200")));
    EXPECT_FALSE(history.canRedo());
    EXPECT_TRUE(history.record(stateOf("a b", "200")));
    EXPECT_FALSE(history.isModified());
}

TEST(UndoHistory, KeepsAtMostItsDepthAndRowBudget)
{
    for (const auto& [states, rows, expectedUndos] : {std::tuple{3u, 100u, 2}, std::tuple{200u, 5u, 2}}) {
        UndoHistory history(states, rows);
        history.reset(stateOf("a"));
        for (const char* names : {"a b", "b", "b c", "c"})
            history.record(stateOf(names));
        int undos = 0;
        while (history.canUndo()) {
            history.undo();
            ++undos;
        }
        EXPECT_EQ(undos, expectedUndos);
        EXPECT_TRUE(history.isModified());  // the saved state is gone from the stack, not forgotten
    }
}

TEST(UndoHistory, RestoresRowsIntoAList)
{
    for (const auto& [from, to] : {std::pair{"a b c d", "b d*"}, std::pair{"", "a b*"}, std::pair{"a b", ""},
                                   std::pair{"a* b", "x b c"}}) {
        FrameList frames;
        restoreFrames(frames, rowsOf(QString::fromLatin1(from)));
        restoreFrames(frames, rowsOf(QString::fromLatin1(to)));
        EXPECT_EQ(namesOf(frames.rows()), to);
        for (int k = 1; k <= frames.rowCount(); ++k)
            EXPECT_TRUE(frames.row(k).number == QString::number(k) && frames.FrameToString(k).startsWith("50;YES;0;"));
    }
}

}  // namespace
}  // namespace pictoreel
