// pictoreel-cli driven as a user drives it: what each command writes and says, and how it refuses.
#include "core/imaging/composite.h"
#include "core/formats/animated_picture_reader.h"
#include "core/formats/gif_blocks.h"
#include "core/gif/gif_reader.h"
#include "core/media/imaging_component.h"
#include "core/media/magick_adapter.h"
#include "core/project/settings_store.h"
#include "support/files.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace pictoreel {
namespace {

using testing::comparePictures;

// Whether a GIF holds a comment: the notes of the frame cache belong in its own files only, never
// in a picture the user keeps.
bool holdsComment(const QString& path)
{
    const QByteArray bytes = testing::fileContents(path);
    gif::BlockWalker walker(reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    while (const std::optional<gif::Block> block = walker.next())
        if (block->kind == gif::BlockKind::Extension && block->label == gif::kCommentLabel)
            return true;
    return false;
}

const QString kSuite = QStringLiteral(PICTOREEL_SHARED_TESTDATA "/gif-suite-peterdn/gifs/");
const QString kWide = QStringLiteral(PICTOREEL_TEST_DATA "/gif-cases/wide.gif");  // 65535 x 1

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

// Runs pictoreel-cli; leading arguments NAME=VALUE are set in its environment instead.
CliRun runCli(QStringList arguments, const QString& workingFolder = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (; !arguments.isEmpty() && QRegularExpression("^[A-Z_]+=").match(arguments.front()).hasMatch(); arguments.removeFirst())
        environment.insert(arguments.front().section(u'=', 0, 0), arguments.front().section(u'=', 1));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingFolder);
    process.start(QStringLiteral(PICTOREEL_CLI), arguments);
    process.waitForFinished(60000);
    return CliRun{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                  QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

RgbaImage picture(const QString& path)
{
    Result<RgbaImage> p = loadPictureFile(path);
    EXPECT_TRUE(p.ok()) << path.toStdString();
    return p ? p.value() : RgbaImage();
}

// A folder with three 40 x 30 BMP pictures p0.bmp .. p2.bmp.
class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i)
            testing::writeBmp(dir.filePath(QString("p%1.bmp").arg(i)), testing::solidPicture(40, 30, Rgb{std::uint8_t(80 * i), 100, 200}));
    }
    // A 32 x 24 project looping twice over the pictures in turn (its "Loop Infinitely" is a hand-edited
    // 2, shown greyed and made as not ticked); frame i waits 10 i hundredths.
    QString writeProject(int frames, const QString& output)
    {
        const QString path = dir.filePath("project ü.agp");
        QString text = QString("[Global Properties]\nWidth=32\nHeight=24\nLoop Infinitely=2\nLoop Times=2\n"
                               "Output GIF File Name=%1\nFrames=%2\n[Frame Properties]\n").arg(output).arg(frames);
        for (int i = 1; i <= frames; ++i)
            text += QString("FRAME%1=%2;NO;0;p%3.bmp;%4/\n").arg(i, 3, 10, QChar('0')).arg(i * 10).arg((i - 1) % 3).arg(dir.path());
        EXPECT_TRUE(testing::writeFileContents(path, text.toUtf8()));
        forgetParsedIniFiles();
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(Cli, MakeWritesTheProjectsGifAndSummarisesIt)
{
    const QString out = dir.filePath("out put.gif"), cache = dir.filePath("cache");
    const CliRun run = runCli({"make", writeProject(4, out), "--temp", cache, "--jobs", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("4 frames") && run.out.contains("bytes")) << run.out.toStdString();
    const DecodedGif gif = decodeGifFile(out).value();
    ASSERT_EQ(gif.frames.size(), 4u);
    EXPECT_EQ(std::pair(gif.info.loopCount, gif.frames[3].delayCentiseconds), std::pair(std::optional<int>(2), 40));
    EXPECT_EQ(std::pair(QDir(cache).entryList({"__tmp__p*"}, QDir::Files).size(), QDir(cache).entryList({"__tmp__animation_*"}, QDir::Files).size()),
              std::pair(qsizetype(3), qsizetype(1)));  // the frames' files and the made animation's
    EXPECT_TRUE(runCli({"make", writeProject(2, out), "-o", dir.filePath("other.gif"), "--temp", cache, "--quiet"}).exitCode == 0 &&
                QFile::exists(dir.filePath("other.gif")));

    // A gap in the frame keys: the frames before it are made, and the keys left out are told of.
    const QString gapped = writeProject(3, out);
    ASSERT_TRUE(testing::writeFileContents(gapped, testing::fileContents(gapped).replace("FRAME002=", "FRAME004=")));
    forgetParsedIniFiles();
    const CliRun gap = runCli({"make", gapped, "--temp", cache, "--quiet"});
    EXPECT_EQ(gap.exitCode, 0);
    EXPECT_EQ(gap.err, "pictoreel-cli: warning: project ü.agp: 2 frames were read; 1 frame key after a gap in the numbers was left out (FRAME004)\n");
    EXPECT_EQ(decodeGifFile(out).value().frames.size(), 2u);

    // A relative output name is the project folder's; a missing picture is named and exits 3.
    ASSERT_TRUE(QFile::remove(dir.filePath("p1.bmp")));
    const CliRun missing = runCli({"make", writeProject(3, "rel.gif"), "--temp", cache, "--quiet"});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_EQ(missing.err, "pictoreel-cli: frame 2: missing picture " + dir.filePath("p1.bmp") + "; it shows the frame before it\n");
    EXPECT_EQ(decodeGifFile(dir.filePath("rel.gif")).value().frames.size(), 3u);
    // A folder at a picture's name is told as what it is.
    ASSERT_TRUE(QDir().mkdir(dir.filePath("p1.bmp")));
    EXPECT_EQ(runCli({"make", writeProject(3, "rel.gif"), "--temp", cache, "--quiet"}).err,
              "pictoreel-cli: frame 2: " + dir.filePath("p1.bmp") + " is not a file: it is a folder; it shows the frame before it\n");
    ASSERT_TRUE(QDir().rmdir(dir.filePath("p1.bmp")));
    // So is a picture that cannot be read, in one sentence.
    ASSERT_TRUE(testing::writeFileContents(dir.filePath("p1.bmp"), "no picture"));
    EXPECT_EQ(runCli({"make", writeProject(3, "rel.gif"), "--temp", cache, "--quiet"}).err,
              "pictoreel-cli: frame 2 (" + dir.filePath("p1.bmp") + "): \"" + dir.filePath("p1.bmp") +
                  "\" is not a picture in a supported format; it shows the frame before it\n");
    // The first frame has no frame before it to show.
    EXPECT_EQ(runCli({"make", dir.filePath("none.bmp"), dir.filePath("p0.bmp"), "-o", out, "--temp", cache, "--quiet"}).err,
              "pictoreel-cli: frame 1: missing picture " + dir.filePath("none.bmp") + "; it is left transparent\n");
}

// "make PICTURE..." makes in memory the project "project PICTURE..." writes, which the window
// would hold too: all three GIFs are the same bytes.
TEST_F(Cli, PicturesMakeWhatTheirProjectMakes)
{
    const QStringList pictures{dir.filePath("p0.bmp"), dir.filePath("p1.bmp"), dir.filePath("p2.bmp")};
    const QStringList options{"--delay", "7", "--loop", "2", "--transparent", "5064C8", "--size", "32x24"};
    const QString direct = dir.filePath("direct.gif"), project = dir.filePath("made.agp");
    const CliRun made = runCli(QStringList{"make"} + pictures + options + QStringList{"-o", direct, "--temp", dir.filePath("c1"), "--json"});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(made.out.toUtf8()).object();
    EXPECT_EQ(QStringList({json["output"].toString(), QString::number(json["bytes"].toInteger()), QString::number(json["frames"].toInt()),
                           QString::number(json["width"].toInt()), QString::number(json["height"].toInt()), QString::number(json["loop"].toInt()),
                           QString::number(json["settings"]["delay"].toInt()), json["settings"]["transparent"].toString()}),
              QStringList({direct, QString::number(QFileInfo(direct).size()), "3", "32", "24", "2", "7", "5064C8"}));
    EXPECT_TRUE(json["missing"].toArray().isEmpty() && json["seconds"].toDouble() >= 0);

    QString text = "[Global Properties]\nWidth=32\nHeight=24\nLoop Infinitely=0\nLoop Times=2\nFrames=3\n[Frame Properties]\n";
    for (int i = 0; i < 3; ++i)  // 5064C8 is red 80, green 100, blue 200: 200 * 65536 + 100 * 256 + 80
        text += QString("FRAME00%1=7;YES;13132880;p%2.bmp;%3/\n").arg(i + 1).arg(i).arg(dir.path());
    ASSERT_TRUE(testing::writeFileContents(dir.filePath("hand.agp"), text.toUtf8()));
    ASSERT_EQ(runCli({"make", dir.filePath("hand.agp"), "-o", dir.filePath("hand.gif"), "--temp", dir.filePath("c2"), "--quiet"}).exitCode, 0);
    ASSERT_EQ(runCli(QStringList{"project"} + pictures + options + QStringList{"-o", project}).exitCode, 0);
    const CliRun fromProject = runCli({"make", project, "--temp", dir.filePath("c3")});
    ASSERT_EQ(fromProject.exitCode, 0) << fromProject.err.toStdString();
    EXPECT_TRUE(fromProject.out.startsWith(dir.filePath("made.gif") + ": 3 frames, ")) << fromProject.out.toStdString();
    EXPECT_EQ(testing::fileContents(dir.filePath("hand.gif")), testing::fileContents(direct));
    EXPECT_EQ(testing::fileContents(dir.filePath("made.gif")), testing::fileContents(direct));

    // Forced, a project is written over (unforced it is refused: see the refusals). Its Quality, here
    // 1, sets the make's settings; --colors given beside it stays as given.
    const QStringList again = QStringList{"project"} + pictures + QStringList{"--delay", "9", "-o"};
    EXPECT_EQ(runCli(again + QStringList{project, "--force", "--max-size", "2.5M", "--quality", "1"}).exitCode, 0);
    EXPECT_TRUE(testing::fileContents(project).contains("FRAME003=9;NO;16777215;p2.bmp;"));
    const CliRun low = runCli({"make", project, "-o", dir.filePath("low.gif"), "--temp", dir.filePath("c4"), "--colors", "200", "--json"});
    const QJsonObject lowSettings = QJsonDocument::fromJson(low.out.toUtf8()).object()["settings"].toObject();
    EXPECT_EQ(std::tuple(lowSettings["quality"].toInt(), lowSettings["colors"].toInt(), lowSettings["dither"].toString()),
              std::tuple(1, 200, QString("none"))) << low.err.toStdString();
    EXPECT_GT(lowSettings["lossy"].toInt(), 0);
    const CliRun webp = runCli({"make", project, "-o", dir.filePath("sized.webp"), "--temp", dir.filePath("c3")});
    EXPECT_TRUE(webp.exitCode == 0 && webp.out.endsWith(" s (Max size applies to GIF files only)\n")) << webp.out.toStdString();

    // A make writes no project, so it takes pictures whose names a project cannot hold, as made
    // from the same pictures under plain names.
    ASSERT_TRUE(QFile::copy(pictures[2], dir.filePath("a;b.bmp")));
    const CliRun odd = runCli({"make", dir.filePath("a;b.bmp"), pictures[0], "-o", dir.filePath("odd.gif"), "--temp", dir.filePath("c1")});
    EXPECT_TRUE(odd.exitCode == 0 && odd.err.isEmpty()) << odd.err.toStdString();
    ASSERT_EQ(runCli({"make", pictures[2], pictures[0], "-o", dir.filePath("plain.gif"), "--temp", dir.filePath("c1")}).exitCode, 0);
    EXPECT_EQ(testing::fileContents(dir.filePath("odd.gif")), testing::fileContents(dir.filePath("plain.gif")));

    // ".." after a linked folder leads where the system takes it: to the parent of the link's target.
    ASSERT_TRUE(QDir(dir.path()).mkpath("other/sub") && QDir(dir.path()).mkpath("here") &&
                QFile::link(dir.filePath("other/sub"), dir.filePath("here/lnk")) && QFile::copy(pictures[1], dir.filePath("other/p.bmp")));
    ASSERT_EQ(runCli({"project", dir.filePath("here/lnk/../p.bmp"), pictures[0], "-o", dir.filePath("linked.agp")}).exitCode, 0);
    EXPECT_TRUE(QString::fromUtf8(testing::fileContents(dir.filePath("linked.agp")))
                    .contains(";p.bmp;" + QFileInfo(dir.filePath("other")).canonicalFilePath() + "/\n"));

    // A lone picture name is a picture (too few for an animation: see the refusals), unless the file
    // holds a project.
    ASSERT_TRUE(QFile::copy(project, dir.filePath("project.png")));
    EXPECT_TRUE(runCli({"make", dir.filePath("project.png"), "--temp", dir.filePath("c3")}).out.startsWith(dir.filePath("made.gif")));

    // A missing and an unreadable picture: each frame is named, in order, and the GIF is made.
    ASSERT_TRUE(testing::writeFileContents(dir.filePath("bad.bmp"), "no picture"));
    const CliRun gaps = runCli({"make", pictures[0], dir.filePath("none.bmp"), dir.filePath("bad.bmp"), "-o", direct, "--temp", dir.filePath("c1"), "--json"});
    EXPECT_EQ(gaps.exitCode, 3);
    EXPECT_EQ(QJsonDocument::fromJson(gaps.out.toUtf8()).object()["missing"].toArray(),
              QJsonArray({QJsonObject{{"frame", 2}, {"path", dir.filePath("none.bmp")}}, QJsonObject{{"frame", 3}, {"path", dir.filePath("bad.bmp")}}}));
}

// The delays of the frames of a GIF, WebP or PNG animation, in hundredths.
QStringList delaysIn(const QString& path)
{
    QStringList delays;
    if (path.endsWith(".gif")) {
        const auto decoded = decodeGifFile(path);
        for (const GifFrame& frame : decoded.value().frames)
            delays << QString::number(frame.delayCentiseconds);
        return delays;
    }
    const QByteArray bytes = testing::fileContents(path);
    auto reader = (path.endsWith(".webp") ? openWebpAnimation(bytes) : openApngAnimation(bytes)).value();
    while (const std::optional<AnimationFrame> frame = reader->nextFrame().value())
        delays << QString::number(frame->durationMs / 10);
    return delays;
}

// The options of both makes and of project, as tests/data/cli/options.txt lists them; then a
// project's wrong Crop, which fails its make.
TEST_F(Cli, Options)
{
    const QString agp = dir.filePath("s.agp");
    const QString two = "p0.bmp p1.bmp -o o.gif --temp cache --json";
    for (const QString& line : testing::tableLines(PICTOREEL_TEST_DATA "/cli/options.txt")) {
        SCOPED_TRACE(line.toStdString());
        const QStringList words = QString(line.section("=>", 0, 0)).replace("{two}", two).replace("{agp}", "s.agp").split(' ', Qt::SkipEmptyParts);
        QStringList expected = line.section("=>", 1).split(' ', Qt::SkipEmptyParts);
        const QString out = dir.filePath(words.value(words.indexOf("-o") + 1, "o.gif"));
        if (words.front() == "make")
            QFile::remove(out);
        const CliRun run = runCli(words, dir.path());
        EXPECT_EQ(QString::number(run.exitCode), expected.takeFirst()) << run.err.toStdString();
        QStringList made;
        if (expected.isEmpty())
            continue;
        if (words.front() == "project") {
            const QString text = QString::fromUtf8(testing::fileContents(agp));
            made = text.section("Frames=2\n", 1).section("[Frame", 0, 0).trimmed().split('\n');
            for (const QString& frame : text.section("[Frame Properties]\n", 1).trimmed().split('\n'))
                made << frame.section('=', 1).section(';', 0, 0);
        } else {
            const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
            made << QString("%1x%2").arg(json["width"].toInt()).arg(json["height"].toInt()) << QString::number(json["loop"].toInt());
            made += delaysIn(out);
        }
        EXPECT_EQ(made.join(' ').toStdString(), expected.join(' ').toStdString());
    }
    QString text = QString::fromUtf8(testing::fileContents(agp));
    ASSERT_TRUE(testing::writeFileContents(agp, text.replace("Crop=10x8+1+2", "Crop=10x8").toUtf8()));
    const CliRun refused = runCli({"make", agp, "-o", dir.filePath("o.gif"), "--temp", dir.filePath("cache")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("Crop \"10x8\"")) << refused.err.toStdString();
}

// A 200 x 100 picture, red on its left quarter and blue elsewhere, fitted inside opaque 100 x 100
// frames with green bars: the pixels at (10, 10), (10, 50), (75, 50) and (10, 90) are green, red,
// blue and green. (The fit's other modes are the options table's, as the keys they write.)
TEST_F(Cli, FitInsideFillsTheBarsWithTheirColour)
{
    RgbaImage wide = testing::solidPicture(200, 100, Rgb{0, 0, 255});
    testing::fillRect(wide, 0, 0, 50, 100, Rgb{255, 0, 0});
    const QString p = dir.filePath("wide.bmp"), out = dir.filePath("fit.gif");
    testing::writeBmp(p, wide);
    const CliRun run = runCli({"make", p, p, "-o", out, "--size", "100x100", "--temp", dir.filePath("cache"), "--fit", "Contain",
                               "--fit-background", "00FF00"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const RgbaImage frame = decodeGifFile(out).value().frames[0].image;
    EXPECT_EQ(std::vector<Rgb>({testing::colourAt(frame, 10, 10), testing::colourAt(frame, 10, 50), testing::colourAt(frame, 75, 50),
                                testing::colourAt(frame, 10, 90)}),
              std::vector<Rgb>({Rgb{0, 255, 0}, Rgb{255, 0, 0}, Rgb{0, 0, 255}, Rgb{0, 255, 0}}));
}

TEST_F(Cli, FrameAndInfoCommands)
{
    const QString gif = dir.filePath("one.gif");
    const CliRun run = runCli({"frame", dir.filePath("p1.bmp"), "-o", gif, "--size", "20x10", "--transparent", "5064C8"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(decodeGifFile(gif).value().frames[0].image.pixel(3, 3)[3], 0);  // the whole picture is the key colour
    EXPECT_FALSE(holdsComment(gif));
    const QJsonObject info = QJsonDocument::fromJson(runCli({"info", gif, "--json"}).out.toUtf8()).object();
    EXPECT_EQ(QList<int>({info["width"].toInt(), info["height"].toInt(), info["frame_count"].toInt(), int(info["delays"].toArray().size())}),
              QList<int>({20, 10, 1, 1}));
    EXPECT_TRUE(info["loop_count"].isNull());
    // A picture too large to hold whole tells the size its header stores.
    const QString large = QStringLiteral(PICTOREEL_TEST_DATA "/limits/large-7000x7000.png");
    EXPECT_EQ(runCli({"info", large}).out, large + ": 7000 x 7000 pixels\n");
    // So does a GIF whose screen is too large to hold: info decodes no frame.
    const QString screen = dir.filePath("screen.gif");
    const char bytes[] = "GIF89a\x40\x1F\x70\x17\x00\x00\x00"          // 8000 x 6000, no colour table
                         "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x80"  // one pixel, local table of 2
                         "\x00\x00\x00\xFF\xFF\xFF\x02\x02\x44\x01\x00\x3B";
    ASSERT_TRUE(testing::writeFileContents(screen, QByteArray(bytes, sizeof bytes - 1)));
    EXPECT_EQ(runCli({"info", screen}).out, screen + ": 8000 x 6000 pixels\nframes: 1\ndelays (1/100 s): 0\nloop: none (plays once)\n");
    // A picture whose left half is green at alpha 0: BMP and JPEG show that half white, not the
    // green under it; PNG keeps it transparent.
    const QString hidden = dir.filePath("hidden.png");
    RgbaImage clear = testing::solidPicture(20, 10, Rgb{200, 0, 0});
    testing::fillRect(clear, 0, 0, 10, 10, Rgb{0, 255, 0}, 0);
    ASSERT_TRUE(testing::writeFileContents(hidden, encodePng(clear).value()));
    for (const char* format : {"bmp", "jpg", "png"}) {
        const QString out = dir.filePath(QStringLiteral("shown.") + format);
        ASSERT_EQ(runCli({"frame", hidden, "-o", out}).exitCode, 0) << format;
        const RgbaImage written = loadPictureFile(out).value();
        const std::uint8_t* left = written.pixel(4, 5);
        if (QString(format) == "png")
            EXPECT_EQ(left[3], 0);
        else
            EXPECT_TRUE(left[0] > 240 && left[1] > 240 && left[2] > 240 && written.pixel(15, 5)[0] > 180) << format;
    }
    // Animated WebP and PNG files tell their frames, and no delays or loop count they do not read;
    // a still picture has one frame.
    for (const char* name : {"three.webp", "three.png", "p0.bmp"}) {
        const QString file = dir.filePath(name);
        if (!QFile::exists(file)) {
            ASSERT_EQ(runCli({"make", dir.filePath("p0.bmp"), dir.filePath("p1.bmp"), dir.filePath("p2.bmp"), "-o", file, "--quiet",
                              "--temp", dir.filePath("c")}).exitCode, 0);
        }
        const QJsonObject told = QJsonDocument::fromJson(runCli({"info", file, "--json"}).out.toUtf8()).object();
        EXPECT_EQ(told["frame_count"].toInt(), QString(name).endsWith(".bmp") ? 1 : 3) << name;
        EXPECT_FALSE(told.contains("delays") || told.contains("loop_count")) << name;
        EXPECT_EQ(runCli({"info", file}).out.count('\n'), QString(name).endsWith(".bmp") ? 1 : 2) << name;
    }
}

TEST_F(Cli, ExtractWritesTheChosenFramesAsShown)
{
    const QString gif = kSuite + "animated_transparent_frame_restorebackground_loop.gif";
    const auto reference = [](int k) -> QString { return kSuite + QString("frames/animated_transparent_frame_restorebackground_loop-%1.png").arg(k); };
    const QString pngs = dir.filePath("new folder/png");
    const CliRun run = runCli({"extract", gif, "-o", pngs, "--format", "png"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("4 frames"));
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(comparePictures(picture(pngs + QString("/Frame_%1.png").arg(k)), picture(reference(k))), "") << k;
    // Frames written before are written over only with --force; without it nothing is written.
    ASSERT_TRUE(QFile::remove(pngs + "/Frame_0.png") && testing::writeFileContents(pngs + "/Frame_3.png", "mine"));
    const CliRun refused = runCli({"extract", gif, "-o", pngs, "--format", "png"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(pngs + " already holds Frame_1.png; --force")) << refused.err.toStdString();
    EXPECT_FALSE(QFile::exists(pngs + "/Frame_0.png"));
    EXPECT_EQ(testing::fileContents(pngs + "/Frame_3.png"), "mine");
    ASSERT_EQ(runCli({"extract", gif, "-o", pngs, "--format", "png", "--frames", "3", "--force", "--quiet"}).exitCode, 0);
    EXPECT_EQ(comparePictures(picture(pngs + "/Frame_3.png"), picture(reference(3))), "");

    // BMP frames are composited over the extractor's background; only the listed ones are written.
    const QString bmps = dir.filePath("bmp");
    ASSERT_EQ(runCli({"extract", gif, "-o", bmps, "--format", "bmp", "--frames", " 3,1-1"}).exitCode, 0);
    EXPECT_EQ(QDir(bmps).entryList(QDir::Files), (QStringList{"Frame_1.bmp", "Frame_3.bmp"}));
    for (int k : {1, 3}) {
        const RgbaImage expected = compositeOverColour(picture(reference(k)), 212 | (208 << 8) | (200 << 16));
        EXPECT_EQ(comparePictures(picture(bmps + QString("/Frame_%1.bmp").arg(k)), expected), "") << k;
    }
    for (const char* format : {"gif", "jpg"}) {
        ASSERT_EQ(runCli({"extract", gif, "-o", dir.filePath(format), "--format", format, "--frames", "2", "--quiet"}).exitCode, 0);
        EXPECT_EQ(picture(dir.filePath(QString("%1/Frame_2.%1").arg(format))).width, 100) << format;
    }
    EXPECT_FALSE(holdsComment(dir.filePath("gif/Frame_2.gif")));
    // A frame of 65535 x 1 pixels, beyond what pictures are read at, comes out whole.
    const QString strip = dir.filePath("strip");
    for (const char* format : {"bmp", "gif", "png"})
        ASSERT_EQ(runCli({"extract", kWide, "-o", strip, "--format", format, "--quiet"}).exitCode, 0) << format;
    EXPECT_EQ(testing::fileContents(strip + "/Frame_0.png").mid(16, 8), QByteArray("\0\0\xff\xff\0\0\0\x01", 8));
    EXPECT_EQ(testing::fileContents(strip + "/Frame_0.bmp").mid(54 + 65534 * 3), QByteArray("\0\xff\0\0\0\0", 6));
    EXPECT_EQ(comparePictures(decodeGifFile(strip + "/Frame_0.gif").value().frames[0].image, decodeGifFile(kWide).value().frames[0].image), "");
}

TEST_F(Cli, FramesWritesTheVideosPicturesAndPrintsEachDelayBeforeItsName)
{
    const QString video = QStringLiteral(PICTOREEL_TEST_DATA "/videos/testsrc_h264_15x11_vfr.mkv"), out = dir.filePath("clip frames");
    const QStringList arguments{"frames", video, "-o", out, "--start=0.05", "--duration", "0.4"};
    const CliRun run = runCli(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QString("5 %1/testsrc_h264_15x11_vfr_0001.png\n20 %1/testsrc_h264_15x11_vfr_0002.png\n"
                               "15 %1/testsrc_h264_15x11_vfr_0003.png\n").arg(out));
    EXPECT_TRUE(run.err.contains("3 frames written to")) << run.err.toStdString();
    const CliRun again = runCli(arguments);
    EXPECT_TRUE(again.exitCode == 1 && again.err.contains("already holds frames")) << again.err.toStdString();

    // An animated GIF gives all its frames, each with its stored delay. (That they are the frames
    // as shown is the import's test: see the animation frames' and the imported animation's.)
    const QString gif = QStringLiteral(PICTOREEL_TEST_DATA "/gif-cases/zero-delays.gif"), folder = dir.filePath("gif frames");
    const CliRun animation = runCli({"frames", gif, "-o", folder, "--quiet"});
    ASSERT_EQ(animation.exitCode, 0) << animation.err.toStdString();
    QString told;
    const DecodedGif decoded = decodeGifFile(gif).value();
    for (const GifFrame& frame : decoded.frames)
        told += QString("%1 %2/zero-delays_%3.png\n").arg(frame.delayCentiseconds).arg(folder).arg(told.count(u'\n') + 1, 4, 10, QChar('0'));
    EXPECT_EQ(animation.out, told);
}

// A file cut short (a download broken off) is read as far as it goes and said to be cut short;
// what libpng says to itself stays out of the messages.
TEST_F(Cli, CutShortFilesAreReadAsFarAsTheyGoAndWarnedAbout)
{
    const QByteArray whole = testing::fileContents(QStringLiteral(PICTOREEL_SHARED_TESTDATA "/wuffs/test/data/muybridge.gif"));
    const QString gif = dir.filePath("cut.gif");
    ASSERT_TRUE(testing::writeFileContents(gif, whole.left(whole.size() / 2)));
    const auto warned = [](const CliRun& run) { return run.err.contains("cut.gif is cut short: it breaks off after"); };

    const CliRun info = runCli({"info", gif, "--json"});
    const QJsonObject object = QJsonDocument::fromJson(info.out.toUtf8()).object();
    EXPECT_TRUE(info.exitCode == 0 && warned(info) && object["truncated"].toBool()) << info.err.toStdString();
    const int frames = object["frame_count"].toInt();
    EXPECT_TRUE(frames > 0 && frames < 15) << frames;
    EXPECT_FALSE(QJsonDocument::fromJson(runCli({"info", dir.filePath("p0.bmp"), "--json"}).out.toUtf8())["truncated"].toBool());

    const CliRun extract = runCli({"extract", gif, "-o", dir.filePath("frames"), "--quiet"});
    EXPECT_TRUE(extract.exitCode == 0 && warned(extract)) << extract.err.toStdString();
    EXPECT_TRUE(extract.err.contains(QString("incomplete frames, written as far as they could be read: %1").arg(frames - 1)))
        << extract.err.toStdString();
    EXPECT_EQ(QDir(dir.filePath("frames")).entryList(QDir::Files).size(), frames);
    const CliRun video = runCli({"gif2avi", gif, dir.filePath("cut.avi"), "--quiet"});
    EXPECT_TRUE(video.exitCode == 0 && warned(video)) << video.err.toStdString();
    // An output named .mp4 is an MP4; one whose name says a kind of video not written is warned about.
    const CliRun mp4 = runCli({"gif2avi", gif, dir.filePath("cut.mp4"), "--quiet"});
    EXPECT_TRUE(mp4.exitCode == 0 && warned(mp4) && !mp4.err.contains("whatever its name says")) << mp4.err.toStdString();
    EXPECT_EQ(testing::fileContents(dir.filePath("cut.mp4")).mid(4, 4), "ftyp");
    const CliRun misnamed = runCli({"gif2avi", gif, dir.filePath("cut.mov"), "--quiet"});
    EXPECT_TRUE(misnamed.exitCode == 0 && misnamed.err.contains("cut.mov was written as an AVI file, whatever its name says"))
        << misnamed.err.toStdString();
    EXPECT_EQ(runCli({"gif2avi", gif, dir.filePath("cut.mov"), "--quiet"}).exitCode, 0);  // and again over it

    const QString png = dir.filePath("cut.png");
    const QByteArray picture = testing::fileContents(QStringLiteral(PICTOREEL_SHARED_TESTDATA "/gif-suite-peterdn/gifs/frames/"
                                                                    "animated_transparent_frame_restorebackground_loop-0.png"));
    ASSERT_TRUE(testing::writeFileContents(png, picture.left(picture.size() - 40)));
    const CliRun frame = runCli({"frame", png, "-o", dir.filePath("x.gif")});
    EXPECT_TRUE(frame.exitCode == 1 && frame.err.contains("damaged") && !frame.err.contains("libpng")) << frame.err.toStdString();
}

// Refusals, as tests/data/cli/refusals.txt lists them, name the problem on the error output, exit
// with 1 (the work failed) or 2 (the command line is wrong), and leave earlier outputs and every
// source as they were.
TEST_F(Cli, RefusesWithAClearMessageAndLeavesOldOutputs)
{
    const QString old = dir.filePath("old.gif"), out = dir.filePath("out"), gif = kSuite + "animated_loop.gif", frames = dir.filePath("frames");
    const QString many = QStringLiteral(PICTOREEL_SHARED_TESTDATA "/wuffs/test/data/muybridge.gif");
    ASSERT_TRUE(testing::writeFileContents(old, "precious") && testing::writeFileContents(dir.filePath("file"), "not a folder") &&
                testing::writeFileContents(dir.filePath("p0.txt"), "text"));
    ASSERT_EQ(runCli({"frame", dir.filePath("p0.bmp"), "-o", dir.filePath("one.gif")}).exitCode, 0);
    ASSERT_TRUE(QDir().mkdir(frames) && QFile::copy(gif, frames + "/Frame_0.gif"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.gif")).constData(), 0600), 0);
    const QByteArray sources = testing::fileContents(dir.filePath("p0.bmp")) + testing::fileContents(dir.filePath("one.gif"));
    const auto fill = [&](QString text) {
        return text.replace("{dir}", dir.path()).replace("{gif}", gif).replace("{many}", many).replace("{wide}", kWide)
            .replace("{data}", PICTOREEL_TEST_DATA).replace("{sp}", " ").replace("\\n", "\n")
            .replace("{long}", QString(1001, 'x'));
    };
    for (const QString& line : testing::tableLines(PICTOREEL_TEST_DATA "/cli/refusals.txt")) {
        SCOPED_TRACE(line.toStdString());
        QStringList arguments;
        const QString two = "{dir}/p0.bmp {dir}/p1.bmp -o {dir}/big.gif";
        for (const QString& word : line.section(" => ", 0, 0).replace("{two}", two).split(' ', Qt::SkipEmptyParts))
            arguments << (word == "{empty}"               ? QString()
                          : word == "{unnamed}"           ? writeProject(3, "")
                          : word.startsWith("{project") ? writeProject(word.mid(8, 1).toInt(), old)
                                                          : fill(word));
        const QString expected = line.section(" => ", 1).trimmed();
        const CliRun run = runCli(arguments, dir.path());
        EXPECT_EQ(QString::number(run.exitCode), expected.section(' ', 0, 0)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(fill(expected.section(' ', 1)))) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(testing::fileContents(old), "precious");
    EXPECT_EQ(testing::fileContents(dir.filePath("p0.bmp")) + testing::fileContents(dir.filePath("one.gif")), sources);
    EXPECT_EQ(testing::fileContents(frames + "/Frame_0.gif"), testing::fileContents(gif));
    EXPECT_EQ(QDir(frames).entryList(QDir::Files), QStringList{"Frame_0.gif"});
    EXPECT_FALSE(QFile::exists(dir.filePath("x.avi")) || QFile::exists(dir.filePath("big.gif")) || QFile::exists(dir.filePath("sized.agp")));
    // A picture's error names it once.
    EXPECT_EQ(runCli({"info", dir.filePath("absent.png")}).err.count(QStringLiteral("absent.png")), 1);
    // Within its budget the same GIF is taken apart.
    const CliRun within = runCli({"extract", many, "-o", out, "--frames", "0-9", "--max-frames", "10", "--format", "bmp"});
    EXPECT_EQ(within.exitCode, 0) << within.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::Files).size(), 10);
}

// "--help" names every command and make's every option; "--version" the program and then one
// library a line; "--" lets a file start with "-".
TEST_F(Cli, HelpVersionAndFilesThatLookLikeOptions)
{
    const QString help = runCli({"--help"}).out;
    for (const char* named : {"extract GIF -o DIR", "--colors N", "--dither none|ordered|diffusion", "--lossy N",
                              "--max-size", ".webp"})
        EXPECT_TRUE(help.contains(QLatin1String(named))) << named;
    const CliRun version = runCli({"--version"});
    EXPECT_TRUE(version.exitCode == 0 && version.out.startsWith("Pictoreel 1.40\nQt 6.") && version.out.contains("\ngiflib 5.") &&
                version.out.contains("\nImageMagick 6.") && version.out.contains("libavcodec ") && version.out.count(u'\n') == 5)
        << version.out.toStdString();

    ASSERT_TRUE(QFile::copy(dir.filePath("p1.bmp"), dir.filePath("-p.bmp")));
    const CliRun info = runCli({"info", "--", "-p.bmp"}, dir.path());
    EXPECT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("40"));
}

}  // namespace
}  // namespace pictoreel
