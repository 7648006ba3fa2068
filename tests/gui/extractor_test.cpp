// The frames extractor `frmExtractor`, driven through its commands offscreen: opening a GIF (the
// list, the shown frame, the progress bar, the command state), saving the current frame and the
// checked frames on the worker thread with the save frames dialog answered by the test, refusals,
// the error box, closing the window while frames are saved, and the context menu.
#include "gui/support/gui_test.h"

#include "core/media/player_component.h"
#include "gui/extractor_files.h"
#include "gui/extractor_window.h"
#include "gui/gif_view.h"
#include "gui/save_frames_dialog.h"

#include <QMenuBar>
#include <QRegularExpression>
#include <QSignalSpy>

#include <algorithm>

namespace pictoreel::testing {
namespace {

QString sharedData(const QString& relative) { return QStringLiteral(PICTOREEL_SHARED_TESTDATA "/") + relative; }
QString suiteGif(const QString& name) { return sharedData(QStringLiteral("gif-suite-peterdn/gifs/") + name + ".gif"); }

// A reference frame as opaque RGB, transparent pixels in the grey the extractor plays on.
QImage suiteFrame(const QString& name)
{
    QImage image = QImage(sharedData("gif-suite-peterdn/gifs/frames/" + name + ".png")).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 0)
                image.setPixel(x, y, qRgb(212, 208, 200));
    return image.convertToFormat(QImage::Format_RGB32);
}

bool samePixels(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return false;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return false;
    return true;
}

QImage shownFrame(ImagingComponent& component)
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

    QString temp() const { return dir.filePath(QStringLiteral("temp")) + u'/'; }
    QString out(const QString& name = {}) const { return dir.filePath(QStringLiteral("out/") + name); }
    QStringList tempFiles() const { return QDir(temp()).entryList(QDir::Files); }
    QString flatGif(int frames, int size = 8)
    {
        return writeFlatGif(dir.filePath(QStringLiteral("flat%1.gif").arg(frames)), {size, size}, std::vector<int>(frames, 10));
    }
    void open(const QString& gif)
    {
        dialogs.answerFile(gif);
        window->OpenAnimatedGif();
    }
    // The dialog answered with OK after the format and the file or folder box were filled in.
    void answerOk(int format, const QString& text)
    {
        answerDialog = [format, text](SaveFramesDialog& dialog) {
            dialog.cboFormats->setCurrentIndex(format);
            (dialog.txtFile->isVisibleTo(&dialog) ? dialog.txtFile : dialog.txtDir)->setText(text);
            dialog.OKButton_Click();
        };
    }
    // Runs a save command and, when it started saving, waits until it has told its end.
    void save(void (ExtractorWindow::*command)())
    {
        QSignalSpy finished(window.data(), &ExtractorWindow::savingFinished);
        (window->*command)();
        if (window->isWorking())
            ASSERT_TRUE(finished.wait(60000));
    }
    template <class T = QWidget>
    T* part(const QString& name) const
    {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << "no " << name.toStdString();
        return found;
    }
    QListWidget* list() const { return part<QListWidget>("List1"); }
    QProgressBar* bar() const { return part<QProgressBar>("pbPer"); }
    void trigger(const QString& name) const { part<QAction>(name)->trigger(); }
    int checkedCount() const
    {
        int n = 0;
        for (int k = 0; k < list()->count(); ++k)
            n += list()->item(k)->checkState() == Qt::Checked;
        return n;
    }
    // Which of the commands that need frames are enabled, menu entries then toolbar buttons.
    QString enabledCommands() const
    {
        QString s;
        for (const char* name : {"mnuFileSub3", "mnuFileSub4", "mnuFileSub6", "mnuFileSub7", "Toolbar1_save",
                                 "Toolbar1_saveall", "Toolbar1_checkall", "Toolbar1_uncheckall"})
            s += part<QAction>(QLatin1String(name))->isEnabled() ? u'1' : u'0';
        return s;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QPointer<ExtractorWindow> window;
    int dialogsShown = 0;
    std::function<void(SaveFramesDialog&)> answerDialog;
    std::vector<int> progress;
};

TEST_F(ExtractorTest, OpeningListsTheFramesShowsTheFirstAndPlaysTheAnimationOnce)
{
    EXPECT_EQ(enabledCommands(), QStringLiteral("00000000"));
    open(suiteGif("animated_loop"));
    EXPECT_EQ(dialogs.calls[0].request.filter, QStringLiteral("Animated GIF Files(*.gif)|*.gif"));
    ASSERT_EQ(list()->count(), 4);
    EXPECT_EQ(list()->item(3)->text(), QStringLiteral("Frame 3"));
    EXPECT_TRUE(checkedCount() == 0 && (list()->item(0)->flags() & Qt::ItemIsUserCheckable));
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_TRUE(samePixels(shownFrame(window->wpdlx1), suiteFrame("animated_loop-0")));
    EXPECT_TRUE(tempFiles().isEmpty());  // the temporary BMP went right after
    EXPECT_TRUE(!bar()->isVisibleTo(window) && bar()->value() == 0);
    EXPECT_EQ(progress, std::vector<int>({25, 50, 75, 100, 0}));
    EXPECT_EQ(enabledCommands(), QStringLiteral("11111111"));
    PlayerComponent& player = part<GifView>("PlayGif1")->component();  // played once on the dialog grey
    EXPECT_TRUE(player.isPlaying() && !player.loopPlayback());
    EXPECT_EQ(player.backColor(), 212 | 208 << 8 | 200 << 16);

    list()->setCurrentRow(2);  // selecting by program shows the frame too
    EXPECT_TRUE(samePixels(shownFrame(window->wpdlx1), suiteFrame("animated_loop-2")));

    // Cancelling the open dialog leaves everything as it was.
    dialogs.answerCancel();
    trigger("mnuFileSub1");
    EXPECT_TRUE(list()->count() == 4 && list()->currentRow() == 2 && player.isPlaying());

    // One frame: only "Frame 0", shown at once; a GIF the player cannot read: nothing listed.
    open(suiteGif("static_nontransparent"));
    EXPECT_EQ(list()->count(), 1);
    EXPECT_TRUE(samePixels(shownFrame(window->wpdlx1), suiteFrame("static_nontransparent")));
    writeFile(dir.filePath("bad.gif"), "GIF89a but nothing else");
    open(dir.filePath("bad.gif"));
    EXPECT_EQ(list()->count(), 0);
    EXPECT_EQ(enabledCommands(), QStringLiteral("00000000"));
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
    EXPECT_EQ(checkedCount(), count);
    answerOk(kFormatBmp, dir.filePath("out"));  // typed without the separator at its end
    // While frames are saved the menu and the toolbar are out of reach and commands do nothing.
    int seenWhileSaving = 0;
    QObject::connect(bar(), &QProgressBar::valueChanged, window, [&](int v) {
        if (v == 0 || !window->isWorking())
            return;
        ++seenWhileSaving;
        EXPECT_FALSE(window->menuBar()->isEnabled() || part("Toolbar1")->isEnabled());
        window->SaveCheckedFrames();
        window->SaveCurrentFrame();
    });
    progress.clear();
    save(&ExtractorWindow::SaveCheckedFrames);
    EXPECT_EQ(dialogsShown, 1);
    EXPECT_GT(seenWhileSaving, 0);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"Save finished"});
    for (int k = 0; k < count; ++k)
        EXPECT_TRUE(samePixels(QImage(out(QStringLiteral("Frame_%1.bmp").arg(k))), suiteFrame(QStringLiteral("%1-%2").arg(name).arg(k)))) << k;
    EXPECT_TRUE(window->menuBar()->isEnabled() && !bar()->isVisibleTo(window) && tempFiles().isEmpty());

    // Entries 2 and 5 of 8 as GIF and JPEG: those names, and the bar at 50 and 100.
    open(flatGif(8));
    trigger("mnuFileSub7");
    list()->item(2)->setCheckState(Qt::Checked);
    list()->item(5)->setCheckState(Qt::Checked);
    for (int format : {kFormatGif, kFormatJpeg}) {
        answerOk(format, out());
        progress.clear();
        save(&ExtractorWindow::SaveCheckedFrames);
        EXPECT_EQ(progress, std::vector<int>({50, 100, 0}));
    }
    EXPECT_EQ(QDir(out()).entryList({"Frame_[1-7].*"}, QDir::Files),
              QStringList({"Frame_1.bmp", "Frame_2.bmp", "Frame_2.gif", "Frame_2.jpg", "Frame_3.bmp", "Frame_5.gif", "Frame_5.jpg"}));
    EXPECT_EQ(QImage(out("Frame_5.gif")).pixel(3, 3), flatColour(5).rgb());
}

TEST_F(ExtractorTest, TheCurrentFrameIsSavedUnderTheNameAsTypedInEachFormat)
{
    open(suiteGif("animated_loop"));
    list()->setCurrentRow(1);
    struct Case {
        int format;
        const char* name;
        QByteArray magic;
    };
    for (const Case& c : {Case{kFormatGif, "x", "GIF8"}, Case{kFormatBmp, "frame.gif", "BM"}, Case{kFormatJpeg, "x.jpeg.bmp", "\xFF\xD8\xFF"}}) {
        SCOPED_TRACE(c.name);
        answerOk(c.format, out(QLatin1String(c.name)));
        save(&ExtractorWindow::SaveCurrentFrame);
        EXPECT_TRUE(readFile(out(QLatin1String(c.name))).startsWith(c.magic));
        if (c.format != kFormatJpeg)
            EXPECT_TRUE(samePixels(QImage(out(QLatin1String(c.name)), nullptr), suiteFrame("animated_loop-1")));
    }
    EXPECT_TRUE(dialogs.messageTexts().isEmpty() && tempFiles().isEmpty() && progress.back() == 0);
    EXPECT_EQ(QDir(out()).entryList(QDir::Files).size(), 3);  // no extension added anywhere
}

TEST_F(ExtractorTest, RefusalsAndCancelsWriteNothing)
{
    window->SaveCurrentFrame();  // nothing open: nothing at all
    window->SaveCheckedFrames();
    EXPECT_TRUE(dialogsShown == 0 && dialogs.calls.empty());

    open(flatGif(3));
    dialogs.clear();
    window->SaveCheckedFrames();  // nothing checked: a message and no dialog
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"Please check the frames that you want to save first!"});

    list()->item(1)->setCheckState(Qt::Checked);
    dialogs.clear();
    answerDialog = [](SaveFramesDialog& d) { d.CancelButton_Click(); };
    window->SaveCurrentFrame();
    window->SaveCheckedFrames();
    EXPECT_TRUE(window->saveFramesRequest().Cancelled && dialogs.calls.empty() && !window->isWorking());

    // The GIF itself as the output, by its name or as "Frame_1.gif" of its folder: told, and
    // nothing written.
    const QString source = out(QStringLiteral("Frame_1.gif"));
    ASSERT_TRUE(QFile::copy(flatGif(3), source));
    const QByteArray bytes = readFile(source);
    open(source);
    list()->item(1)->setCheckState(Qt::Checked);
    for (const bool single : {true, false}) {
        dialogs.clear();
        answerOk(kFormatGif, single ? source : out());
        single ? window->SaveCurrentFrame() : window->SaveCheckedFrames();
        EXPECT_EQ(dialogs.boxes(), QStringList{box(source + " is the animated GIF the frames come from; it is not written over. "
                                                            "Please choose another file or folder.")}) << single;
        EXPECT_FALSE(window->isWorking());
    }
    EXPECT_EQ(readFile(source), bytes);
    EXPECT_EQ(QDir(out()).entryList(QDir::Files), QStringList{QStringLiteral("Frame_1.gif")});
}

TEST_F(ExtractorTest, AFailedWriteEndsTheCommandWithTheErrorNumberAndDescription)
{
    open(flatGif(3));
    answerOk(kFormatBmp, dir.filePath("no/such/folder/x.bmp"));
    save(&ExtractorWindow::SaveCurrentFrame);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const QString text = dialogs.messages()[0].text;
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("^\\d+ - .+")))) << text.toStdString();
    EXPECT_EQ(dialogs.boxes(), QStringList{box(text, MessageIcon::None)});
    EXPECT_EQ(tempFiles(), QStringList{"__tmp__extract__Frame_0.bmp"});  // the frame at hand keeps it

    QFile::remove(temp() + "__tmp__extract__Frame_0.bmp");
    dialogs.clear();
    window->SetAllChecked(true);
    answerOk(kFormatGif, dir.filePath("no/such/folder"));
    save(&ExtractorWindow::SaveCheckedFrames);
    ASSERT_EQ(dialogs.messageTexts().size(), 1);  // no "Save finished"
    EXPECT_TRUE(dialogs.messageTexts()[0].contains(QStringLiteral(" - ")));
    EXPECT_TRUE(bar()->isVisibleTo(window) && bar()->value() == 0);  // the bar keeps its last state
    EXPECT_TRUE(window->menuBar()->isEnabled());
}

TEST_F(ExtractorTest, ClosingTheWindowWhileFramesAreSavedStopsWithTheFilesWrittenComplete)
{
    open(flatGif(60, 300));
    window->SetAllChecked(true);
    answerOk(kFormatBmp, out());
    window->SaveCheckedFrames();
    ASSERT_TRUE(window->isWorking());
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(dialogs.calls.size() == 1 && tempFiles().isEmpty());  // only the open dialog
    for (const QString& file : QDir(out()).entryList(QDir::Files))
        EXPECT_EQ(QImage(out(file)).size(), QSize(300, 300)) << file.toStdString();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(ExtractorTest, TheFileMenuPopsUpOnRightReleaseAndAWhileAfterAClickOnTheFrame)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::mouseRelease(list()->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(part<QMenu>("mnuFile")->isVisible());
    part<QMenu>("mnuFile")->hide();

    open(suiteGif("animated_loop"));
    window->wpdlx1.raiseImageClick();
    EXPECT_TRUE(window->Timer1.isActive() && !part<QMenu>("mnuFile")->isVisible());  // not from inside the component's event
    EXPECT_TRUE(QTest::qWaitFor([&] { return part<QMenu>("mnuFile")->isVisible(); }));
    part<QMenu>("mnuFile")->hide();
}

TEST(ExtractorFiles, NamesAndPercentages)
{
    EXPECT_EQ(temporaryFrameFile(QStringLiteral("/t/"), QStringLiteral("Frame 12")), QStringLiteral("/t/__tmp__extract__Frame_12.bmp"));
    EXPECT_EQ(checkedFrameOutputFile(QStringLiteral("/o"), QStringLiteral("Frame 0"), kFormatJpeg), QStringLiteral("/o/Frame_0.jpg"));
    std::vector<int> percents;
    for (auto [done, total] : {std::pair{1, 8}, {3, 8}, {1, 200}, {3, 200}, {1, 3}, {2, 3}, {1000, 1000}, {1, 0}})
        percents.push_back(progressPercent(done, total));
    EXPECT_EQ(percents, std::vector<int>({12, 38, 0, 2, 33, 67, 100, 0}));
}

}  // namespace
}  // namespace pictoreel::testing
