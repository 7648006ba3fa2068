// The AVI and GIF converter twins: the "..." buttons with their dialogs and the proposed target
// name, the checks before converting, a real conversion both ways on the worker thread, a failed
// one that leaves the window ready again, and closing the window while a conversion runs.
#include "gui/support/gui_test.h"
#include "core/media/player_component.h"
#include "gui/converters/avi_to_gif_window.h"
#include "gui/converters/gif_to_avi_window.h"

namespace pictoreel::testing {
namespace {

class ConvertersTest : public ::testing::Test {
protected:
    std::unique_ptr<ConverterWindow> open(bool toGif)
    {
        std::unique_ptr<ConverterWindow> w(toGif ? static_cast<ConverterWindow*>(new AviToGifWindow(dialogs)) : new GifToAviWindow(dialogs));
        w->show();
        return w;
    }
    // Converts what the boxes name and waits until the conversion has told its end.
    static void convert(ConverterWindow& w)
    {
        QSignalSpy finished(&w, &ConverterWindow::conversionFinished);
        click(&w, "cmdConvert");
        ASSERT_TRUE(!w.isConverting() || finished.wait(60000));
    }
    QString path(const QString& name) const { return dir.path() + u'/' + name; }
    // Ready for the next conversion (the bar hidden, both buttons enabled) or busy (the opposite).
    static bool ready(const ConverterWindow& w, bool busy = false)
    {
        return child(&w, "pbPer")->isHidden() != busy && child(&w, "cmdConvert")->isEnabled() != busy
               && child(&w, "cmdClose")->isEnabled() != busy && w.isConverting() == busy;
    }

    ScriptedDialogs dialogs;
    QTemporaryDir dir;
};

// The proposal itself is ChangeFileExtension's (see its own test); here the wiring of each twin.
TEST_F(ConvertersTest, ChoosingASourceProposesTheTargetAndCancelsChangeNothing)
{
    for (const bool toGif : {true, false}) {
        auto w = open(toGif);
        auto *source = child<QPushButton>(w.get(), toGif ? "cmdAVI" : "cmdGIF"), *target = child<QPushButton>(w.get(), toGif ? "cmdGIF" : "cmdAVI");
        // The target chosen first is replaced by the proposal; cancelling either dialog changes nothing.
        dialogs.clear();
        for (const QString& answer : {QStringLiteral("/elsewhere/chosen.x"), QStringLiteral("/v/clip.Mkv"), QString(), QString()})
            answer.isEmpty() ? dialogs.answerCancel() : dialogs.answerFile(answer);
        for (QPushButton* button : {target, source, source, target})
            button->click();
        EXPECT_EQ(shownText(w.get(), "txtAVI") + u'|' + shownText(w.get(), "txtGIF"), toGif ? "/v/clip.Mkv|/v/clip.gif" : "/v/clip.Mkv.avi|/v/clip.Mkv");
        ASSERT_EQ(dialogs.calls.size(), 4u);
        EXPECT_EQ(dialogs.calls[1].request.filter + u'>' + dialogs.calls[0].request.filter,
                  toGif ? "Video Files(*.avi;*.mp4;*.m4v;*.mov;*.mkv;*.webm;*.ts;*.m2ts;*.mts;*.mpg;*.mpeg;*.vob;*.ogv;*.flv;*.wmv;*.asf;*.3gp;*.ivf;*.y4m)|*.avi;*.mp4;*.m4v;*.mov;*.mkv;*.webm;*.ts;*.m2ts;*.mts;*.mpg;*.mpeg;*.vob;*.ogv;*.flv;*.wmv;*.asf;*.3gp;*.ivf;*.y4m|AVI Files(*.avi)|*.avi>Animated GIF File(*.gif)|*.gif" : "Animated GIF File(*.gif)|*.gif>Animated AVI File(*.avi)|*.avi|MP4 Video(*.mp4)|*.mp4|WebM Video(*.webm)|*.webm");
    }
}

TEST_F(ConvertersTest, ConvertChecksTheBoxesAndTheSourceFileFirst)
{
    const QString missing = path(QStringLiteral("missing.avi")), notThere = QStringLiteral("The following file does not exist!\r\n");
    struct Case {
        bool toGif;
        QString source, target, message;
    } const cases[] = {
        {true, {}, {}, QStringLiteral("Please open an avi file")},
        {true, QStringLiteral("a.avi"), {}, QStringLiteral("Please set a gif file")},
        {true, missing, QStringLiteral("b.gif"), notThere + missing},
        {true, dir.path(), QStringLiteral("b.gif"), notThere + dir.path()},  // a folder is no file
        {false, {}, {}, QStringLiteral("Please open a gif file")},
        {false, QStringLiteral("a.gif"), {}, QStringLiteral("Please set an AVI file")},
        {false, QStringLiteral(" "), QStringLiteral(" "), notThere + u' '},  // blanks are content
    };
    for (const Case& c : cases) {
        auto w = open(c.toGif);
        child<QLineEdit>(w.get(), c.toGif ? "txtAVI" : "txtGIF")->setText(c.source);
        child<QLineEdit>(w.get(), c.toGif ? "txtGIF" : "txtAVI")->setText(c.target);
        dialogs.clear();
        convert(*w);
        EXPECT_EQ(dialogs.boxes(), QStringList{box(c.message)});
        EXPECT_TRUE(ready(*w)) << c.message.toStdString();
    }
}

TEST_F(ConvertersTest, ConvertsBothWaysShowingProgressAndTellsAFailureOnce)
{
    const QString avi = QStringLiteral(PICTOREEL_SHARED_TESTDATA "/synthetic/avi/uncompressed_bgr24_64x48_10f.avi");
    if (!QFile::exists(avi))
        GTEST_SKIP() << "sample video not found: " << avi.toStdString();
    const QString gif = path(QStringLiteral("clip.gif")), back = path(QStringLiteral("back.avi"));
    for (const bool toGif : {true, false}) {
        auto w = open(toGif);
        child<QLineEdit>(w.get(), "txtAVI")->setText(toGif ? avi : back);
        child<QLineEdit>(w.get(), "txtGIF")->setText(gif);
        // While it runs the bar shows and neither button can be pressed.
        std::vector<bool> busy;
        QObject::connect(child<QProgressBar>(w.get(), "pbPer"), &QProgressBar::valueChanged, w.get(), [&](int value) {
            if (w->isConverting() && value > 0)
                busy.push_back(ready(*w, /*busy=*/true));
        });
        dialogs.clear();
        convert(*w);
        EXPECT_EQ(dialogs.boxes(), QStringList{box("Converted Successfully", MessageIcon::None)});
        EXPECT_EQ(busy, std::vector<bool>(busy.size(), true));
        EXPECT_TRUE(ready(*w));
    }
    PlayerComponent check;
    EXPECT_TRUE(check.LoadGif(gif).ok() && check.FrameCount() == 10 && check.GifWidth() == 64 && readFile(back).startsWith("RIFF"));

    // Bytes that are no video: one box with the error's number and description, ready again.
    auto w = open(true);
    child<QLineEdit>(w.get(), "txtAVI")->setText(path(QStringLiteral("not-a-video.avi")));
    writeFile(path(QStringLiteral("not-a-video.avi")), "these bytes are no video and no picture");
    child<QLineEdit>(w.get(), "txtGIF")->setText(path(QStringLiteral("out.gif")));
    dialogs.clear();
    convert(*w);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const QString text = dialogs.messages()[0].text;
    EXPECT_EQ(dialogs.boxes()[0], box(text, MessageIcon::Exclamation));
    EXPECT_TRUE(text.startsWith("The AVI file could not be converted") && text.contains(" - ") && ready(*w));

    // A source that breaks off converts as far as it goes, and the success says so.
    for (const bool toGif : {true, false}) {
        auto cut = open(toGif);
        const QString source = toGif ? QStringLiteral(PICTOREEL_SHARED_TESTDATA "/synthetic/avi/truncated60pct_uncompressed_bgr24_64x48.avi")
                                     : path(QStringLiteral("cut.gif"));
        if (!toGif) {
            const QByteArray whole = readFile(gif);
            writeFile(source, whole.left(whole.size() * 2 / 3));
        }
        child<QLineEdit>(cut.get(), "txtAVI")->setText(toGif ? source : path(QStringLiteral("cut.avi")));
        child<QLineEdit>(cut.get(), "txtGIF")->setText(toGif ? path(QStringLiteral("cut.gif")) : source);
        dialogs.clear();
        convert(*cut);
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].icon, MessageIcon::Exclamation);
        EXPECT_TRUE(dialogs.messages()[0].text.startsWith(
            toGif ? "Converted Successfully\n\ntruncated60pct_uncompressed_bgr24_64x48.avi is cut short: it breaks off after 1.0 s of the 2.0 s it states."
                  : "Converted Successfully\n\ncut.gif is cut short: it breaks off after "))
            << dialogs.messages()[0].text.toStdString();
    }
}

TEST_F(ConvertersTest, ClosingTheWindowWhileItConvertsCancelsWithNothingTold)
{
    auto w = open(false);  // the close box and Escape both end in reject()
    child<QLineEdit>(w.get(), "txtGIF")->setText(writeFlatGif(path(QStringLiteral("long.gif")), {320, 240}, std::vector<int>(200, 4)));
    child<QLineEdit>(w.get(), "txtAVI")->setText(path(QStringLiteral("long.avi")));
    click(w.get(), "cmdConvert");
    ASSERT_TRUE(w->isConverting());
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(!w->isConverting() && !w->isVisible() && dialogs.calls.empty());
    EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral(".long.avi*")}, QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace
}  // namespace pictoreel::testing
