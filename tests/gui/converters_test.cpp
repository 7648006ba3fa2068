// The AVI and GIF converter twins: the "..." buttons with their dialogs and the proposed target
// name, the checks before converting, a real conversion both ways on the worker thread, a failed
// one that leaves the window ready again, and closing the window while a conversion runs.
#include "gui/support/gui_test.h"
#include "core/media/player_component.h"
#include "gui/avi_to_gif_window.h"
#include "gui/gif_to_avi_window.h"

#include <QSignalSpy>

namespace pictoreel::testing {
namespace {

enum class Twin { AviToGif, GifToAvi };

class ConvertersTest : public ::testing::Test {
protected:
    std::unique_ptr<ConverterWindow> open(Twin twin)
    {
        std::unique_ptr<ConverterWindow> w;
        if (twin == Twin::AviToGif)
            w = std::make_unique<AviToGifWindow>(dialogs);
        else
            w = std::make_unique<GifToAviWindow>(dialogs);
        w->show();
        return w;
    }
    // Converts what the boxes name and waits until the conversion has told its end.
    static void convert(ConverterWindow& w)
    {
        QSignalSpy finished(&w, &ConverterWindow::conversionFinished);
        w.cmdConvert->click();
        if (w.isConverting())
            ASSERT_TRUE(finished.wait(60000));
    }
    QString path(const QString& name) const { return dir.path() + u'/' + name; }
    static std::string twinName(Twin twin) { return twin == Twin::AviToGif ? "frmAVI2GIF" : "frmGIF2AVI"; }

    // Ready for the next conversion: the bar hidden, both buttons enabled.
    static void expectReady(const ConverterWindow& w)
    {
        EXPECT_TRUE(w.pbPer->isHidden() && w.cmdConvert->isEnabled() && w.cmdClose->isEnabled() && !w.isConverting());
    }

    ScriptedDialogs dialogs;
    QTemporaryDir dir;
};

TEST_F(ConvertersTest, ChoosingASourceProposesTheTargetAndCancelsChangeNothing)
{
    struct Case {
        Twin twin;
        const char* chosen;
        const char* proposed;
    };
    for (const Case& c : {Case{Twin::AviToGif, "/v/clip.AVI", "/v/clip.gif"}, Case{Twin::AviToGif, "/v/clip.mpg", "/v/clip.mpg.gif"},
                          Case{Twin::AviToGif, "/v/movie.GIF", "/v/movie.gif"}, Case{Twin::GifToAvi, "/v/anim.Gif", "/v/anim.avi"}}) {
        SCOPED_TRACE(c.chosen);
        auto w = open(c.twin);
        const bool toGif = c.twin == Twin::AviToGif;
        QPushButton* sourceButton = toGif ? w->cmdAVI : w->cmdGIF;
        QPushButton* targetButton = toGif ? w->cmdGIF : w->cmdAVI;

        // The target chosen first is replaced by the proposal; cancelling either dialog changes nothing.
        dialogs.clear();
        for (const QString& answer : {QStringLiteral("/elsewhere/chosen.x"), QString::fromLatin1(c.chosen), QString(), QString()}) {
            if (answer.isEmpty())
                dialogs.answerCancel();
            else
                dialogs.answerFile(answer);
        }
        targetButton->click();
        sourceButton->click();
        sourceButton->click();
        targetButton->click();
        EXPECT_EQ(w->sourceBox()->text() + u'|' + w->targetBox()->text(), QString::fromLatin1(c.chosen) + u'|' + c.proposed);

        ASSERT_EQ(dialogs.calls.size(), 4u);
        const QString aviFilter = toGif ? QStringLiteral("AVI Files(*.avi)|*.avi") : QStringLiteral("Animated AVI File(*.avi)|*.avi");
        const QString gifFilter = QStringLiteral("Animated GIF File(*.gif)|*.gif");
        EXPECT_EQ(dialogs.calls[0].kind, DialogCall::Kind::SaveFile);
        EXPECT_EQ(dialogs.calls[0].request.filter, toGif ? gifFilter : aviFilter);
        EXPECT_EQ(dialogs.calls[1].kind, DialogCall::Kind::OpenFile);
        EXPECT_EQ(dialogs.calls[1].request.filter, toGif ? aviFilter : gifFilter);
    }
}

TEST_F(ConvertersTest, ConvertChecksTheBoxesAndTheSourceFileFirst)
{
    const QString missing = path(QStringLiteral("missing.avi"));
    const QString notThere = QStringLiteral("The following file does not exist!\r\n");
    struct Case {
        Twin twin;
        QString source;
        QString target;
        QString message;
    };
    const Case cases[] = {
        {Twin::AviToGif, {}, {}, QStringLiteral("Please open an avi file")},
        {Twin::AviToGif, QStringLiteral("a.avi"), {}, QStringLiteral("Please set a gif file")},
        {Twin::AviToGif, missing, QStringLiteral("b.gif"), notThere + missing},
        {Twin::AviToGif, dir.path(), QStringLiteral("b.gif"), notThere + dir.path()},  // a folder is no file
        {Twin::GifToAvi, {}, {}, QStringLiteral("Please open a gif file")},
        {Twin::GifToAvi, QStringLiteral("a.gif"), {}, QStringLiteral("Please set an AVI file")},
        {Twin::GifToAvi, QStringLiteral(" "), QStringLiteral(" "), notThere + u' '},  // blanks are content
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(twinName(c.twin) + " " + c.source.toStdString() + " -> " + c.target.toStdString());
        auto w = open(c.twin);
        w->sourceBox()->setText(c.source);
        w->targetBox()->setText(c.target);
        dialogs.clear();
        convert(*w);
        EXPECT_EQ(dialogs.boxes(), QStringList{box(c.message)});
        expectReady(*w);
    }
}

TEST_F(ConvertersTest, ConvertsBothWaysShowingProgressAndTellsAFailureOnce)
{
    const QString avi = QStringLiteral(PICTOREEL_SHARED_TESTDATA "/synthetic/avi/uncompressed_bgr24_64x48_10f.avi");
    if (!QFile::exists(avi))
        GTEST_SKIP() << "sample video not found: " << avi.toStdString();
    const QString gif = path(QStringLiteral("clip.gif")), back = path(QStringLiteral("back.avi"));
    for (Twin twin : {Twin::AviToGif, Twin::GifToAvi}) {
        SCOPED_TRACE(twinName(twin));
        auto w = open(twin);
        w->sourceBox()->setText(twin == Twin::AviToGif ? avi : gif);
        w->targetBox()->setText(twin == Twin::AviToGif ? gif : back);
        // While it runs the bar shows and neither button can be pressed.
        std::vector<QString> whileRunning;
        QObject::connect(w->pbPer, &QProgressBar::valueChanged, w.get(), [&] {
            if (w->isConverting() && w->pbPer->value() > 0)
                whileRunning.push_back(w->pbPer->isVisible() && !w->cmdConvert->isEnabled() && !w->cmdClose->isEnabled() ? "busy" : "open");
        });
        dialogs.clear();
        convert(*w);
        EXPECT_EQ(dialogs.boxes(), QStringList{box("Converted Successfully", MessageIcon::None)});
        EXPECT_EQ(whileRunning, std::vector<QString>(whileRunning.size(), QStringLiteral("busy")));
        expectReady(*w);
    }
    PlayerComponent check;
    ASSERT_TRUE(check.LoadGif(gif).ok());
    EXPECT_EQ(QString("%1x%2 %3").arg(check.GifWidth()).arg(check.GifHeight()).arg(check.FrameCount()), "64x48 10");
    ASSERT_TRUE(check.AviToGif(back, path(QStringLiteral("again.gif"))).ok());
    ASSERT_TRUE(check.LoadGif(path(QStringLiteral("again.gif"))).ok());
    EXPECT_GE(check.FrameCount(), 10);

    // Bytes that are no video: one box with the error's number and description, ready again.
    const QString notVideo = path(QStringLiteral("not-a-video.avi"));
    writeFile(notVideo, "these bytes are no video and no picture");
    auto w = open(Twin::AviToGif);
    w->txtAVI->setText(notVideo);
    w->txtGIF->setText(path(QStringLiteral("out.gif")));
    dialogs.clear();
    convert(*w);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const QString text = dialogs.messages()[0].text;
    EXPECT_EQ(dialogs.boxes()[0], box(text, MessageIcon::Exclamation));
    EXPECT_TRUE(text.startsWith(QStringLiteral("The AVI file could not be converted")) && text.contains(QStringLiteral(" - ")));
    expectReady(*w);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out.gif"))));
}

TEST_F(ConvertersTest, ClosingTheWindowWhileItConvertsCancelsWithNothingTold)
{
    const QString gif = writeFlatGif(path(QStringLiteral("long.gif")), {320, 240}, std::vector<int>(200, 4));
    for (const bool escape : {false, true}) {
        auto w = open(Twin::GifToAvi);
        w->txtGIF->setText(gif);
        w->txtAVI->setText(path(QStringLiteral("long.avi")));
        dialogs.clear();
        w->cmdConvert->click();
        ASSERT_TRUE(w->isConverting());
        escape ? w->reject() : (void)w->close();
        EXPECT_TRUE(!w->isConverting() && !w->isVisible() && dialogs.calls.empty()) << escape;
        EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral(".long.avi*")}, QDir::Files | QDir::Hidden).isEmpty());
    }
}

}  // namespace
}  // namespace pictoreel::testing
