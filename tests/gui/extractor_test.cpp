// The frames extractor `frmExtractor`, driven through its commands offscreen: the menu and
// toolbar, opening a GIF (the list, the shown frame, the temporary BMP, the progress bar), saving
// the current frame and the checked frames with the save frames dialog answered by the test,
// refusals, cancels and the error box, check all with its busy flag, the context menu, the
// splitter, and frames that match the reference decodes of public GIF suites pixel for pixel.
#include "gui/support/scripted_dialogs.h"

#include "core/media/gif_writer.h"
#include "core/media/player_component.h"
#include "gui/extractor_files.h"
#include "gui/frm_extractor.h"
#include "gui/frm_save_frames.h"
#include "gui/gif_view.h"
#include "gui/image_view.h"
#include "gui/twips.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QtEndian>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace pictoreel::testing {
namespace {

const QRgb kPlayGrey = qRgb(212, 208, 200);

QString sharedData(const QString& relative)
{
    return QStringLiteral(PICTOREEL_SHARED_TESTDATA "/") + relative;
}
QString suiteGif(const QString& name) { return sharedData(QStringLiteral("gif-suite-peterdn/gifs/") + name + ".gif"); }

// A picture as opaque RGB, transparent pixels shown in the grey the extractor plays on.
QImage overGrey(QImage image)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) == 0)
                image.setPixel(x, y, kPlayGrey);
    return image.convertToFormat(QImage::Format_RGB32);
}

// A wuffs ".nie" decode: 16-byte header, width, height, BGRA rows.
QImage readNie(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = file.readAll();
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    QImage image(static_cast<int>(u32(8)), static_cast<int>(u32(12)), QImage::Format_ARGB32);
    if (b.size() != 16 + qsizetype(image.width()) * image.height() * 4)
        return {};
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), b.constData() + 16 + y * image.width() * 4, std::size_t(image.width()) * 4);
    return image;
}

// "" when equal, else where they first differ.
std::string difference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return "size differs";
    const QImage a = actual.convertToFormat(QImage::Format_RGB32), e = expected.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != e.pixel(x, y))
                return "pixel " + std::to_string(x) + "," + std::to_string(y);
    return {};
}

QImage shownFrame(ImagingComponent& component)
{
    const RgbaImage& p = component.image();
    return QImage(p.pixels.data(), p.width, p.height, p.width * 4, QImage::Format_RGBA8888).copy();
}

// An animated GIF of `frames` flat-coloured frames (frame k in colour k), `size` pixels square.
QString writeFlatGif(const QString& file, int frames, int size = 8)
{
    PlayerComponent assembler;
    assembler.ClearFrames();
    for (int k = 0; k < frames; ++k) {
        const QString one = file + QStringLiteral(".%1.gif").arg(k % 8);
        if (k < 8) {
            IndexedImage picture;
            picture.width = picture.height = size;
            picture.indices.assign(std::size_t(size * size), 0);
            picture.palette = {Rgb{std::uint8_t(30 * k), std::uint8_t(255 - 30 * k), 90}};
            EXPECT_TRUE(writeSingleImageGif(one, picture).ok());
        }
        assembler.AddFrame(one);
    }
    EXPECT_TRUE(assembler.SaveAnimation(file).ok());
    return file;
}

class ExtractorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(temp());
        window = new frmExtractor(dialogs, [this] { return temp(); });
        window->setSaveDialogRunner([this](frmSaveFrames& dialog) {
            ++dialogsShown;
            if (answerDialog)
                answerDialog(dialog);
        });
    }
    void TearDown() override { delete window.data(); }

    QString temp() const { return dir.filePath(QStringLiteral("temp")) + u'/'; }
    QString out(const QString& name = {}) const { return dir.filePath(QStringLiteral("out/") + name); }
    QStringList tempFiles() const { return QDir(temp()).entryList(QDir::Files); }

    void open(const QString& gif)
    {
        dialogs.answerFile(gif);
        window->OpenAnimatedGif();
    }
    // The dialog answered with OK after the format and the file or folder box were filled in.
    void answerOk(int format, const QString& text)
    {
        answerDialog = [format, text](frmSaveFrames& dialog) {
            dialog.cboFormats->setCurrentIndex(format);
            (dialog.txtFile->isVisibleTo(&dialog) ? dialog.txtFile : dialog.txtDir)->setText(text);
            dialog.OKButton_Click();
        };
    }
    QStringList entries() const
    {
        QStringList texts;
        for (int k = 0; k < window->List1->count(); ++k)
            texts << window->List1->item(k)->text();
        return texts;
    }
    int checkedCount() const
    {
        int n = 0;
        for (int k = 0; k < window->List1->count(); ++k)
            n += window->List1->item(k)->checkState() == Qt::Checked;
        return n;
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    QPointer<frmExtractor> window;
    int dialogsShown = 0;
    std::function<void(frmSaveFrames&)> answerDialog;
};

TEST_F(ExtractorTest, MenuAndToolbarCarryTheirCaptionsAndOnlyOpenAndExitStartEnabled)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Animated GIF Frames Extractor"));
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
    const QStringList captions{{}, "&Open ...", {}, "&Save Current Frame As ...", "&Save All Checked Frames ...",
                               {}, "Check All", "Uncheck All", {}, "E&xit"};
    const QStringList keys{{}, "Ctrl+O", {}, "Ctrl+S", {}, {}, {}, {}, {}, "Ctrl+X"};
    ASSERT_EQ(window->mnuFileSub.size(), 10u);
    for (int i = 1; i <= 9; ++i) {
        QAction* a = window->mnuFileSub[std::size_t(i)];
        EXPECT_EQ(a->isSeparator(), captions[i].isEmpty()) << i;
        EXPECT_EQ(a->text(), captions[i]);
        EXPECT_EQ(a->shortcut().toString(), keys[i]);
    }
    const QStringList buttons{"open:Open:Opean an Animated GIF files", "-", "save:Save:Save the Current Frame",
                              "saveall:Save All:Save All Frames", "-", "checkall:Chell All:Check All Frames",
                              "uncheckall:Uncheck:Uncheck All Frames"};
    ASSERT_EQ(window->toolbarButtons.size(), std::size_t(buttons.size()));
    for (int i = 0; i < buttons.size(); ++i) {
        QAction* a = window->toolbarButtons[std::size_t(i)];
        EXPECT_EQ(a->isSeparator() ? QStringLiteral("-")
                                   : a->data().toString() + u':' + a->text() + u':' + a->toolTip(),
                  buttons[i]);
        EXPECT_TRUE(a->isSeparator() || !a->icon().isNull());
    }
    const auto enabled = [&] {
        QString s;
        for (int i : {1, 3, 4, 6, 7, 9})
            s += window->mnuFileSub[std::size_t(i)]->isEnabled() ? u'1' : u'0';
        for (QAction* a : window->toolbarButtons)
            if (!a->isSeparator())
                s += a->isEnabled() ? u'1' : u'0';
        return s;
    };
    EXPECT_EQ(enabled(), QStringLiteral("100001" "10000"));
    EXPECT_TRUE(window->pbPer->isVisibleTo(window));
    EXPECT_FALSE(window->Timer1.isActive());
    EXPECT_EQ(window->Timer1.interval(), 100);

    open(suiteGif("animated_loop"));
    EXPECT_EQ(enabled(), QStringLiteral("111111" "11111"));
    // A GIF the player cannot read leaves the list empty and the commands off again.
    QFile bad(dir.filePath("bad.gif"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("GIF89a but nothing else");
    bad.close();
    open(bad.fileName());
    EXPECT_EQ(window->List1->count(), 0);
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
    EXPECT_TRUE(window->List1->item(0)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_EQ(window->List1->currentRow(), 0);
    const QString frames = sharedData("gif-suite-peterdn/gifs/frames/animated_loop-%1.png");
    EXPECT_EQ(difference(shownFrame(window->wpdlx1), overGrey(QImage(frames.arg(0)))), "");
    EXPECT_TRUE(tempFiles().isEmpty());  // the temporary BMP went right after
    EXPECT_FALSE(window->pbPer->isVisibleTo(window));
    EXPECT_EQ(window->pbPer->value(), 0);
    PlayerComponent& player = window->PlayGif1->component();
    EXPECT_TRUE(player.isPlaying());
    EXPECT_FALSE(player.loopPlayback());
    EXPECT_EQ(player.backColor(), 212 | 208 << 8 | 200 << 16);
    EXPECT_EQ(window->PlayGif1->size(), QSize(100, 100));
    EXPECT_EQ(window->SSTab1->tabText(0), QStringLiteral("Frames"));
    EXPECT_EQ(window->SSTab1->tabText(1), QStringLiteral("Preview"));

    window->List1->setCurrentRow(2);  // selecting by program shows the frame too
    EXPECT_EQ(difference(shownFrame(window->wpdlx1), overGrey(QImage(frames.arg(2)))), "");
    EXPECT_TRUE(tempFiles().isEmpty());

    // Cancelling the open dialog leaves everything as it was.
    const QImage before = shownFrame(window->wpdlx1);
    dialogs.answerCancel();
    window->mnuFileSub_Click(1);
    EXPECT_EQ(window->List1->count(), 4);
    EXPECT_EQ(window->List1->currentRow(), 2);
    EXPECT_EQ(shownFrame(window->wpdlx1), before);
    EXPECT_TRUE(player.isPlaying());

    // One frame: only "Frame 0", shown at once.
    open(suiteGif("static_nontransparent"));
    EXPECT_EQ(entries(), QStringList({"Frame 0"}));
    EXPECT_EQ(difference(shownFrame(window->wpdlx1),
                         overGrey(QImage(sharedData("gif-suite-peterdn/gifs/frames/static_nontransparent.png")))),
              "");
}

TEST_F(ExtractorTest, AThousandFramesFillTheListWhileEventsRunAndTheBarRisesToAHundred)
{
    const QString gif = writeFlatGif(dir.filePath("thousand.gif"), 1000, 2);
    std::vector<int> values;
    QObject::connect(window->pbPer, &QProgressBar::valueChanged, [&](int v) { values.push_back(v); });
    int countWhenEventsRan = -1;
    QTimer::singleShot(0, window, [&] { countWhenEventsRan = window->List1->count(); });
    open(gif);
    ASSERT_EQ(window->List1->count(), 1000);
    EXPECT_EQ(window->List1->item(999)->text(), QStringLiteral("Frame 999"));
    EXPECT_GT(countWhenEventsRan, 0);
    EXPECT_LT(countWhenEventsRan, 1000);
    ASSERT_GE(values.size(), 100u);
    EXPECT_EQ(values.back(), 0);
    EXPECT_EQ(values[values.size() - 2], 100);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end() - 1));
    EXPECT_EQ(window->List1->currentRow(), 0);
}

TEST_F(ExtractorTest, SavedFramesMatchTheReferenceDecodesPixelForPixel)
{
    struct Case {
        QString gif;
        std::function<QImage(int)> reference;
    };
    const auto suite = [](const char* name) {
        return Case{suiteGif(QLatin1String(name)), [name](int k) {
                        return overGrey(QImage(sharedData("gif-suite-peterdn/gifs/frames/%1-%2.png").arg(QLatin1String(name)).arg(k)));
                    }};
    };
    const QString wuffs = sharedData("wuffs/test/data/");
    const Case cases[] = {
        suite("animated_loop_interlaced"),
        suite("animated_transparent_frame_restorebackground_loop"),
        suite("animated_transparent_frame_restoreprev_loop"),
        suite("animated_transparent_loop_frames_out_of_bounds"),
        {wuffs + "animated-red-blue.gif",
         [wuffs](int k) { return overGrey(readNie(wuffs + QStringLiteral("animated-red-blue.%1.nie").arg(k, 6, 10, QChar(u'0')))); }},
        {wuffs + "pjw-thumbnail.gif", [wuffs](int) { return overGrey(QImage(wuffs + "pjw-thumbnail.png")); }},
        {wuffs + "bricks-dither.gif", [wuffs](int) { return overGrey(QImage(wuffs + "bricks-dither.png")); }},
    };
    if (!QFile::exists(cases[0].gif))
        GTEST_SKIP() << "shared test data not present";
    int run = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gif.toStdString());
        open(c.gif);
        ASSERT_GT(window->List1->count(), 0);
        window->SetAllChecked(true);
        const QString folder = out(QString::number(++run));
        QDir().mkpath(folder);
        answerOk(kFormatBmp, folder);
        dialogs.clear();
        window->SaveCheckedFrames();
        EXPECT_EQ(dialogs.messageTexts(), QStringList{"Save finished"});
        for (int k = 0; k < window->List1->count(); ++k) {
            const QImage expected = c.reference(k);
            ASSERT_FALSE(expected.isNull()) << "reference of frame " << k;
            const QImage saved(folder + QStringLiteral("/Frame_%1.bmp").arg(k));
            EXPECT_EQ(difference(saved, expected), "") << "frame " << k;
        }
        EXPECT_TRUE(tempFiles().isEmpty());
    }
}

TEST_F(ExtractorTest, TheCurrentFrameIsSavedUnderTheNameAsTypedInEachFormat)
{
    open(suiteGif("animated_loop"));
    window->List1->setCurrentRow(1);
    const QImage reference = overGrey(QImage(sharedData("gif-suite-peterdn/gifs/frames/animated_loop-1.png")));
    struct Case {
        int format;
        const char* name;
        QByteArray magic;
        bool exact;
    };
    QDir().mkpath(out());
    for (const Case& c : {Case{kFormatGif, "x", "GIF8", true}, Case{kFormatBmp, "frame.gif", "BM", true},
                         Case{kFormatJpeg, "x.jpeg.bmp", "\xFF\xD8\xFF", false}}) {
        SCOPED_TRACE(c.name);
        QFile::remove(out(QLatin1String(c.name)));
        answerOk(c.format, out(QLatin1String(c.name)));
        window->Toolbar1_ButtonClick(QStringLiteral("save"));
        EXPECT_FALSE(window->saveFramesRequest().Cancelled);
        EXPECT_TRUE(window->saveFramesRequest().SingleFrame);
        QFile written(out(QLatin1String(c.name)));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll().startsWith(c.magic));
        const QImage saved(written.fileName(), nullptr);
        EXPECT_EQ(saved.size(), QSize(100, 100));
        if (c.exact) {
            EXPECT_EQ(difference(saved, reference), "");
        }
        EXPECT_TRUE(tempFiles().isEmpty());
    }
    EXPECT_TRUE(dialogs.messageTexts().isEmpty());
    EXPECT_EQ(QDir(out()).entryList(QDir::Files).size(), 3);  // no extension added anywhere
}

TEST_F(ExtractorTest, CheckedFramesGoToTheFolderByEntryNameWithProgressAndAClosingMessage)
{
    open(writeFlatGif(dir.filePath("eight.gif"), 8));
    window->List1->item(2)->setCheckState(Qt::Checked);
    window->List1->item(5)->setCheckState(Qt::Checked);
    std::vector<int> values;
    QObject::connect(window->pbPer, &QProgressBar::valueChanged, [&](int v) { values.push_back(v); });
    QDir().mkpath(out());
    answerOk(kFormatBmp, dir.filePath("out"));  // typed without the separator at its end
    window->mnuFileSub_Click(4);
    EXPECT_EQ(QDir(out()).entryList(QDir::Files), QStringList({"Frame_2.bmp", "Frame_5.bmp"}));
    EXPECT_EQ(values, std::vector<int>({50, 100, 0}));
    EXPECT_FALSE(window->pbPer->isVisibleTo(window));
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, QStringLiteral("Save finished"));
    EXPECT_EQ(dialogs.messages()[0].icon, MessageIcon::Information);
    EXPECT_FALSE(window->saveFramesRequest().SingleFrame);
    EXPECT_EQ(QImage(out("Frame_5.bmp")).pixel(3, 3), qRgb(150, 105, 90));

    // As GIF and JPEG the same frames get those extensions.
    answerOk(kFormatGif, out());
    window->SaveCheckedFrames();
    answerOk(kFormatJpeg, out());
    window->SaveCheckedFrames();
    EXPECT_EQ(QDir(out()).entryList(QDir::Files),
              QStringList({"Frame_2.bmp", "Frame_2.gif", "Frame_2.jpg", "Frame_5.bmp", "Frame_5.gif", "Frame_5.jpg"}));
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(ExtractorTest, RefusalsAndCancelsWriteNothing)
{
    // Nothing open: the save commands do nothing at all.
    window->SaveCurrentFrame();
    window->SaveCheckedFrames();
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_TRUE(dialogs.calls.empty());

    open(writeFlatGif(dir.filePath("three.gif"), 3));
    dialogs.clear();
    window->SaveCheckedFrames();  // nothing checked: a message and no dialog
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{"Please check the frames that you want to save first!"});

    window->List1->item(1)->setCheckState(Qt::Checked);
    const std::function<void(frmSaveFrames&)> ways[] = {
        [](frmSaveFrames& d) { d.CancelButton_Click(); },
        [](frmSaveFrames& d) {
            d.txtFile->setText(QStringLiteral("typed"));
            d.txtDir->setText(QStringLiteral("typed"));
            d.close();  // the close box
        },
        [](frmSaveFrames& d) { d.reject(); },  // Escape
    };
    for (const auto& way : ways) {
        dialogs.clear();
        answerDialog = way;
        window->SaveCurrentFrame();
        window->SaveCheckedFrames();
        EXPECT_TRUE(window->saveFramesRequest().Cancelled);
        EXPECT_TRUE(dialogs.calls.empty());
    }
    EXPECT_EQ(dialogsShown, 6);
    EXPECT_FALSE(QFile::exists(dir.filePath("typed")));
    EXPECT_TRUE(tempFiles().isEmpty());
}

TEST_F(ExtractorTest, AFailedWriteEndsTheCommandWithTheErrorNumberAndDescription)
{
    open(writeFlatGif(dir.filePath("three.gif"), 3));
    const QString missing = dir.filePath("no/such/folder/x.bmp");
    answerOk(kFormatBmp, missing);
    window->SaveCurrentFrame();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    const DialogCall box = dialogs.messages()[0];
    EXPECT_TRUE(box.text.contains(QRegularExpression(QStringLiteral("^\\d+ - .+")))) << box.text.toStdString();
    EXPECT_EQ(box.icon, MessageIcon::None);
    EXPECT_EQ(box.caption, QStringLiteral("Pictoreel"));
    EXPECT_EQ(box.buttons, MessageButtons::Ok);
    // The frame being worked on keeps its temporary file.
    EXPECT_EQ(tempFiles(), QStringList{"__tmp__extract__Frame_0.bmp"});

    QFile::remove(temp() + "__tmp__extract__Frame_0.bmp");
    dialogs.clear();
    window->SetAllChecked(true);
    answerOk(kFormatGif, dir.filePath("no/such/folder"));
    window->SaveCheckedFrames();
    ASSERT_EQ(dialogs.messageTexts().size(), 1);  // no "Save finished"
    EXPECT_TRUE(dialogs.messageTexts()[0].contains(QStringLiteral(" - ")));
    EXPECT_TRUE(window->pbPer->isVisibleTo(window));  // the bar keeps its last state
    EXPECT_EQ(window->pbPer->value(), 0);
}

TEST_F(ExtractorTest, CheckAllHoldsTheBusyFlagSoNothingIsShownOrSavedMeanwhile)
{
    open(writeFlatGif(dir.filePath("five.gif"), 5));
    const QImage before = shownFrame(window->wpdlx1);
    bool busySeen = false;
    QTimer::singleShot(0, window, [&] {
        busySeen = window->isBusy();
        window->List1->setCurrentRow(3);  // selecting while busy shows nothing
        window->SaveCurrentFrame();       // and saving is kept out
    });
    window->mnuFileSub_Click(6);
    EXPECT_TRUE(busySeen);
    EXPECT_FALSE(window->isBusy());
    EXPECT_EQ(checkedCount(), 5);
    EXPECT_EQ(window->List1->currentRow(), 3);
    EXPECT_EQ(shownFrame(window->wpdlx1), before);
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_TRUE(tempFiles().isEmpty());

    window->Toolbar1_ButtonClick(QStringLiteral("uncheckall"));
    EXPECT_EQ(checkedCount(), 0);
    window->Toolbar1_ButtonClick(QStringLiteral("checkall"));
    EXPECT_EQ(checkedCount(), 5);
}

TEST_F(ExtractorTest, TheFileMenuPopsUpOnRightReleaseAndAWhileAfterAClickOnTheFrame)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::mouseRelease(window->List1->viewport(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_TRUE(window->mnuFile->isVisible());
    window->mnuFile->hide();

    open(suiteGif("animated_loop"));
    window->wpdlx1.raiseImageClick();
    EXPECT_TRUE(window->Timer1.isActive());
    EXPECT_FALSE(window->mnuFile->isVisible());  // not from inside the component's event
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->mnuFile->isVisible(); }));
    EXPECT_FALSE(window->Timer1.isActive());
    EXPECT_TRUE(window->mnuFileSub[3]->isEnabled());
    window->mnuFile->hide();
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
        EXPECT_EQ(window->picLeft->geometry(), twipsRect(0, 0, c.expected, pixelsToTwips(window->picFrame->height())));
        EXPECT_EQ(window->List1->size(), window->picLeft->size());
        EXPECT_EQ(window->picRight->x(), twipsToPixels(c.expected + 75));
    }

    // Dragging: the bar follows the pointer; releasing lays the panes out there.
    int position = 3000;
    window->SizeControls(position);
    window->imgSplitter_MouseDown();
    EXPECT_TRUE(window->isDraggingSplitter());
    EXPECT_TRUE(window->picSplitter->isVisibleTo(window));
    window->imgSplitter_MouseMove(-2000);
    window->imgSplitter_MouseUp();
    EXPECT_EQ(window->leftPaneWidthTwips(), 1000);
    EXPECT_FALSE(window->picSplitter->isVisibleTo(window));
    EXPECT_FALSE(window->isDraggingSplitter());

    // Too narrow for both: the right pane's minimum wins.
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    window->picFrame->resize(40, 300);
    EXPECT_EQ(window->frameWidthTwips(), 600);
    EXPECT_EQ(window->leftPaneWidthTwips(), 0);
}

TEST_F(ExtractorTest, ExitClosesAndUnloadsTheWindow)
{
    window->show();
    window->mnuFileSub_Click(9);
    EXPECT_FALSE(window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

TEST(ExtractorFiles, NamesAndPercentages)
{
    EXPECT_EQ(temporaryFrameFile(QStringLiteral("/t/"), QStringLiteral("Frame 12")),
              QStringLiteral("/t/__tmp__extract__Frame_12.bmp"));
    EXPECT_EQ(checkedFrameOutputFile(QStringLiteral("/o"), QStringLiteral("Frame 0"), kFormatJpeg),
              QStringLiteral("/o/Frame_0.jpg"));
    struct Case {
        int done, total, percent;
    };
    for (const Case c : {Case{1, 8, 12}, Case{3, 8, 38}, Case{1, 200, 0}, Case{3, 200, 2}, Case{1, 3, 33},
                         Case{2, 3, 67}, Case{1000, 1000, 100}, Case{1, 0, 0}})
        EXPECT_EQ(progressPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
}

}  // namespace
}  // namespace pictoreel::testing
