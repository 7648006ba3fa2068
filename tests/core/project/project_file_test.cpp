// The frame list and the project file: rows as the list view moves them, keys as written and read,
// files that are no projects, and random round trips.
#include "core/project/frame_key_gap.h"
#include "core/project/frame_list.h"
#include "core/project/frame_values.h"
#include "core/project/frame_style.h"
#include "core/project/project_file.h"
#include "core/project/settings_store.h"
#include "support/files.h"
#include "support/results.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace pictoreel {
namespace {

using testing::codeOf;
using testing::fileContents;

FrameList framesOf(const QStringList& frameStrings)
{
    FrameList frames;
    for (const QString& s : frameStrings)
        frames.AddFrameFromString(s);
    return frames;
}

QStringList columnsOf(const FrameEntry& e) { return {e.number, e.interval, e.transparent, e.transColor, e.fileName, e.folder}; }

struct Loaded {
    ProjectProperties properties;
    FrameList frames;
};

// Removing checked rows keeps the order and tells an observer each block, last first; a swap
// moves the five fields but not the numbers or the ticks.
TEST(FrameList, RowsMoveAsTheListViewExpects)
{
    FrameList list = framesOf({"1;NO;0;f1.png;/p/", "2;NO;0;f2.png;/p/", "3;NO;0;f3.png;/p/", "4;YES;9;f4.png;/q/",
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
    EXPECT_EQ(frameValuesAt(framesOf({"abc;NO;0"}), 1).interval, 100);  // a hand-edited interval that is no number
}

class ProjectFile : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes)
    {
        ASSERT_TRUE(testing::writeFileContents(path(name), bytes));
        forgetParsedIniFiles();
    }
    Loaded load(const QString& name)
    {
        Loaded l;
        EXPECT_TRUE(readProjectFile(path(name), l.properties, l.frames).ok()) << name.toStdString();
        return l;
    }
    QTemporaryDir dir;
};

// The keys in their documented order; an empty output name is filled with the proposal, which
// never names the project itself; a blank path writes nothing.
TEST_F(ProjectFile, WritesTheKeysInTheirOrderAndProposesTheOutput)
{
    ProjectProperties p;
    ASSERT_TRUE(writeProjectFile(path("demo.agp"), framesOf({"50;YES;16777215;a.jpg;/pics/", "25;NO;0;b.jpg;/pics/"}), p));
    EXPECT_EQ(p.outputFile, path("demo.gif"));
    EXPECT_EQ(fileContents(path("demo.agp")),
              "[Global Properties]\nWidth=100\nHeight=75\nLoop Infinitely=1\nLoop Times=1\nOutput GIF File Name=" +
                  path("demo.gif").toUtf8() +
                  "\nFrames=2\n[Frame Properties]\nFRAME001=50;YES;16777215;a.jpg;/pics/\nFRAME002=25;NO;0;b.jpg;/pics/\n");
    EXPECT_EQ(frameKey(1000), "FRAME1000");

    for (const auto& [project, proposal] : {std::pair{"/p/my.agp.d/demo.agp", "/p/my.agp.d/demo.gif"},
                                            {"/p/my.agp backup.agp", "/p/my.agp backup.gif"},
                                            {"/p/DEMO.AGP", "/p/DEMO.gif"}, {"/p/demo", "/p/demo.gif"}})
        EXPECT_EQ(proposeOutputFile(project), proposal);
    // Nor one of the project's pictures.
    FrameList pictures = framesOf({"50;NO;0;anim.gif;/p/", "50;NO;0;b.gif;/p/"});
    EXPECT_EQ(proposeOutputFile("/p/anim.agp", pictures), "/p/anim-animated.gif");
    pictures.AddFrameFromString("50;NO;0;anim-animated.gif;/p/");
    EXPECT_EQ(proposeOutputFile("/p/anim.agp", pictures), "/p/anim-animated-2.gif");
    EXPECT_EQ(proposeOutputFile("/p/b2.agp", pictures), "/p/b2.gif");
    ProjectProperties keep;
    keep.outputFile = "/out/mine.gif";
    ASSERT_TRUE(writeProjectFile(path("x.agp"), FrameList(), keep));
    EXPECT_TRUE(keep.outputFile == "/out/mine.gif" && fileContents(path("x.agp")).endsWith("Frames=0\n"));
    ProjectProperties blank;
    EXPECT_FALSE(writeProjectFile("   ", FrameList(), blank));
    EXPECT_EQ(blank.outputFile, "   .gif");
    // A picture whose name a frame line cannot hold is refused, and the project left as it was.
    // A name with spaces around it would be found without them: another picture.
    // A name that is not UTF-8 comes with U+FFFD for its odd bytes: no file has that name.
    for (const char* name : {"/pics/a;b.jpg", "/pi;cs/a.jpg", "/pics/a\nb.jpg", "/pics/ a.jpg", "/pics/a.jpg\t",
                             "/pics/l\xef\xbf\xbd.jpg"}) {
        FrameList odd = framesOf({"50;YES;16777215;a.jpg;/pics/"});
        ASSERT_TRUE(odd.AddFrameEntry(name, {}));
        EXPECT_EQ(testing::codeOf(writeProjectFile(path("x.agp"), odd, keep)), ErrorCode::InvalidArgument) << name;
        EXPECT_TRUE(fileContents(path("x.agp")).endsWith("Frames=0\n"));
    }
    // So is a path longer than a line keeps with the frame's other values (the longest that fits
    // comes back whole), and an output name that would be read back as another name.
    for (const int extra : {0, 1}) {
        const QString folder = u'/' + QString(2019 + extra, u'd') + u'/';
        FrameList frames;
        ASSERT_TRUE(frames.AddFrameEntry(folder + "a.jpg", {QStringLiteral("-32768"), true, 16777215}));
        EXPECT_EQ(projectCanName(folder + "a.jpg"), extra == 0);
        ProjectProperties properties;
        EXPECT_EQ(writeProjectFile(path("long.agp"), frames, properties).ok(), extra == 0);
        if (extra == 0) {
            EXPECT_EQ(load("long.agp").frames.row(1).folder, folder);
        }
    }
    for (const QString& output : {QStringLiteral(" /out/x.gif"), QStringLiteral("'/out/x.gif'"),
                                  QString(u'/' + QString(2047, u'o'))}) {
        ProjectProperties named;
        named.outputFile = output;
        EXPECT_EQ(testing::codeOf(writeProjectFile(path("x.agp"), FrameList(), named)), ErrorCode::InvalidArgument);
        EXPECT_TRUE(fileContents(path("x.agp")).endsWith("Frames=0\n"));
    }
}

// Fit, bar colour, size budget, crop and turn go after the frame count when set, come back as written, and
// leave the file once emptied: a project without them is written as it always was (above).
TEST_F(ProjectFile, FitKeysAreWrittenOnlyWhenSet)
{
    ProjectProperties p;
    p.fit = "Fit Inside", p.fitBackground = "255", p.maxSize = "2M";
    p.crop = "50%x50%+25%+0%", p.rotate = "270", p.mirror = "1";
    ASSERT_TRUE(writeProjectFile(path("fit.agp"), FrameList(), p));
    EXPECT_TRUE(fileContents(path("fit.agp")).endsWith("Frames=0\nFit=Fit Inside\nFit Background=255\nMax Size=2M\n"
                                                       "Crop=50%x50%+25%+0%\nRotate=270\nMirror=1\n"));
    EXPECT_EQ(load("fit.agp").properties, p);
    EXPECT_TRUE(frameStyleFor(p).fit == FitMode::Contain && frameStyleFor(p).fitBackground == 255);
    p.fit = p.fitBackground = p.maxSize = p.crop = p.rotate = p.mirror = QString();
    ASSERT_TRUE(writeProjectFile(path("fit.agp"), FrameList(), p));
    EXPECT_TRUE(fileContents(path("fit.agp")).endsWith("Frames=0\n"));
}

// Missing values take the defaults; "Loop Infinitely" is 0, 1 or 2 or leaves the value as it was;
// the rest is stored as read (checking is the panel's business). Frames are read up to a
// "Frames" count that is a number, skipping strings without a separator.
TEST_F(ProjectFile, ReadingAppliesDefaultsLoopAndFrameCountRules)
{
    const struct {
        const char* loop;
        int expected;
    } loops[] = {{"0", 0}, {"2", 2}, {"3", 7}, {"yes", 7}, {"0.4", 0}, {"", 7}};
    for (const auto& c : loops) {
        write("hand.agp", QByteArray("[Global Properties]\nLoop Infinitely=") + c.loop + "\n");
        Loaded l;
        l.properties.loopInfinitely = 7;
        ASSERT_TRUE(readProjectFile(path("hand.agp"), l.properties, l.frames).ok());
        EXPECT_EQ(l.properties.loopInfinitely, c.expected) << c.loop;
        EXPECT_EQ(QStringList({l.properties.width, l.properties.height, l.properties.loopTimes}), QStringList({"100", "75", "1"}));
    }
    write("hand.agp", "[frame properties]\nframe001=1;NO;0;a;/\n[global properties]\nwidth= 1999 \nHEIGHT=abc\nframes=1.4\n");
    const Loaded l = load("hand.agp");
    EXPECT_EQ(QStringList({l.properties.width, l.properties.height, QString::number(l.frames.rowCount())}), QStringList({"1999", "abc", "1"}));

    write("frames.agp", "[Global Properties]\nFrames=3\n[Frame Properties]\nFRAME001=1;NO;0;a;/\nFRAME002=no separator\n"
                        "FRAME003=3;NO;0;c;/\n");
    const Loaded skipped = load("frames.agp");
    ASSERT_EQ(skipped.frames.rowCount(), 2);
    EXPECT_EQ(skipped.frames.row(2).number + ":" + skipped.frames.FrameToString(2), "2:3;NO;0;c;/");
    for (const char* count : {"", "x", "-2"}) {
        write("frames.agp", QByteArray("[Global Properties]\nFrames=") + count + "\n[Frame Properties]\nFRAME001=1;NO;0;a;/\n");
        EXPECT_EQ(load("frames.agp").frames.rowCount(), 0) << count;
    }
    // A count beyond what a project holds would read as none: such a project is refused, as one
    // of that many frames is never written.
    write("frames.agp", "[Global Properties]\nFrames=40000\n[Frame Properties]\nFRAME001=1;NO;0;a;/\n");
    Loaded many;
    const Status refused = readProjectFile(path("frames.agp"), many.properties, many.frames);
    EXPECT_EQ(codeOf(refused), ErrorCode::LimitExceeded);
    EXPECT_EQ(many.frames.rowCount(), 0);
    FrameList tooMany;
    for (int i = 0; i <= kMaxProjectFrames; ++i)
        tooMany.AddFrameFromString(QStringLiteral("1;NO;0;a.png;/p/"));
    ProjectProperties properties;
    const QByteArray before = fileContents(path("frames.agp"));
    EXPECT_EQ(codeOf(writeProjectFile(path("frames.agp"), tooMany, properties)), ErrorCode::LimitExceeded);
    EXPECT_EQ(fileContents(path("frames.agp")), before);

    // Pictures named by hand relative to the project are found beside it, wherever the program runs.
    write("rel.agp", "[Global Properties]\nFrames=5\n[Frame Properties]\nFRAME001=1;NO;0;a.png\nFRAME002=1;NO;0;b.png;./sub/\n"
                     "FRAME003=1;NO;0;/abs/c.png\nFRAME004=1;NO;0;d.png;/abs/\nFRAME005=1;NO;0;e.png;../up\n");
    const Loaded relative = load("rel.agp");
    QStringList pictures;
    for (int i = 1; i <= relative.frames.rowCount(); ++i)
        pictures << GetFramePicturePath(relative.frames, i);
    const QString here = QDir(dir.path()).absolutePath(), up = QFileInfo(here).absolutePath();
    EXPECT_EQ(pictures, QStringList({here + "/a.png", here + "/sub/b.png", "/abs/c.png", "/abs/d.png", up + "/up/e.png"}));
}

// A gap in the frame keys leaves the keys beyond the count unread, as always, and is told of;
// keys an earlier, longer save left behind are not, nor is a gap with nothing beyond it.
TEST_F(ProjectFile, FrameKeysLeftOutAfterAGapAreTold)
{
    write("gap.agp", "[Global Properties]\nFrames=3\n[Frame Properties]\nFRAME001=1;NO;0;a;/\nFRAME002=1;NO;0;b;/\n"
                     "FRAME004=1;NO;0;d;/\nframe1000=1;NO;0;z;/\nFRAME005=no separator\n");
    EXPECT_EQ(load("gap.agp").frames.rowCount(), 2);
    EXPECT_EQ(frameKeyGapWarning(path("gap.agp")).toStdString(),
              "gap.agp: 2 frames were read; 2 frame keys after a gap in the numbers were left out (FRAME004, frame1000)");
    write("gap.agp", "[Global Properties]\nFrames=2\n[Frame Properties]\nFRAME001=1;NO;0;a;/\nFRAME002=1;NO;0;b;/\n"
                     "FRAME003=1;NO;0;c;/\n");
    EXPECT_EQ(frameKeyGapWarning(path("gap.agp")), QString());
    write("gap.agp", "[Global Properties]\nFrames=3\n[Frame Properties]\nFRAME001=1;NO;0;a;/\nFRAME003=1;NO;0;c;/\n");
    EXPECT_EQ(frameKeyGapWarning(path("gap.agp")), QString());
}

// Only nothing, an empty file or a project is taken for a project; anything else is refused both
// ways and left exactly as it was.
TEST_F(ProjectFile, FilesThatAreNotProjectsAreNeitherLoadedNorWrittenOver)
{
    QDir().mkdir(path("folder.agp"));
    const struct {
        const char* name;
        std::optional<QByteArray> bytes;  // nothing: no file is written first
        bool project;
    } cases[] = {
        {"absent.agp", std::nullopt, true},
        {"blank.agp", "\n  \r\n", true},
        {"cp1252.agp", "[Global Properties]\nOutput GIF File Name=Caf\xE9.gif\n", true},
        {"photo.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), false},
        {"nul.agp", QByteArray("[Global Properties]\nWidth=1\0\n", 29), false},
        {"undefined.agp", "[Global Properties]\nWidth=\x81\n", false},
        {"notes.txt", "shopping list\n", false},
        {"pictoreel.ini", "[General]\nTemp Path=/tmp/\n", false},
        {"folder.agp", std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(c.name);
        if (c.bytes)
            write(c.name, *c.bytes);
        const QByteArray before = fileContents(file);
        Loaded l;
        l.properties.width = "7";
        l.frames.AddFrameFromString("5;NO;0;kept.png;/p/");
        const Status read = readProjectFile(file, l.properties, l.frames);
        ProjectProperties p;
        const Status written = writeProjectFile(file, framesOf({"1;NO;0;a.png;/p/", "2;NO;0;b.png;/p/"}), p);
        EXPECT_EQ(std::tuple(bool(checkProjectFile(file)), bool(read), bool(written)), std::tuple(c.project, c.project, c.project));
        EXPECT_EQ(l.frames.rowCount(), 1);
        if (c.project) {
            EXPECT_EQ(load(c.name).frames.rowCount(), 2);
            continue;
        }
        for (const Error& e : {read.error(), written.error()})
            EXPECT_EQ(std::pair(e.code, e.message), std::pair(ErrorCode::UnsupportedFormat, QString(file + " is not a Pictoreel project.")));
        EXPECT_EQ(QStringList({l.properties.width, p.outputFile}), QStringList({"7", ""}));
        EXPECT_EQ(fileContents(file), before);
    }
}

// Random projects, names with spaces, non-ASCII letters and odd characters, survive a save and a
// load unchanged (";" in names and spaces around a file name are refused, kept out here), each
// saved over the one before: the frame keys a shorter project leaves behind are never read.
TEST_F(ProjectFile, RandomProjectsRoundTrip)
{
    QRandomGenerator rng(20261205);
    const QList<uint> alphabet = QString::fromUtf8("abcXYZ019 _-.,'\"()[]=#ßéüЖ日本😀").toUcs4();
    auto randomText = [&](int maxLen) {
        QString s;
        for (int i = 0, len = 1 + int(rng.bounded(maxLen)); i < len; ++i) {
            const char32_t c = alphabet[int(rng.bounded(alphabet.size()))];
            s += QString::fromUcs4(&c, 1);
        }
        return s.trimmed().isEmpty() ? QString("x") : s;
    };
    for (int round = 0; round < 30; ++round) {
        FrameList frames;
        const int count = int(rng.bounded(40));
        for (int i = 0; i < count; ++i) {
            const QString picture = "/" + randomText(12) + "/" + randomText(8) + "/n" + randomText(10) + ".png";
            NewFrameValues v{QString::number(rng.bounded(1, 1000)), rng.bounded(2) == 1, int(rng.bounded(16777216))};
            ASSERT_TRUE(frames.AddFrameEntry(picture, v).ok());
        }
        ProjectProperties p;
        p.width = QString::number(rng.bounded(8, 1025));
        p.height = QString::number(rng.bounded(8, 1025));
        p.loopInfinitely = int(rng.bounded(3));  // 2: a greyed tick, kept as it is
        p.loopTimes = QString::number(rng.bounded(65536));
        p.outputFile = "/out/" + randomText(10) + ".gif";
        ASSERT_TRUE(writeProjectFile(path("round ü.agp"), frames, p));
        forgetParsedIniFiles();
        const Loaded l = load("round ü.agp");
        EXPECT_EQ(QStringList({l.properties.width, l.properties.height, l.properties.loopTimes, l.properties.outputFile}),
                  QStringList({p.width, p.height, p.loopTimes, p.outputFile.trimmed()}));
        EXPECT_EQ(l.properties.loopInfinitely, p.loopInfinitely);
        ASSERT_EQ(l.frames.rowCount(), count);
        for (int i = 1; i <= count; ++i)  // values are trimmed by the store: a name's end space goes
            EXPECT_EQ(l.frames.FrameToString(i), frames.FrameToString(i).trimmed());
    }
}

}  // namespace
}  // namespace pictoreel
