#include "core/media/gif_reader.h"
#include "core/media/imaging_component.h"
#include "core/media/player_component.h"
#include "core/project/settings_store.h"
#include "support/files.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace pictoreel {
namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(PICTOREEL_CLI), arguments);
    process.waitForFinished(60000);
    return CliRun{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
               QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i)
            testing::writeBmp(dir.filePath(QString("p%1.bmp").arg(i)),
                              testing::solidPicture(40, 30, Rgb{std::uint8_t(80 * i), 100, 200}));
    }
    QString writeProject(int frames, const QString& output)
    {
        const QString path = dir.filePath("project ü.agp");
        QFile::remove(path);
        QString text = QString("[Global Properties]\nWidth=32\nHeight=24\nLoop Infinitely=0\nLoop Times=2\n"
                               "Output GIF File Name=%1\nFrames=%2\n[Frame Properties]\n")
                           .arg(output)
                           .arg(frames);
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
    const QString out = dir.filePath("out put.gif");
    const CliRun run = runCli({"make", writeProject(4, out), "--temp", dir.filePath("cache"), "--jobs", "2"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("4 frames")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("bytes"));
    const auto gif = decodeGifFile(out);
    ASSERT_TRUE(gif.ok());
    EXPECT_EQ(gif.value().frames.size(), 4u);
    EXPECT_EQ(gif.value().info.loopCount, 2);
    EXPECT_EQ(gif.value().frames[3].delayCentiseconds, 40);
    EXPECT_EQ(QDir(dir.filePath("cache")).entryList(QDir::Files).size(), 3);

    const QString other = dir.filePath("other.gif");
    EXPECT_EQ(runCli({"make", writeProject(2, out), "-o", other, "--temp", dir.filePath("cache"), "--quiet"}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(other));
}

TEST_F(Cli, MakeRefusesWithAClearMessageAndLeavesOldOutputs)
{
    const QString out = dir.filePath("old.gif");
    ASSERT_TRUE(testing::writeFileContents(out, "precious"));
    CliRun run = runCli({"make", writeProject(1, out), "--temp", dir.filePath("c")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Please add frames to make animated gif"));
    run = runCli({"make", writeProject(3, ""), "--temp", dir.filePath("c")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("-o"));
    run = runCli({"make", writeProject(3, dir.filePath("missing/dir/x.gif")), "--temp", dir.filePath("c")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(run.err.isEmpty());
    EXPECT_EQ(runCli({"make", dir.filePath("nope.agp")}).exitCode, 1);
    EXPECT_EQ(runCli({"make"}).exitCode, 2);
    EXPECT_EQ(runCli({"make", writeProject(3, out), "--jobs", "zero"}).exitCode, 2);
    EXPECT_EQ(runCli({"bogus"}).exitCode, 2);
    EXPECT_EQ(testing::fileContents(out), "precious");
}

TEST_F(Cli, FrameAndInfoCommands)
{
    const QString gif = dir.filePath("one.gif");
    CliRun run = runCli({"frame", dir.filePath("p1.bmp"), "-o", gif, "--size", "20x10", "--transparent", "5064C8"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const auto decoded = decodeGifFile(gif);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded.value().info.width, 20);
    EXPECT_EQ(decoded.value().frames[0].image.pixel(3, 3)[3], 0);  // the whole picture is the key colour

    run = runCli({"info", gif, "--json"});
    ASSERT_EQ(run.exitCode, 0);
    const QJsonObject info = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(info["width"].toInt(), 20);
    EXPECT_EQ(info["height"].toInt(), 10);
    EXPECT_EQ(info["frame_count"].toInt(), 1);
    EXPECT_EQ(info["delays"].toArray().size(), 1);
    EXPECT_TRUE(info["loop_count"].isNull());

    for (const char* ext : {"png", "bmp", "jpg"}) {
        const QString path = dir.filePath(QString("f.%1").arg(ext));
        EXPECT_EQ(runCli({"frame", dir.filePath("p2.bmp"), "-o", path}).exitCode, 0) << ext;
        const CliRun i = runCli({"info", path, "--json"});
        EXPECT_EQ(QJsonDocument::fromJson(i.out.toUtf8()).object()["width"].toInt(), 40) << ext;
    }
    EXPECT_EQ(runCli({"frame", dir.filePath("p1.bmp"), "-o", dir.filePath("x.tga")}).exitCode, 2);
    EXPECT_EQ(runCli({"frame", dir.filePath("p1.bmp"), "-o", gif, "--size", "0x5"}).exitCode, 2);
    EXPECT_EQ(runCli({"info", dir.filePath("absent.png")}).exitCode, 1);
    EXPECT_TRUE(runCli({"--help"}).out.contains("info FILE [--json]"));
}

const QString kSuite = QStringLiteral(PICTOREEL_SHARED_TESTDATA "/gif-suite-peterdn/gifs/");
const QString kAvi = QStringLiteral(PICTOREEL_SHARED_TESTDATA "/synthetic/avi/");

// Empty when both show the same: equal alpha everywhere, equal colour wherever something shows.
std::string differences(const RgbaImage& actual, const RgbaImage& expected)
{
    if (actual.width != expected.width || actual.height != expected.height)
        return "sizes differ";
    for (std::size_t i = 0; i < actual.pixels.size(); i += 4) {
        const bool shown = expected.pixels[i + 3] != 0;
        if (actual.pixels[i + 3] != expected.pixels[i + 3] ||
            (shown && !std::equal(&actual.pixels[i], &actual.pixels[i] + 3, &expected.pixels[i])))
            return "pixel " + std::to_string(i / 4) + " differs";
    }
    return {};
}

RgbaImage picture(const QString& path)
{
    Result<RgbaImage> p = loadPictureFile(path);
    EXPECT_TRUE(p.ok()) << path.toStdString();
    return p ? p.value() : RgbaImage();
}

TEST_F(Cli, ExtractWritesTheChosenFramesAsShown)
{
    const QString gif = kSuite + "animated_transparent_frame_restorebackground_loop.gif";
    const QString reference = kSuite + "frames/animated_transparent_frame_restorebackground_loop-%1.png";
    const QString pngs = dir.filePath("new folder/png");
    CliRun run = runCli({"extract", gif, "-o", pngs, "--format", "png"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("4 frames"));
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(differences(picture(pngs + QString("/Frame_%1.png").arg(k)), picture(reference.arg(k))), "") << k;

    // BMP frames are composited over the extractor's background; only the listed ones are written.
    const QString bmps = dir.filePath("bmp");
    ASSERT_EQ(runCli({"extract", gif, "-o", bmps, "--format", "bmp", "--frames", " 3,1-1"}).exitCode, 0);
    EXPECT_EQ(QDir(bmps).entryList(QDir::Files), (QStringList{"Frame_1.bmp", "Frame_3.bmp"}));
    for (int k : {1, 3}) {
        const RgbaImage expected = compositeOverColour(picture(reference.arg(k)), 212 | (208 << 8) | (200 << 16));
        EXPECT_EQ(differences(picture(bmps + QString("/Frame_%1.bmp").arg(k)), expected), "") << k;
    }
    for (const char* format : {"gif", "jpg"}) {
        ASSERT_EQ(runCli({"extract", gif, "-o", dir.filePath(format), "--format", format, "--frames", "2", "--quiet"}).exitCode, 0);
        EXPECT_EQ(picture(dir.filePath(QString("%1/Frame_2.%1").arg(format))).width, 100) << format;
    }
}

TEST_F(Cli, ExtractRefusesBadInputClearly)
{
    const QString gif = kSuite + "animated_loop.gif";
    const QString out = dir.filePath("out");
    ASSERT_TRUE(testing::writeFileContents(dir.filePath("file"), "not a folder"));
    struct Case {
        QStringList arguments;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{"extract", dir.filePath("p1.bmp"), "-o", out}, 1, "p1.bmp"},
        {{"extract", dir.filePath("absent.gif"), "-o", out}, 1, "absent.gif"},
        {{"extract", gif, "-o", out, "--frames", "2-x"}, 2, "--frames"},
        {{"extract", gif, "-o", out, "--frames", "3-1"}, 2, "--frames"},
        {{"extract", gif, "-o", out, "--frames", "1,4"}, 1, "no frame 4"},
        {{"extract", gif, "-o", out, "--format", "tiff"}, 2, "--format"},
        {{"extract", gif}, 2, "usage"},
        {{"extract", gif, "-o", dir.filePath("file/sub")}, 1, "Create directory error"},
    };
    for (const Case& c : cases) {
        const CliRun run = runCli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(Cli, ConvertsBetweenAviAndGif)
{
    const QString gif = dir.filePath("clip ü.gif");
    CliRun run = runCli({"avi2gif", kAvi + "uncompressed_bgr24_64x48_10f.avi", gif});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("10 frames")) << run.out.toStdString();
    const QString avi = dir.filePath("clip.avi");
    run = runCli({"gif2avi", gif, avi, "--quiet"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    ASSERT_EQ(runCli({"avi2gif", avi, dir.filePath("again.gif")}).exitCode, 0);
    const auto again = decodeGifFile(dir.filePath("again.gif"));
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.value().frames.size(), 10u);
    EXPECT_EQ(again.value().frames[9].delayCentiseconds, 20);

    // Failures name the problem, exit with 1 and leave an earlier target as it was.
    ASSERT_TRUE(testing::writeFileContents(dir.filePath("old.gif"), "precious"));
    ASSERT_TRUE(testing::writeFileContents(dir.filePath("broken.avi"), "RIFF....AVI LIST"));
    run = runCli({"avi2gif", dir.filePath("broken.avi"), dir.filePath("old.gif")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(run.err.isEmpty());
    run = runCli({"avi2gif", dir.filePath("absent.avi"), dir.filePath("old.gif")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("absent.avi"));
    run = runCli({"gif2avi", gif, dir.filePath("missing/x.avi")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("x.avi"));
    EXPECT_EQ(runCli({"gif2avi", gif}).exitCode, 2);
    EXPECT_EQ(testing::fileContents(dir.filePath("old.gif")), "precious");
    const QString help = runCli({"--help"}).out;
    for (const char* command : {"extract GIF -o DIR", "avi2gif AVI GIF", "gif2avi GIF AVI"})
        EXPECT_TRUE(help.contains(command)) << command;
}

}  // namespace
}  // namespace pictoreel
