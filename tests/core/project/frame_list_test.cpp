#include "core/project/frame_list.h"
#include "core/project/frame_values.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

QStringList columnsOf(const FrameEntry& e) { return {e.number, e.interval, e.transparent, e.transColor, e.fileName, e.folder}; }

FrameList listOf(const QStringList& frameStrings)
{
    FrameList list;
    for (const QString& s : frameStrings)
        list.AddFrameFromString(s);
    return list;
}

// Removing checked rows keeps the order and tells an observer each block, last first; a swap
// moves the five fields but not the numbers or the ticks.
TEST(FrameList, RowsMoveAsTheListViewExpects)
{
    FrameList list = listOf({"1;NO;0;f1.png;/p/", "2;NO;0;f2.png;/p/", "3;NO;0;f3.png;/p/", "4;YES;9;f4.png;/q/",
                             "5;NO;0;f5.png;/p/"});
    QStringList events;
    auto record = [&](const char* kind) { return [&, kind](int f, int l) { events << QString("%1%2-%3").arg(kind).arg(f).arg(l); }; };
    list.setObserver({record("+?"), record("+"), record("-?"), record("-"), record("~")});
    for (int row : {2, 3, 5})
        list.setChecked(row, true);
    events.clear();
    list.removeCheckedRows();
    list.RenumberFrames();
    EXPECT_EQ(events.mid(0, 4), (QStringList{"-?5-5", "-5-5", "-?2-3", "-2-3"}));
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(columnsOf(list.row(2)), (QStringList{"2", "4", "YES", "9", "f4.png", "/q/"}));

    list.setChecked(1, true);
    list.SwapFrames(1, 2);
    EXPECT_EQ(columnsOf(list.row(1)), (QStringList{"1", "4", "YES", "9", "f4.png", "/q/"}));
    EXPECT_EQ(columnsOf(list.row(2)), (QStringList{"2", "1", "NO", "0", "f1.png", "/p/"}));
    EXPECT_TRUE(list.row(1).checked && !list.row(2).checked);

    events.clear();
    list.clear();
    EXPECT_EQ(events, (QStringList{"-?1-2", "-1-2"}));
    EXPECT_EQ(frameValuesAt(listOf({"abc;NO;0"}), 1).interval, 100);  // a hand-edited interval that is no number
}

}  // namespace
}  // namespace pictoreel
