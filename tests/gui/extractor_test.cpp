// The frames extractor `frmExtractor`, driven through its commands offscreen: the menu and
// toolbar, opening a GIF (the list, the shown frame, the temporary BMP, the progress bar), saving
// the current frame and the checked frames with the save frames dialog answered by the test,
// refusals, cancels and the error box, check all with its busy flag, the context menu, the
// splitter, and frames that match the reference decodes of public GIF suites pixel for pixel.
#include "gui/support/gui_test.h"

#include "core/media/gif_writer.h"
#include "core/media/player_component.h"
#include "gui/extractor_files.h"
#include "gui/extractor_window.h"
#include "gui/save_frames_dialog.h"
#include "gui/gif_view.h"

#include <QRegularExpression>

#include <algorithm>

namespace pictoreel::testing {
namespace {

QString sharedData(const QString& relative) { return QStringLiteral(PICTOREEL_SHARED_TESTDATA "/") + relative; }
QString suiteGif(const QString& name) { return sharedData(QStringLiteral("gif-suite-peterdn/gifs/") + name + ".gif"); }

// A picture as opaque RGB, transparent pixels shown in the grey the extractor plays on.
QImage overGrey(QImage image)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 0)
                image.setPixel(x, y, qRgb(212, 208, 200));
    return image.convertToFormat(QImage::Format_RGB32);
}
QImage suiteFrame(const QString& name)
{
    return overGrey(QImage(sharedData("gif-suite-peterdn/gifs/frames/" + name + ".png")));
}

// "" when the colours are equal, else where they first differ.
std::string difference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return "size differs";
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return "pixel " + std::to_string(x) + "," + std::to_string(y);
    return {};
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
    }
    void TearDown() override { delete window.data(); }

    QString temp() const { return dir.filePath(QStringLiteral("temp")) + u'/'; }
    QString out(const QString& name = {}) const { return dir.filePath(QStringLiteral("out/") + name); }
    QStringList tempFiles() const { return QDir(temp()).entryList(QDir::Files); }
    QString flatGif(int frames, int size = 8)
    {
        const QString file = dir.filePath(QStringLiteral("flat%1.gif").arg(frames));
        return writeFlatGif(file, {size, size}, std::vector<int>(frames, 10));
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
    // A part of the window found by its object name, as the acceptance run finds it.
    template <class T = QWidget>
    T* part(const QString& name) const
    {
        T* found = window->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << "no " << name.toStdString();
        return found;
    }
    QListWidget* list() const { return part<QListWidget>("List1"); }
    QProgressBar* bar() const { return part<QProgressBar>("pbPer"); }
    // Runs the menu entry or toolbar button of this object name as a click does.
    void trigger(const QString& name) const { part<QAction>(name)->trigger(); }

    QStringList entries() const
    {
        QStringList texts;
        for (int k = 0; k < list()->count(); ++k)
            texts << list()->item(k)->text();
        return texts;
    }
    int checkedCount() const
    {
        int n = 0;
        for (int k = 0; k < list()->count(); ++k)
            n += list()->item(k)->checkState() == Qt::Checked;
        return n;
    }
    // Every progress value the bar takes from now on.
    std::vector<int>& recordProgress()
    {
        QObject::connect(bar(), &QProgressBar::valueChanged, window, [this](int v) { progress.push_back(v); });
        return progress;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QPointer<ExtractorWindow> window;
    int dialogsShown = 0;
    std::function<void(SaveFramesDialog&)> answerDialog;
    std::vector<int> progress;
};

TEST_F(ExtractorTest, MenuAndToolbarCarryTheirCaptionsAndOnlyOpenAndExitStartEnabled)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Animated GIF Frames Extractor"));
    QStringList items;
    for (const QAction* a : part<QMenu>("mnuFile")->actions()) {
        items << (a->isSeparator() ? QStringLiteral("-") : a->text() + u'|' + a->shortcut().toString());
    }
    EXPECT_EQ(items, QStringList({"&Open ...|Ctrl+O", "-", "&Save Current Frame As ...|Ctrl+S",
                                  "&Save All Checked Frames ...|", "-", "Check All|", "Uncheck All|", "-", "E&xit|Ctrl+X"}));
    QStringList buttons;
    const QList<QAction*> toolbar = part<QToolBar>("Toolbar1")->actions();
    for (const QAction* a : toolbar) {
        buttons << (a->isSeparator() ? QStringLiteral("-") : a->data().toString() + u':' + a->text() + u':' + a->toolTip());
        EXPECT_TRUE(a->isSeparator() || !a->icon().isNull());
    }
    EXPECT_EQ(buttons, QStringList({"open:Open:Opean an Animated GIF files", "-", "save:Save:Save the Current Frame",
                                    "saveall:Save All:Save All Frames", "-", "checkall:Chell All:Check All Frames",
                                    "uncheckall:Uncheck:Uncheck All Frames"}));
    const auto enabled = [&] {
        QString s;
        for (int i : {1, 3, 4, 6, 7, 9})
            s += part<QAction>(QStringLiteral("mnuFileSub%1").arg(i))->isEnabled() ? u'1' : u'0';
        for (const QAction* a : toolbar)
            if (!a->isSeparator())
                s += a->isEnabled() ? u'1' : u'0';
        return s;
    };
    EXPECT_EQ(enabled(), QStringLiteral("100001" "10000"));
    EXPECT_TRUE(bar()->isVisibleTo(window) && !window->Timer1.isActive());
    EXPECT_EQ(window->Timer1.interval(), 100);

    open(suiteGif("animated_loop"));
    EXPECT_EQ(enabled(), QStringLiteral("111111" "11111"));
    // A GIF the player cannot read leaves the list empty and the commands off again.
    writeFile(dir.filePath("bad.gif"), "GIF89a but nothing else");
    open(dir.filePath("bad.gif"));
    EXPECT_EQ(list()->count(), 0);
    EXPECT_EQ(enabled(), QStringLiteral("100001" "10000"));

    for (QWidget* w : window->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && !w->objectName().startsWith(u"qt_")) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        }
}

TEST_F(ExtractorTest, OpeningListsTheFramesShowsTheFirstAndPlaysTheAnimationOnce)
{
    open(suiteGif("animated_loop"));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].request.filter, QStringLiteral("Animated GIF Files(*.gif)|*.gif"));
    EXPECT_EQ(entries(), QStringList({"Frame 0", "Frame 1", "Frame 2", "Frame 3"}));
    EXPECT_EQ(checkedCount(), 0);
    EXPECT_TRUE(list()->item(0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_EQ(difference(shownFrame(window->wpdlx1), suiteFrame("animated_loop-0")), "");
    EXPECT_TRUE(tempFiles().isEmpty());  // the temporary BMP went right after
    EXPECT_TRUE(!bar()->isVisibleTo(window) && bar()->value() == 0);
    PlayerComponent& player = part<GifView>("PlayGif1")->component();  // played once on the dialog grey
    EXPECT_TRUE(player.isPlaying() && !player.loopPlayback());
    EXPECT_EQ(player.backColor(), 212 | 208 << 8 | 200 << 16);
    EXPECT_EQ(part<GifView>("PlayGif1")->size(), QSize(100, 100));
    EXPECT_EQ(part<QTabWidget>("SSTab1")->tabText(0) + u'|' + part<QTabWidget>("SSTab1")->tabText(1), QStringLiteral("Frames|Preview"));

    list()->setCurrentRow(2);  // selecting by program shows the frame too
    EXPECT_EQ(difference(shownFrame(window->wpdlx1), suiteFrame("animated_loop-2")), "");
    EXPECT_TRUE(tempFiles().isEmpty());

    // Cancelling the open dialog leaves everything as it was.
    const QImage before = shownFrame(window->wpdlx1);
    dialogs.answerCancel();
    trigger("mnuFileSub1");
    EXPECT_TRUE(list()->count() == 4 && list()->currentRow() == 2 && player.isPlaying());
    EXPECT_EQ(shownFrame(window->wpdlx1), before);

    // One frame: only "Frame 0", shown at once.
    open(suiteGif("static_nontransparent"));
    EXPECT_EQ(entries(), QStringList({"Frame 0"}));
    EXPECT_EQ(difference(shownFrame(window->wpdlx1), suiteFrame("static_nontransparent")), "");
}

TEST_F(ExtractorTest, AThousandFramesFillTheListWhileEventsRunAndTheBarRisesToAHundred)
{
    const QString gif = flatGif(1000, 2);
    const std::vector<int>& values = recordProgress();
    int countWhenEventsRan = -1;
    QTimer::singleShot(0, window, [&] { countWhenEventsRan = list()->count(); });
    open(gif);
    ASSERT_EQ(list()->count(), 1000);
    EXPECT_EQ(list()->item(999)->text(), QStringLiteral("Frame 999"));
    EXPECT_TRUE(countWhenEventsRan > 0 && countWhenEventsRan < 1000) << countWhenEventsRan;
    ASSERT_GE(values.size(), 100u);
    EXPECT_EQ(std::vector<int>(values.end() - 2, values.end()), std::vector<int>({100, 0}));
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end() - 1));
    EXPECT_EQ(list()->currentRow(), 0);
}

// Every checked frame is saved as a viewer shows it, disposal included. Decoding itself is checked
// against reference decodes by the GIF reader's and the player's tests.
TEST_F(ExtractorTest, SavedFramesAreTheFramesAsShown)
{
    const QString name = QStringLiteral("animated_transparent_frame_restorebackground_loop");
    if (!QFile::exists(suiteGif(name)))
        GTEST_SKIP() << "shared test data not present";
    open(suiteGif(name));
    ASSERT_GT(list()->count(), 1);
    window->SetAllChecked(true);
    const QString folder = out(QStringLiteral("all"));
    QDir().mkpath(folder);
    answerOk(kFormatBmp, folder);
    dialogs.clear();
    window->SaveCheckedFrames();
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"Save finished"});
    for (int k = 0; k < list()->count(); ++k)
        EXPECT_EQ(difference(QImage(folder + QStringLiteral("/Frame_%1.bmp").arg(k)),
                             suiteFrame(QStringLiteral("%1-%2").arg(name).arg(k))),
                  "")
            << "frame " << k;
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(ExtractorTest, TheCurrentFrameIsSavedUnderTheNameAsTypedInEachFormat)
{
    open(suiteGif("animated_loop"));
    list()->setCurrentRow(1);
    struct Case {
        int format;
        const char* name;
        QByteArray magic;
        bool exact;
    };
    for (const Case& c : {Case{kFormatGif, "x", "GIF8", true}, Case{kFormatBmp, "frame.gif", "BM", true},
                         Case{kFormatJpeg, "x.jpeg.bmp", "\xFF\xD8\xFF", false}}) {
        SCOPED_TRACE(c.name);
        answerOk(c.format, out(QLatin1String(c.name)));
        trigger("Toolbar1_save");
        EXPECT_TRUE(!window->saveFramesRequest().Cancelled && window->saveFramesRequest().SingleFrame);
        EXPECT_TRUE(readFile(out(QLatin1String(c.name))).startsWith(c.magic));
        const QImage saved(out(QLatin1String(c.name)), nullptr);
        EXPECT_EQ(saved.size(), QSize(100, 100));
        if (c.exact) {
            EXPECT_EQ(difference(saved, suiteFrame("animated_loop-1")), "");
        }
        EXPECT_TRUE(tempFiles().isEmpty());
    }
    EXPECT_TRUE(dialogs.messageTexts().isEmpty());
    EXPECT_EQ(QDir(out()).entryList(QDir::Files).size(), 3);  // no extension added anywhere
}

TEST_F(ExtractorTest, CheckedFramesGoToTheFolderByEntryNameWithProgressAndAClosingMessage)
{
    open(flatGif(8));
    list()->item(2)->setCheckState(Qt::Checked);
    list()->item(5)->setCheckState(Qt::Checked);
    const std::vector<int>& values = recordProgress();
    answerOk(kFormatBmp, dir.filePath("out"));  // typed without the separator at its end
    trigger("mnuFileSub4");
    EXPECT_EQ(QDir(out()).entryList(QDir::Files), QStringList({"Frame_2.bmp", "Frame_5.bmp"}));
    EXPECT_EQ(values, std::vector<int>({50, 100, 0}));
    EXPECT_TRUE(!bar()->isVisibleTo(window) && !window->saveFramesRequest().SingleFrame);
    EXPECT_EQ(dialogs.boxes(), QStringList{box("Save finished")});
    EXPECT_EQ(QImage(out("Frame_5.bmp")).pixel(3, 3), flatColour(5).rgb());

    // As GIF and JPEG the same frames get those extensions.
    answerOk(kFormatGif, out());
    window->SaveCheckedFrames();
    answerOk(kFormatJpeg, out());
    window->SaveCheckedFrames();
    EXPECT_EQ(QDir(out()).entryList(QDir::Files),
              QStringList({"Frame_2.bmp", "Frame_2.gif", "Frame_2.jpg", "Frame_5.bmp", "Frame_5.gif", "Frame_5.jpg"}));
    EXPECT_TRUE(tempFiles().isEmpty());
}

// A GIF whose frames together go beyond the work budget (here 869 tiny frames on a 4800 x 4800
// screen: 20,018 million pixels to decode) is told in a box and not taken apart.
TEST_F(ExtractorTest, AGifBeyondTheWorkBudgetIsToldAndNotListed)
{
    const QString gif = dir.filePath(QStringLiteral("huge.gif"));
    {
        GifStreamWriter writer;
        ASSERT_TRUE(writer.open(gif, GifScreen{4800, 4800, 0, {}}));
        GifFrameDescription frame;
        frame.image = IndexedImage{1, 1, {0}, {Rgb{1, 2, 3}}, -1};
        for (int k = 0; k < 869; ++k)
            ASSERT_TRUE(writer.addFrame(frame));
        ASSERT_TRUE(writer.finish());
    }
    open(gif);
    EXPECT_EQ(dialogs.boxes(), QStringList{box(QStringLiteral("2003 - The GIF has 869 frames of 4800 x 4800 pixels, more than "
                                                              "the pixel budget of 20000000000 pixels"),
                                               MessageIcon::Exclamation)});
    EXPECT_EQ(list()->count(), 0);
    EXPECT_FALSE(bar()->isVisible());
}

TEST_F(ExtractorTest, RefusalsAndCancelsWriteNothing)
{
    // Nothing open: the save commands do nothing at all.
    window->SaveCurrentFrame();
    window->SaveCheckedFrames();
    EXPECT_TRUE(dialogsShown == 0 && dialogs.calls.empty());

    open(flatGif(3));
    dialogs.clear();
    window->SaveCheckedFrames();  // nothing checked: a message and no dialog
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"Please check the frames that you want to save first!"});

    list()->item(1)->setCheckState(Qt::Checked);
    const std::function<void(SaveFramesDialog&)> ways[] = {
        [](SaveFramesDialog& d) { d.CancelButton_Click(); },
        [](SaveFramesDialog& d) {
            d.txtFile->setText(QStringLiteral("typed"));
            d.txtDir->setText(QStringLiteral("typed"));
            d.close();  // the close box
        },
        [](SaveFramesDialog& d) { d.reject(); },  // Escape
    };
    for (const auto& way : ways) {
        dialogs.clear();
        answerDialog = way;
        window->SaveCurrentFrame();
        window->SaveCheckedFrames();
        EXPECT_TRUE(window->saveFramesRequest().Cancelled && dialogs.calls.empty());
    }
    EXPECT_EQ(dialogsShown, 6);
    EXPECT_FALSE(QFile::exists(dir.filePath("typed")));
    EXPECT_TRUE(tempFiles().isEmpty());

    // The GIF itself as the output, by its name or as "Frame_1.gif" of its folder: told, and
    // nothing written.
    const QString source = out(QStringLiteral("Frame_1.gif"));
    ASSERT_TRUE(QFile::copy(flatGif(3), source));
    const QByteArray bytes = readFile(source);
    open(source);
    list()->item(1)->setCheckState(Qt::Checked);
    const QString refused = box(source + QStringLiteral(" is the animated GIF the frames come from; it is not written over. "
                                                        "Please choose another file or folder."));
    for (const bool single : {true, false}) {
        dialogs.clear();
        answerOk(kFormatGif, single ? source : out());
        single ? window->SaveCurrentFrame() : window->SaveCheckedFrames();
        EXPECT_EQ(dialogs.boxes(), QStringList{refused}) << single;
    }
    EXPECT_EQ(readFile(source), bytes);
    EXPECT_EQ(QDir(out()).entryList(QDir::Files), QStringList{QStringLiteral("Frame_1.gif")});
}

TEST_F(ExtractorTest, AFailedWriteEndsTheCommandWithTheErrorNumberAndDescription)
{
    open(flatGif(3));
    answerOk(kFormatBmp, dir.filePath("no/such/folder/x.bmp"));
    window->SaveCurrentFrame();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const QString text = dialogs.messages()[0].text;
    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("^\\d+ - .+")))) << text.toStdString();
    EXPECT_EQ(dialogs.boxes(), QStringList{box(text, MessageIcon::None)});
    // The frame being worked on keeps its temporary file.
    EXPECT_EQ(tempFiles(), QStringList{"__tmp__extract__Frame_0.bmp"});

    QFile::remove(temp() + "__tmp__extract__Frame_0.bmp");
    dialogs.clear();
    window->SetAllChecked(true);
    answerOk(kFormatGif, dir.filePath("no/such/folder"));
    window->SaveCheckedFrames();
    ASSERT_EQ(dialogs.messageTexts().size(), 1);  // no "Save finished"
    EXPECT_TRUE(dialogs.messageTexts()[0].contains(QStringLiteral(" - ")));
    EXPECT_TRUE(bar()->isVisibleTo(window) && bar()->value() == 0);  // the bar keeps its last state
}

TEST_F(ExtractorTest, CheckAllHoldsTheBusyFlagSoNothingIsShownOrSavedMeanwhile)
{
    open(flatGif(5));
    const QImage before = shownFrame(window->wpdlx1);
    bool busySeen = false;
    QTimer::singleShot(0, window, [&] {
        busySeen = window->isBusy();
        list()->setCurrentRow(3);  // selecting while busy shows nothing
        window->SaveCurrentFrame();  // and saving is kept out
    });
    trigger("mnuFileSub6");
    EXPECT_TRUE(busySeen && !window->isBusy());
    EXPECT_TRUE(checkedCount() == 5 && list()->currentRow() == 3 && dialogsShown == 0 && tempFiles().isEmpty());
    EXPECT_EQ(shownFrame(window->wpdlx1), before);

    trigger("Toolbar1_uncheckall");
    EXPECT_EQ(checkedCount(), 0);
    trigger("Toolbar1_checkall");
    EXPECT_EQ(checkedCount(), 5);
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
    EXPECT_TRUE(!window->Timer1.isActive() && part<QAction>("mnuFileSub3")->isEnabled());
    part<QMenu>("mnuFile")->hide();

    // Exit closes and unloads the window.
    trigger("mnuFileSub9");
    EXPECT_FALSE(window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST_F(ExtractorTest, TheSplitterKeepsThreeHundredTwipsLeftAndSixHundredRight)
{
    const int frameWidth = window->frameWidthTwips();
    struct Case {
        int wanted, expected;
    };
    for (const Case c : {Case{100, 300}, Case{300, 300}, Case{3000, 3000}, Case{frameWidth, frameWidth - 600}}) {
        int position = c.wanted;
        window->SizeControls(position);
        EXPECT_EQ(position, c.expected) << c.wanted;
        EXPECT_EQ(part("picLeft")->geometry(), twipsRect(0, 0, c.expected, pixelsToTwips(part("picFrame")->height())));
        EXPECT_EQ(list()->size(), part("picLeft")->size());
        EXPECT_EQ(part("picRight")->x(), twipsToPixels(c.expected + 75));
        EXPECT_EQ(part("imgSplitter")->x(), twipsToPixels(c.expected));
    }

    // Dragging: the bar follows the pointer; releasing lays the panes out there.
    int position = 3000;
    window->SizeControls(position);
    window->imgSplitter_MouseDown();
    EXPECT_TRUE(window->isDraggingSplitter() && part("picSplitter")->isVisibleTo(window));
    window->imgSplitter_MouseMove(-2000);
    window->imgSplitter_MouseUp();
    EXPECT_EQ(window->leftPaneWidthTwips(), 1000);
    EXPECT_FALSE(window->isDraggingSplitter() || part("picSplitter")->isVisibleTo(window));

    // Too narrow for both: the right pane's minimum wins.
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    part("picFrame")->resize(40, 300);
    EXPECT_EQ(window->leftPaneWidthTwips(), window->frameWidthTwips() - 600);
}

TEST(ExtractorFiles, NamesAndPercentages)
{
    EXPECT_EQ(temporaryFrameFile(QStringLiteral("/t/"), QStringLiteral("Frame 12")),
              QStringLiteral("/t/__tmp__extract__Frame_12.bmp"));
    EXPECT_EQ(checkedFrameOutputFile(QStringLiteral("/o"), QStringLiteral("Frame 0"), kFormatJpeg),
              QStringLiteral("/o/Frame_0.jpg"));
    std::vector<int> percents;
    for (auto [done, total] : {std::pair{1, 8}, {3, 8}, {1, 200}, {3, 200}, {1, 3}, {2, 3}, {1000, 1000}, {1, 0}})
        percents.push_back(progressPercent(done, total));
    EXPECT_EQ(percents, std::vector<int>({12, 38, 0, 2, 33, 67, 100, 0}));
}

}  // namespace
}  // namespace pictoreel::testing
