#include "core/project/history.h"
#include "core/project/settings_store.h"
#include "support/files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace pictoreel {
namespace {

using testing::fileContents;
using testing::writeFileContents;

class SettingsStore : public ::testing::Test {
protected:
    QString file(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QTemporaryDir dir;
};

TEST_F(SettingsStore, ReadsAndWritesTheFileAsItIsOnDisk)
{
    const QString ini = file("réglages; été.ini");
    EXPECT_EQ(ReadIniKey("General", "Temp Path", "/x/temp/", ini), "/x/temp/");
    EXPECT_TRUE(WriteIniKey("General", "Temp Path", "", ini) && !QFile::exists(ini));  // deleting from nothing creates nothing
    EXPECT_TRUE(WriteIniKey("General", "Temp Path", "  /data/tmp  ", ini));
    EXPECT_EQ(fileContents(ini), "[General]\nTemp Path=/data/tmp\n");

    const QString value = QString::fromUtf8("/home/zoë/Bilder; alt/日本.png");
    EXPECT_TRUE(WriteIniKey(QString::fromUtf8("Sèction"), QString::fromUtf8("Ключ"), value, ini));
    forgetParsedIniFiles();
    EXPECT_EQ(ReadIniKey(QString::fromUtf8("SÈCTION"), QString::fromUtf8("ключ"), "", ini), value);

    // Changes made behind the store's back are seen.
    ASSERT_TRUE(writeFileContents(ini, "[S]\nk=a much longer value\n"));
    EXPECT_EQ(ReadIniKey("S", "k", "", ini), "a much longer value");
    QFile::remove(ini);
    EXPECT_EQ(ReadIniKey("S", "k", "gone", ini), "gone");
}

// Refused writes are silent and change nothing: a read-only file, a missing folder, and never
// INI text into a file that is not INI text (a picture, or one too large to look at).
TEST_F(SettingsStore, RefusedWritesChangeNothing)
{
    const QString ini = file("ro.ini");
    ASSERT_TRUE(writeFileContents(ini, "[S]\nk=1\n"));
    QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    EXPECT_FALSE(WriteIniKey("S", "k", "2", ini));
    EXPECT_EQ(fileContents(ini), "[S]\nk=1\n");
    EXPECT_EQ(ReadIniKey("S", "k", "", ini), "1");
    EXPECT_FALSE(WriteIniKey("S", "k", "2", file("no/such/folder/x.ini")) || QDir(file("no")).exists());

    const QString picture = file("picture.ini");
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    ASSERT_TRUE(writeFileContents(picture, png));
    EXPECT_FALSE(WriteIniKey("General", "Temp Path", "/x/", picture));
    EXPECT_EQ(fileContents(picture), png);
    QFile huge(file("huge.ini"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64{257} << 20));  // sparse: no disk used
    huge.close();
    EXPECT_FALSE(WriteIniKey("General", "Temp Path", "/x/", huge.fileName()));
    EXPECT_EQ(QFileInfo(huge.fileName()).size(), qint64{257} << 20);
}

// A batch of edits is written once, after the earlier content; a snapshot taken before stays as
// it was. A writer killed at any moment leaves either the old file or the new one, never a mix.
TEST_F(SettingsStore, BatchesAreWrittenWholeEvenByAKilledWriter)
{
    const QString ini = file("batch.ini");
    ASSERT_TRUE(writeFileContents(ini, "[S]\nkeep=me\n"));
    const auto before = loadIniFile(ini);
    auto generation = [](int g) {
        return [g](IniDocument& doc) {
            for (int i = 0; i < 2000; ++i)
                doc.writeKey("Frames", QString("FRAME%1").arg(i, 4, 10, QChar('0')), QString("gen%1;with some padding text").arg(g));
        };
    };
    ASSERT_TRUE(editIniFile(ini, generation(0)));
    EXPECT_EQ(before->readKey("Frames", "FRAME0005", "old snapshot"), "old snapshot");
    EXPECT_EQ(ReadIniKey("frames", "FRAME1999", "", ini), "gen0;with some padding text");
    EXPECT_TRUE(fileContents(ini).startsWith("[S]\nkeep=me\n[Frames]\nFRAME0000=gen0;"));

    for (int attempt = 0; attempt < 8; ++attempt) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int g = 1;; ++g)
                editIniFile(ini, generation(g));
        }
        usleep(20000 + 7000 * attempt);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);

        forgetParsedIniFiles();
        const auto doc = loadIniFile(ini);
        const QStringList keys = doc->keys("Frames");
        ASSERT_EQ(keys.size(), 2000);
        const QString first = doc->readKey("Frames", keys.front(), "");
        for (const QString& key : keys)
            ASSERT_EQ(doc->readKey("Frames", key, ""), first);
        ASSERT_TRUE(fileContents(ini).endsWith("padding text\n"));
    }
}

// An opened project moves to the top (compared as exact text); a full history drops its oldest
// entry unless the project was listed already.
TEST_F(SettingsStore, HistoryKeepsTheLastOpenedProjectsOnTop)
{
    const QString ini = file("pictoreel.ini");
    const auto seed = [&](const QStringList& entries) {
        for (int i = 0; i < entries.size(); ++i)
            WriteIniKey("Project", historyKey(i + 1), entries[i], ini);
    };
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

}  // namespace
}  // namespace pictoreel
