// The INI text rules, the settings store on disk, and the history of opened projects.
#include "core/project/history.h"
#include "core/project/ini_document.h"
#include "core/project/settings_store.h"
#include "support/files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

namespace pictoreel {
namespace {

using testing::fileContents;
using testing::writeFileContents;

TEST(IniDocument, ReadsWithTheProfileRules)
{
    const QByteArray text = "; a comment\r\n\r\n[General]\r\n  Temp Path = C:\\x \r\nodd line\r\n[Other]\r\nk=v";
    EXPECT_EQ(IniDocument::parse(text).serialize(), text);  // untouched content survives byte for byte
    const QByteArray withBom = "\xEF\xBB\xBF[A]\nx=1\n";
    EXPECT_EQ(IniDocument::parse(withBom).serialize(), withBom);
    EXPECT_EQ(IniDocument::parse(withBom).readKey("a", "X", "d"), "1");

    // Names match without case and the first duplicate wins; values are trimmed, lose one pair
    // of quotes (then the spaces inside) and are cut to the longest value.
    const IniDocument doc = IniDocument::parse("[S]\nWIDTH=120\nwidth=999\na=  spaced  \nb=\"quoted \"\nc='single'\n"
                                               "d=\"unbalanced'\ne=\"\"\"\"\nf=" + QByteArray(3000, 'x') + "\n[s]\nHeight=9\n");
    const struct {
        const char *key, *expected;
    } reads[] = {{"Width", "120"}, {"Height", "dflt"}, {"a", "spaced"}, {"b", "quoted"}, {"c", "single"},
                 {"d", "\"unbalanced'"}, {"e", "\"\""}, {"missing", "dflt"}};
    for (const auto& r : reads)
        EXPECT_EQ(doc.readKey("s", r.key, " dflt "), r.expected) << r.key;
    EXPECT_EQ(doc.readKey("S", "f", "").size(), kIniValueMaxLength);
    EXPECT_EQ(doc.readKey("Nope", "a", "dflt"), "dflt");
    EXPECT_EQ(doc.keys("S").first(), "WIDTH");
}

// In place, at the end of the section, a new section at the end; values cleaned; an empty value
// deletes the key and an empty key the section (uncovering a later duplicate).
TEST(IniDocument, WritesChangeOnlyWhatTheyMust)
{
    const QByteArray text = "[A]\nx=1\ny=2\n\n[B]\nz=3\n";
    const auto unescaped = [&](QString field) {
        return field.replace("{text}", text).replace("\\n", "\n").replace("\\r", "\r").replace("\\0", QChar(0));
    };
    for (const QString& line : testing::tableLines(PICTOREEL_TEST_DATA "/ini/edits.txt")) {
        SCOPED_TRACE(line.toStdString());
        const QStringList f = line.split(u'|');
        ASSERT_EQ(f.size(), 5);
        IniDocument doc = IniDocument::parse(unescaped(f[0]).toUtf8());
        doc.writeKey(f[1], f[2], unescaped(f[3]));
        EXPECT_EQ(doc.serialize(), unescaped(f[4]).toUtf8());
    }
    IniDocument doc = IniDocument::parse(text);
    EXPECT_FALSE(doc.writeKey("A", "x", "1"));  // same text: no change
    EXPECT_TRUE(doc.writeKey("A", "x", ""));
    doc.writeKey("A", "x", "5");  // comes back at the end of its section
    EXPECT_EQ(doc.serialize(), "[A]\ny=2\nx=5\n\n[B]\nz=3\n");
}

// Files of other encodings and line ends, as other editors save them, read as the same text; a
// change keeps their line ends and writes them as UTF-8.
TEST(IniDocument, FilesOfOtherEncodingsAndLineEndsAreRead)
{
    const QString text = QString::fromUtf8("[S]\r\nname=Caf\u00e9 \u20ac\r\n");
    const QByteArray utf8 = "[S]\r\nname=Caf\xC3\xA9 \xE2\x82\xAC\r\n";
    QByteArray utf16le("\xFF\xFE"), utf16be("\xFE\xFF");
    for (const QChar c : text) {
        utf16le += char(c.unicode() & 0xFF) + QByteArray(1, char(c.unicode() >> 8));
        utf16be += char(c.unicode() >> 8) + QByteArray(1, char(c.unicode() & 0xFF));
    }
    const struct {
        const char* what;
        QByteArray file, asWritten;
    } cases[] = {
        {"Windows-1252 (not valid UTF-8)", "[S]\nname=Caf\xE9 \x80\n", "[S]\nname=Caf\xC3\xA9 \xE2\x82\xAC\nx=1\n"},
        {"UTF-16 LE", utf16le, "\xEF\xBB\xBF" + utf8 + "x=1\r\n"},
        {"UTF-16 BE", utf16be, "\xEF\xBB\xBF" + utf8 + "x=1\r\n"},
        {"CR alone", "[S]\rname=Caf\xC3\xA9 \xE2\x82\xAC\r", "[S]\rname=Caf\xC3\xA9 \xE2\x82\xAC\rx=1\r"},
    };
    for (const auto& c : cases) {
        IniDocument doc = IniDocument::parse(c.file);
        EXPECT_TRUE(doc.isText()) << c.what;
        EXPECT_EQ(doc.readKey("S", "name", ""), QString::fromUtf8("Caf\u00e9 \u20ac")) << c.what;
        doc.writeKey("S", "x", "1");
        EXPECT_EQ(doc.serialize(), c.asWritten) << c.what;
    }
}

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
    // Also a rewrite of the same length given its old modification time back, as copy tools do.
    struct stat was {};
    ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &was), 0);
    ASSERT_TRUE(writeFileContents(ini, "[S]\nk=a much longer VALUE\n"));
    const timespec times[2] = {was.st_atim, was.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(ini).constData(), times, 0), 0);
    EXPECT_EQ(ReadIniKey("S", "k", "", ini), "a much longer VALUE");
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
    EXPECT_TRUE(fileContents(ini) == "[S]\nk=1\n" && ReadIniKey("S", "k", "", ini) == "1");
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

    // A write the system stops part way (a full disk; here a file size limit) leaves the old file.
    ASSERT_TRUE(writeFileContents(file("full.ini"), "[S]\nk=1\n"));
    {
        const testing::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.ok());
        EXPECT_FALSE(WriteIniKey("S", "k", QString(8000, u'x'), file("full.ini")));
    }
    EXPECT_EQ(fileContents(file("full.ini")), "[S]\nk=1\n");
}

// A batch of edits is written once, after the earlier content; a snapshot taken before stays as
// it was. (That a write stopped part way leaves the old file is the refused writes' test.)
TEST_F(SettingsStore, BatchesAreWrittenOnceAndSnapshotsStay)
{
    const QString ini = file("batch.ini");
    ASSERT_TRUE(writeFileContents(ini, "[S]\nkeep=me\n"));
    const auto before = loadIniFile(ini);
    ASSERT_TRUE(editIniFile(ini, [](IniDocument& doc) {
        for (int i = 0; i < 2000; ++i)
            doc.writeKey("Frames", QString("FRAME%1").arg(i, 4, 10, QChar('0')), "gen0;with some padding text");
    }));
    EXPECT_EQ(before->readKey("Frames", "FRAME0005", "old snapshot"), "old snapshot");
    EXPECT_EQ(ReadIniKey("frames", "FRAME1999", "", ini), "gen0;with some padding text");
    EXPECT_TRUE(fileContents(ini).startsWith("[S]\nkeep=me\n[Frames]\nFRAME0000=gen0;"));
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
    // A path the file cannot give back as it is stays out: a line break would write keys of its own.
    for (const char* path : {"/a.agp", "/a.agp", "/A.agp", "", "/nl\n[General]\nTemp Path=x\n.agp", "/space.agp "})
        AddToHistory(path, ini);
    EXPECT_EQ(readHistory(ini), (QStringList{"/A.agp", "/a.agp", "/b.agp", "/c.agp"}));
    EXPECT_EQ(ReadIniKey("General", "Temp Path", "none", ini), "none");
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
