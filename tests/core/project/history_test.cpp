#include "core/project/history.h"
#include "core/project/settings_store.h"
#include "support/files.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

class History : public ::testing::Test {
protected:
    void SetUp() override { ini = dir.filePath("pictoreel.ini"); }
    void seed(const QStringList& entries)
    {
        for (int i = 0; i < entries.size(); ++i)
            WriteIniKey("Project", historyKey(i + 1), entries[i], ini);
    }
    QStringList places(int n = kHistoryPlaces) const
    {
        QStringList out;
        for (int i = 1; i <= n; ++i)
            out << ReadIniKey("Project", historyKey(i), "", ini);
        return out;
    }
    QTemporaryDir dir;
    QString ini;
};

TEST_F(History, AnOpenedProjectMovesToTheTop)
{
    seed({"/b.agp", "/a.agp", "/c.agp"});
    AddToHistory("/a.agp", ini);
    EXPECT_EQ(readHistory(ini), (QStringList{"/a.agp", "/b.agp", "/c.agp"}));
    AddToHistory("/a.agp", ini);
    EXPECT_EQ(readHistory(ini), (QStringList{"/a.agp", "/b.agp", "/c.agp"}));
    AddToHistory("/A.agp", ini);  // compared as exact text
    EXPECT_EQ(readHistory(ini), (QStringList{"/A.agp", "/a.agp", "/b.agp", "/c.agp"}));
    AddToHistory("", ini);
    EXPECT_EQ(readHistory(ini).size(), 4);
}

TEST_F(History, AFullHistoryDropsItsOldestEntry)
{
    QStringList full;
    for (int i = 1; i <= 100; ++i)
        full << QString("/p/%1.agp").arg(i);
    seed(full);
    AddToHistory("/new.agp", ini);
    const QStringList now = readHistory(ini);
    ASSERT_EQ(now.size(), 100);
    EXPECT_EQ(now.front(), "/new.agp");
    EXPECT_EQ(now.back(), "/p/99.agp");

    AddToHistory("/p/50.agp", ini);  // already listed: nothing drops out
    EXPECT_EQ(readHistory(ini).size(), 100);
    EXPECT_EQ(readHistory(ini).back(), "/p/99.agp");
}

TEST_F(History, GapsMoveDownOnAddAndCloseOnSave)
{
    seed({"/1.agp", "", "/3.agp"});
    EXPECT_EQ(readHistory(ini), (QStringList{"/1.agp", "/3.agp"}));
    AddToHistory("/new.agp", ini);
    EXPECT_EQ(places(5), (QStringList{"/new.agp", "/1.agp", "", "/3.agp", ""}));
    ASSERT_TRUE(saveHistory(readHistory(ini), ini));
    EXPECT_EQ(places(4), (QStringList{"/new.agp", "/1.agp", "/3.agp", ""}));
}

TEST_F(History, SavingTheWorkingCopyRemovesEveryKeyBehindIt)
{
    seed({"/1.agp", "/2.agp", "/3.agp", "/4.agp"});
    ASSERT_TRUE(saveHistory({"/2.agp", "/4.agp"}, ini));
    EXPECT_EQ(places(5), (QStringList{"/2.agp", "/4.agp", "", "", ""}));
    ASSERT_TRUE(saveHistory({}, ini));
    EXPECT_FALSE(testing::fileContents(ini).contains("File"));
}

}  // namespace
}  // namespace pictoreel
