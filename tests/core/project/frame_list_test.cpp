#include "core/project/frame_list.h"

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

QStringList columnsOf(const FrameEntry& e)
{
    return {e.number, e.interval, e.transparent, e.transColor, e.fileName, e.folder};
}

TEST(FrameList, AddFrameEntrySplitsThePathAndTakesThePanelValues)
{
    FrameList list;
    ASSERT_TRUE(list.AddFrameEntry("/home/ann/Pictures/sunset.jpg", NewFrameValues{}).ok());
    EXPECT_EQ(columnsOf(list.row(1)), (QStringList{"1", "50", "YES", "16777215", "sunset.jpg", "/home/ann/Pictures/"}));
    EXPECT_FALSE(list.row(1).checked);
    EXPECT_EQ(list.FrameToString(1), "50;YES;16777215;sunset.jpg;/home/ann/Pictures/");

    ASSERT_TRUE(list.AddFrameEntry("bare.png", NewFrameValues{"050", false, 255}).ok());
    EXPECT_EQ(columnsOf(list.row(2)), (QStringList{"2", "50", "NO", "255", "bare.png", ""}));
    ASSERT_TRUE(list.AddFrameEntry("/x/y.gif", NewFrameValues{" 2.5 ", true, 0}).ok());
    EXPECT_EQ(list.row(3).interval, "2");
}

TEST(FrameList, AddFrameEntryRefusesAnIntervalThatIsNotA16BitNumber)
{
    FrameList list;
    for (const char* text : {"", "abc", "40000", "-32769"}) {
        const Status s = list.AddFrameEntry("/p/a.png", NewFrameValues{text, true, 0});
        EXPECT_FALSE(s.ok()) << text;
    }
    EXPECT_EQ(list.rowCount(), 0);
}

TEST(FrameList, FrameStringsKeepFieldsAsTheyStand)
{
    FrameList list;
    list.AddFrameFromString("20;NO;255");
    EXPECT_EQ(columnsOf(list.row(1)), (QStringList{"1", "20", "NO", "255", "", ""}));
    EXPECT_EQ(list.FrameToString(1), "20;NO;255;;");

    list.AddFrameFromString("20;yes ;0;a.gif;/x/;extra");
    EXPECT_EQ(list.row(2).transparent, "yes ");
    EXPECT_TRUE(list.GetFrameTrans(2));
    EXPECT_EQ(list.FrameToString(2), "20;yes ;0;a.gif;/x/");

    // A ";" inside a name does not survive: the rest lands in the next field.
    FrameList named;
    ASSERT_TRUE(named.AddFrameEntry("/pics/a;b.png", NewFrameValues{}).ok());
    FrameList reread;
    reread.AddFrameFromString(named.FrameToString(1));
    EXPECT_EQ(reread.GetFrameFileName(1), "a");
    EXPECT_EQ(reread.GetFrameFullPath(1), "b.png");
}

TEST(FrameList, GettersReadBackTheColumnsTheirWay)
{
    FrameList list;
    for (const char* s : {"abc;x;1", ";x;1", "40000;x;1", " 30 ;YES;-5", "2.5; Yes ;99999999999", "-7;no;12"})
        list.AddFrameFromString(s);
    EXPECT_EQ(list.GetFrameInterval(1), 100);
    EXPECT_EQ(list.GetFrameInterval(2), 100);
    EXPECT_EQ(list.GetFrameInterval(3), 100);
    EXPECT_EQ(list.GetFrameInterval(4), 30);
    EXPECT_EQ(list.GetFrameInterval(5), 2);
    EXPECT_EQ(list.GetFrameInterval(6), -7);
    EXPECT_FALSE(list.GetFrameTrans(1));
    EXPECT_TRUE(list.GetFrameTrans(4));
    EXPECT_TRUE(list.GetFrameTrans(5));
    EXPECT_FALSE(list.GetFrameTrans(6));
    EXPECT_EQ(list.GetFrameTransColor(4), -5);
    EXPECT_FALSE(list.GetFrameTransColor(5).has_value());
}

TEST(FrameList, RemovingCheckedRowsRenumbersAndKeepsOrder)
{
    FrameList list;
    for (int i = 1; i <= 5; ++i)
        list.AddFrameFromString(QString("%1;NO;0;f%1.png;/p/").arg(i));
    list.setChecked(2, true);
    list.setChecked(4, true);
    list.removeCheckedRows();
    list.RenumberFrames();
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(columnsOf(list.row(1))[4], "f1.png");
    EXPECT_EQ(columnsOf(list.row(2))[4], "f3.png");
    EXPECT_EQ(columnsOf(list.row(3))[4], "f5.png");
    EXPECT_EQ(list.row(3).number, "3");

    list.removeCheckedRows();  // nothing checked: nothing changes
    EXPECT_EQ(list.rowCount(), 3);
    list.SetAllChecked(true);
    list.removeCheckedRows();
    EXPECT_TRUE(list.isEmpty());
    list.SetAllChecked(true);  // on an empty list: nothing happens
}

TEST(FrameList, SwapMovesTheFiveFieldsButNotNumbersOrChecks)
{
    FrameList list;
    list.AddFrameFromString("10;YES;1;a.png;/a/");
    list.AddFrameFromString("20;NO;2;b.png;/b/");
    list.setChecked(1, true);
    list.SwapFrames(1, 2);
    EXPECT_EQ(columnsOf(list.row(1)), (QStringList{"1", "20", "NO", "2", "b.png", "/b/"}));
    EXPECT_EQ(columnsOf(list.row(2)), (QStringList{"2", "10", "YES", "1", "a.png", "/a/"}));
    EXPECT_TRUE(list.row(1).checked);
    EXPECT_FALSE(list.row(2).checked);
}

TEST(FrameList, ObserverSeesEveryStructuralChangeInOrder)
{
    FrameList list;
    QStringList events;
    list.setObserver({[&](int f, int l) { events << QString("+?%1-%2").arg(f).arg(l); },
                      [&](int f, int l) { events << QString("+%1-%2").arg(f).arg(l); },
                      [&](int f, int l) { events << QString("-?%1-%2").arg(f).arg(l); },
                      [&](int f, int l) { events << QString("-%1-%2").arg(f).arg(l); },
                      [&](int f, int l) { events << QString("~%1-%2").arg(f).arg(l); }});
    for (int i = 0; i < 5; ++i)
        list.AddFrameFromString("1;NO;0;x;");
    events.clear();
    list.setChecked(2, true);
    list.setChecked(3, true);
    list.setChecked(5, true);
    events.clear();
    list.removeCheckedRows();
    EXPECT_EQ(events, (QStringList{"-?5-5", "-5-5", "-?2-3", "-2-3"}));
    events.clear();
    list.clear();
    EXPECT_EQ(events, (QStringList{"-?1-2", "-1-2"}));
}

}  // namespace
}  // namespace pictoreel
