#include "core/project/history.h"
#include "core/project/settings_store.h"
#include "support/files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

class History : public ::testing::Test {
protected:
    void seed(const QStringList& entries)
    {
        for (int i = 0; i < entries.size(); ++i)
            WriteIniKey("Project", historyKey(i + 1), entries[i], ini);
    }
    QStringList places(int n) const
    {
        QStringList out;
        for (int i = 1; i <= n; ++i)
            out << ReadIniKey("Project", historyKey(i), "", ini);
        return out;
    }
    QTemporaryDir dir;
    const QString ini = dir.filePath("pictoreel.ini");
};

// An opened project moves to the top (compared as exact text); a full history drops its oldest
// entry unless the project was listed already.
TEST_F(History, AnOpenedProjectMovesToTheTop)
{
    seed({"/b.agp", "/a.agp", "/c.agp"});
    for (const char* path : {"/a.agp", "/a.agp", "/A.agp", ""})
        AddToHistory(path, ini);
    EXPECT_EQ(readHistory(ini), (QStringList{"/A.agp", "/a.agp", "/b.agp", "/c.agp"}));

    QStringList full;
    for (int i = 1; i <= kHistoryPlaces; ++i)
        full << QString("/p/%1.agp").arg(i);
    seed(full);
    AddToHistory("/new.agp", ini);
    AddToHistory("/p/50.agp", ini);
    const QStringList now = readHistory(ini);
    ASSERT_EQ(now.size(), kHistoryPlaces);
    EXPECT_EQ(now.mid(0, 2), (QStringList{"/p/50.agp", "/new.agp"}));
    EXPECT_EQ(now.back(), "/p/99.agp");
}

// Gaps move down on an add and close on a save; a save removes every key behind the list.
TEST_F(History, GapsMoveDownOnAddAndCloseOnSave)
{
    seed({"/1.agp", "", "/3.agp", "/4.agp"});
    EXPECT_EQ(readHistory(ini), (QStringList{"/1.agp", "/3.agp", "/4.agp"}));
    AddToHistory("/new.agp", ini);
    EXPECT_EQ(places(6), (QStringList{"/new.agp", "/1.agp", "", "/3.agp", "/4.agp", ""}));
    ASSERT_TRUE(saveHistory({"/new.agp", "/3.agp"}, ini));
    EXPECT_EQ(places(5), (QStringList{"/new.agp", "/3.agp", "", "", ""}));
    ASSERT_TRUE(saveHistory({}, ini));
    EXPECT_FALSE(testing::fileContents(ini).contains("File"));
}

}  // namespace
}  // namespace pictoreel
