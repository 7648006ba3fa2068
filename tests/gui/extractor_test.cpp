// The frames extractor `frmExtractor`, driven through its commands offscreen: opening a GIF on the
// worker thread (the list, the shown frame, the progress bar, the command state), saving the
// current frame and the checked frames on the worker thread with the save frames dialog answered
// by the test, refusals, the error box, and closing the window while the worker reads or saves.
#include "gui/support/gui_test.h"

#include "core/gif/gif_reader.h"
#include "core/media/player_component.h"
#include "gui/extractor/extractor_files.h"
#include "gui/extractor/extractor_window.h"
#include "gui/widgets/gif_view.h"
#include "gui/dialogs/save_frames_dialog.h"

namespace pictoreel::testing {
namespace {

QString sharedData(const QString& relative) { return QStringLiteral(PICTOREEL_SHARED_TESTDATA "/") + relative; }
QString suiteGif(const QString& name) { return sharedData(QStringLiteral("gif-suite-peterdn/gifs/") + name + ".gif"); }

// Whether `actual` shows reference frame `name`, transparent pixels in the grey the extractor
// plays on.
bool showsSuiteFrame(const QImage& actual, const QString& name)
{
    const QImage expected(sharedData("gif-suite-peterdn/gifs/frames/" + name + ".png"));
    if (actual.size() != expected.size())
        return false;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != (qAlpha(expected.pixel(x, y)) == 0 ? qRgb(212, 208, 200) : expected.pixel(x, y)))
                return false;
    return true;
}

QImage shownFrame(const ImagingComponent& component)
{
    const RgbaImage& p = component.image();
    return QImage(p.pixels.data(), p.width, p.height, p.width * 4, QImage::Format_RGBA8888).copy();
}

class ExtractorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(temp());
        QDir().mkpath(out());
        window = new ExtractorWindow(dialogs, [this] { return temp(); });
        window->setSaveDialogRunner([this](SaveFramesDialog& dialog) {
            ++dialogsShown;
            if (answerDialog)
                answerDialog(dialog);
        });
        QObject::connect(bar(), &QProgressBar::valueChanged, window, [this](int v) { progress.push_back(v); });
    }
    void TearDown() override { delete window.data(); }

    QString temp() const { return dir.filePath(QStringLiteral("temp/")); }
    QString out(const QString& name = {}) const { return dir.filePath(QStringLiteral("out/") + name); }
    QStringList tempFiles() const { return QDir(temp()).entryList(QDir::Files); }
    QString flatGif(int frames, int size = 8) { return writeFlatGif(dir.filePath("flat.gif"), {size, size}, std::vector<int>(frames, 10)); }
    void open(const QString& gif)
    {
        dialogs.answerFile(gif);
        run("Toolbar1_open");
        dialogs.clear();
    }
    // The dialog answered with OK after the format and the file or folder box were filled in.
    void answerOk(int format, const QString& text)
    {
        answerDialog = [format, text](SaveFramesDialog& dialog) {
            child<QComboBox>(&dialog, "cboFormats")->setCurrentIndex(format);
            child<QLineEdit>(&dialog, child(&dialog, "txtFile")->isVisibleTo(&dialog) ? "txtFile" : "txtDir")->setText(text);
            child<QPushButton>(&dialog, "OKButton")->click();
        };
    }
    // Runs a toolbar button or menu entry and, when it started work on the worker, waits until
    // it has told its end. Meanwhile the menu and the toolbar are out of reach and it does nothing.
    void run(const QString& command)
    {
        QSignalSpy finished(window.data(), &ExtractorWindow::workFinished);
        trigger(command);
        if (!window->isWorking())
            return;
        const int shown = dialogsShown;
        trigger(command);  // an open fails the test at its unanswered file dialog
        EXPECT_TRUE(dialogsShown == shown && !window->menuBar()->isEnabled() && !part("Toolbar1")->isEnabled());
        ASSERT_TRUE(finished.wait(60000));
    }
    template <class T = QWidget>
    T* part(const QString& name) const { return window->findChild<T*>(name); }
    QListWidget* list() const { return part<QListWidget>("List1"); }
    QProgressBar* bar() const { return part<QProgressBar>("pbPer"); }
    void trigger(const QString& name) const { part<QAction>(name)->trigger(); }
    // Whether the commands that need frames are enabled, a menu entry and a toolbar button.
    QString enabledCommands() const { return QStringLiteral("%1%2").arg(part<QAction>("mnuFileSub4")->isEnabled()).arg(part<QAction>("Toolbar1_checkall")->isEnabled()); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QPointer<ExtractorWindow> window;
    int dialogsShown = 0;
    std::function<void(SaveFramesDialog&)> answerDialog;
    std::vector<int> progress;
};

TEST_F(ExtractorTest, OpeningListsTheFramesPlaysTheAnimationAndSavesTheCurrentFrameAsTyped)
{
    EXPECT_EQ(enabledCommands(), QStringLiteral("00"));
    open(suiteGif("animated_loop"));
    ASSERT_EQ(list()->count(), 4);
    EXPECT_TRUE(list()->item(3)->text() == "Frame 3" && list()->item(0)->checkState() == Qt::Unchecked && list()->currentRow() == 0);
    EXPECT_TRUE(showsSuiteFrame(shownFrame(window->frameImage()), "animated_loop-0") && tempFiles().isEmpty());  // the BMP went right after
    EXPECT_TRUE(!bar()->isVisibleTo(window) && progress == std::vector<int>({25, 50, 75, 100, 0}));
    EXPECT_EQ(enabledCommands(), QStringLiteral("11"));
    auto* preview = part<GifView>("PlayGif1");  // played on the dialog grey, looping as the GIF says
    PlayerComponent& player = preview->component();
    EXPECT_TRUE(player.isPlaying() && player.loopPlayback() && player.backColor() == (212 | 208 << 8 | 200 << 16));
    for (int k = 0; k < 5; ++k)
        preview->showNextFrame();
    EXPECT_TRUE(player.isPlaying() && player.currentFrameIndex() == 1);  // past the last frame

    list()->setCurrentRow(2);  // selecting by program shows the frame too
    EXPECT_TRUE(showsSuiteFrame(shownFrame(window->frameImage()), "animated_loop-2"));
    dialogs.answerCancel();  // cancelling the open dialog leaves everything as it was
    trigger("mnuFileSub1");
    EXPECT_TRUE(list()->count() == 4 && list()->currentRow() == 2 && player.isPlaying());
    // The current frame is saved under the name as typed, no extension added, in each format.
    const std::tuple<int, const char*, QByteArray> cases[] = {{kFormatGif, "x", "GIF8"}, {kFormatBmp, "frame.gif", "BM"}, {kFormatJpeg, "x.jpeg.bmp", "\xFF\xD8\xFF"}};
    for (const auto& [format, name, magic] : cases) {
        answerOk(format, out(QLatin1String(name)));
        run("Toolbar1_save");
        EXPECT_TRUE(readFile(out(QLatin1String(name))).startsWith(magic)) << name;
        EXPECT_TRUE(format == kFormatJpeg || showsSuiteFrame(QImage(out(QLatin1String(name)), nullptr), "animated_loop-2")) << name;
    }
    EXPECT_TRUE(dialogs.messageTexts().isEmpty() && tempFiles().isEmpty() && progress.back() == 0);

    writeFile(dir.filePath("bad.gif"), "GIF89a but nothing else");  // a GIF the player cannot read
    open(dir.filePath("bad.gif"));
    EXPECT_TRUE(list()->count() == 0 && enabledCommands() == "00" && window->frameImage().image().pixels.empty());
}

// Every checked frame is saved as a viewer shows it, disposal and transparency included, by the
// worker's own reading of the GIF.
TEST_F(ExtractorTest, CheckedFramesGoToTheFolderAsShownWithProgressAndAClosingMessage)
{
    const QString name = QStringLiteral("animated_transparent_frame_restorebackground_loop");
    open(suiteGif(name));
    const int count = list()->count();
    ASSERT_GT(count, 1);
    trigger("Toolbar1_checkall");
    answerOk(kFormatBmp, dir.filePath("out"));  // typed without the separator at its end
    run("Toolbar1_saveall");
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"Save finished"});
    for (int k = 0; k < count; ++k)
        EXPECT_TRUE(showsSuiteFrame(QImage(out(QStringLiteral("Frame_%1.bmp").arg(k))), QStringLiteral("%1-%2").arg(name).arg(k))) << k;
    EXPECT_TRUE(window->menuBar()->isEnabled() && !bar()->isVisibleTo(window) && tempFiles().isEmpty());

    // Entries 2 and 5 of 8 as GIF: those names, and the bar at 50 and 100. They come from the
    // GIF shown, even once its name has been given to another file.
    open(flatGif(8));
    ASSERT_TRUE(QFile::remove(dir.filePath("flat.gif")));
    writeFile(dir.filePath("flat.gif"), "not a GIF any more");
    trigger("Toolbar1_checkall");
    trigger("mnuFileSub7");  // Uncheck All
    for (int k : {2, 5})
        list()->item(k)->setCheckState(Qt::Checked);
    answerOk(kFormatGif, out());
    progress.clear();
    run("Toolbar1_saveall");
    EXPECT_EQ(progress, std::vector<int>({50, 100, 0}));
    EXPECT_EQ(QDir(out()).entryList({"*.gif"}, QDir::Files), QStringList({"Frame_2.gif", "Frame_5.gif"}));
    EXPECT_EQ(QImage(out("Frame_5.gif")).pixel(3, 3), flatColour(5).rgb());
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"Save finished"});

    // Files of those names already there are replaced only when the user agrees; No writes none.
    writeFile(out("Frame_2.gif"), "a file of the user's");
    list()->item(6)->setCheckState(Qt::Checked);
    for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        dialogs.clear();
        dialogs.messageAnswers = {answer};
        answerOk(kFormatGif, out());
        run("Toolbar1_saveall");
        const QString question = QStringLiteral("2 of the files are already in %1 (Frame_2.gif, Frame_5.gif). Replace them?")
                                     .arg(QDir::toNativeSeparators(out()));
        EXPECT_EQ(dialogs.messageTexts(), answer == MessageAnswer::No ? QStringList{question} : QStringList({question, "Save finished"}));
        EXPECT_EQ(readFile(out("Frame_2.gif")) == "a file of the user's", answer == MessageAnswer::No);
        EXPECT_EQ(QFile::exists(out("Frame_6.gif")), answer == MessageAnswer::Yes);
    }
}

// A strip of 65535 x 1 pixels, beyond what pictures are read at: shown and saved whole as GIF;
// JPEG, which our encoder cannot make that wide, is refused before anything is written.
TEST_F(ExtractorTest, AStripBeyondThePictureLimitsIsSavedWholeOrRefusedUpFront)
{
    open(writeFlatGif(dir.filePath("wide.gif"), {65535, 1}, {10}));
    ASSERT_EQ(list()->count(), 1);
    EXPECT_EQ(window->frameImage().ImageWidth(), 65535);
    trigger("Toolbar1_checkall");
    answerOk(kFormatGif, out());
    run("Toolbar1_saveall");
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"Save finished"});
    EXPECT_EQ(decodeGifFile(out("Frame_0.gif")).value().frames.at(0).image.pixel(65534, 0)[1], flatColour(0).green());
    dialogs.clear();
    answerOk(kFormatJpeg, out("strip.jpg"));
    run("Toolbar1_save");
    EXPECT_TRUE(dialogs.messageTexts().value(0).contains("cannot be saved as JPEG")) << dialogs.messageTexts().join("").toStdString();
    EXPECT_TRUE(!QFile::exists(out("strip.jpg")) && tempFiles().isEmpty());
}

TEST_F(ExtractorTest, RefusalsAndCancelsWriteNothing)
{
    const QString source = out(QStringLiteral("Frame_1.gif"));
    ASSERT_TRUE(QFile::copy(flatGif(3), source));
    const QByteArray bytes = readFile(source);
    open(source);
    trigger("Toolbar1_saveall");  // nothing checked: a message and no dialog
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"Please check the frames that you want to save first!"});

    // Cancelled dialogs write nothing; so does a save to the GIF itself, by its name or as
    // "Frame_1.gif" of its folder, which is told.
    list()->item(1)->setCheckState(Qt::Checked);
    dialogs.clear();
    answerDialog = [](SaveFramesDialog& d) { child<QPushButton>(&d, "CancelButton")->click(); };
    trigger("Toolbar1_save");
    trigger("Toolbar1_saveall");
    EXPECT_TRUE(window->saveFramesRequest().Cancelled && dialogs.calls.empty() && !window->isWorking());
    answerOk(kFormatGif, source);
    trigger("Toolbar1_save");
    answerOk(kFormatGif, out());
    trigger("Toolbar1_saveall");
    const QString refused = box(source + " is the animated GIF the frames come from; it is not written over. Please choose another file or folder.");
    EXPECT_EQ(dialogs.boxes(), QStringList({refused, refused}));
    EXPECT_EQ(readFile(source), bytes);
    EXPECT_EQ(QDir(out()).entryList(QDir::Files), QStringList{QStringLiteral("Frame_1.gif")});
}

TEST_F(ExtractorTest, AMissingFolderIsMadeAndAFailedWriteEndsTheCommandWithTheErrorNumberAndDescription)
{
    open(flatGif(3));
    trigger("Toolbar1_checkall");
    answerOk(kFormatBmp, dir.filePath("new/folder"));
    run("Toolbar1_saveall");
    EXPECT_EQ(QDir(dir.filePath("new/folder")).entryList(QDir::Files).size(), 3);
    dialogs.clear();
    writeFile(dir.filePath("file"));  // a file where the folder would go: it cannot be made
    answerOk(kFormatBmp, dir.filePath("file/folder"));
    run("Toolbar1_saveall");
    ASSERT_EQ(dialogs.messages().size(), 1u);  // no "Save finished"; the bar keeps its last state
    const QString text = dialogs.messages()[0].text;
    EXPECT_EQ(dialogs.boxes(), QStringList{box(text, MessageIcon::None)});
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("^\\d+ - .+")))) << text.toStdString();
    EXPECT_TRUE(bar()->isVisibleTo(window) && window->menuBar()->isEnabled());
    EXPECT_EQ(tempFiles(), QStringList{"__tmp__extract__Frame_0.bmp"});  // the frame at hand keeps it
}

TEST_F(ExtractorTest, ClosingTheWindowWhileFramesAreSavedStopsWithTheFilesWrittenComplete)
{
    open(flatGif(60, 300));
    trigger("Toolbar1_checkall");
    answerOk(kFormatBmp, out());
    trigger("Toolbar1_saveall");
    ASSERT_TRUE(window->isWorking());
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(dialogs.calls.empty() && tempFiles().isEmpty());
    for (const QString& file : QDir(out()).entryList(QDir::Files))
        EXPECT_EQ(QImage(out(file)).size(), QSize(300, 300)) << file.toStdString();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(ExtractorTest, ClosingTheWindowWhileAGifIsReadDropsItInSilence)
{
    dialogs.answerFile(flatGif(3));
    trigger("Toolbar1_open");
    ASSERT_TRUE(window->isWorking() && window->close());
    EXPECT_TRUE(list()->count() == 0 && dialogs.calls.size() == 1 && !part<GifView>("PlayGif1")->component().hasGif());
}

}  // namespace
}  // namespace pictoreel::testing
