// Make and Preview through the main window's menus and toolbar: the refusals, the output file
// question, the job on its worker thread (progress, the window taking no input but Cancel, the
// order of the completion steps), the file written, failures told once, and Cancel and closing
// the window while a job runs.
#include "gui/support/window_fixture.h"

#include "core/media/player_component.h"
#include "gui/widgets/gif_view.h"
#include "gui/main_window/make_commands.h"
#include "gui/player/player_window.h"
#include "gui/player/preview_window.h"

#include <algorithm>

namespace pictoreel::testing {
namespace {

// One GIF as a fresh player component reads it: "frames WxH loop N delays d1,d2,...".
QString decodeGif(const QString& file)
{
    PlayerComponent player;
    if (!player.LoadGif(file))
        return QStringLiteral("unreadable");
    QStringList delays;
    for (int i = 0; i < player.FrameCount(); ++i)
        delays.append(QString::number(player.frame(i) ? player.frame(i).value().delayCentiseconds : -1));
    const std::optional<int> loops = player.gifLoopCount();
    return QStringLiteral("%1 %2x%3 loop %4 delays %5")
        .arg(player.FrameCount()).arg(player.GifWidth()).arg(player.GifHeight())
        .arg(loops ? QString::number(*loops) : QStringLiteral("none"), delays.join(u','));
}

class MakePreviewTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // Modal windows are shown, looked at and closed at once: nothing waits on them.
        commands().setWindowRunner(lookAndClose([this](QDialog& w) {
            QStringList seen{w.objectName(), takesInput() ? "input" : "no input", QString::number(dialogs.calls.size())};
            if (qobject_cast<PlayerWindow*>(&w))
                seen << shownText(&w, "txtPlay") << (child<GifView>(&w, "PlayGif1")->isAnimating() ? "playing" : "still");
            else if (qobject_cast<PreviewWindow*>(&w))
                seen << QStringLiteral("%1x%2").arg(w.width()).arg(w.height());
            shown << seen.join(u'|');
        }));
        QObject::connect(bar(), &QProgressBar::valueChanged, window.get(), [this](int value) {
            progress.push_back(value);
            if (value != 0)
                inputWhileWorking.push_back(takesInput() || !cancelButton()->isVisible());
        });
    }

    MakeCommands& commands() { return window->makeCommands(); }
    QProgressBar* bar() const { return part<QProgressBar>(QStringLiteral("pbPer")); }
    QPushButton* cancelButton() const { return part<QPushButton>(QStringLiteral("cmdCancelMake")); }
    QLabel* madePanel() const { return part<QLabel>(QStringLiteral("StatusBar1Panel3")); }
    bool takesInput() const { return window->menuBar()->isEnabled() && part(QStringLiteral("picFrame"))->isEnabled(); }
    // The work is over: the window takes input, the bar is back at 0, Cancel is gone.
    bool settled() const { return takesInput() && bar()->value() == 0 && !cancelButton()->isVisible() && !window->isMakingGif(); }
    QString output() const { return path(QStringLiteral("out.gif")); }

    // Runs a command and, when it started a make or preview, waits for its completion steps.
    void run(const std::function<void()>& command)
    {
        QSignalSpy finished(&commands(), &MakeCommands::workFinished);
        command();
        ASSERT_TRUE(!window->isMakingGif() || finished.wait(60000));
    }
    void make() { run([this] { trigger(QStringLiteral("mnuFileSub9")); }); }

    void fourFrames()
    {
        addPictures({QStringLiteral("a.png"), QStringLiteral("b.png"), QStringLiteral("c.png"), QStringLiteral("d.png")});
        panel->setOutputFile(output());
        dialogs.clear();
    }

    QStringList shown;
    std::vector<int> progress;
    std::vector<bool> inputWhileWorking;
};

TEST_F(MakePreviewTest, FewerThanTwoFramesAreRefusedAndNoChosenOutputFileStopsSilently)
{
    addPictures({QStringLiteral("only.png")});  // one frame is as few as none
    dialogs.clear();
    for (const char* command : {"mnuFileSub9", "Toolbar1_make", "mnuToolsSub1", "Toolbar1_preview"})
        trigger(QLatin1String(command));
    const QString tooFew = box("Please add frames to make animated gif"), preview = box("Please add more than 1 frame first");
    EXPECT_EQ(dialogs.boxes(), (QStringList{tooFew, tooFew, preview, preview}));
    addPictures({QStringLiteral("b.png")});
    dialogs.clear();
    dialogs.answerCancel();
    make();  // no output file: its dialog, and nothing more when it is cancelled
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].request.title, QStringLiteral("Set a gif file name for output ..."));
    EXPECT_TRUE(settled() && progress.empty() && shown.empty());
}

// Every row takes part, ticked or not, with its delay; a missing picture keeps its place.
TEST_F(MakePreviewTest, FourFramesMoveTheBarThroughBothHalvesWhileOnlyCancelTakesInputThenOpenThePlayer)
{
    fourFrames();
    for (int row : {1, 2, 3, 4})
        window->frames().setColumn(row, FrameColumn::Interval, QStringLiteral("5 20 0 150").section(u' ', row - 1, row - 1));
    setRowChecked(2, false);
    ASSERT_TRUE(QFile::remove(picturesFolder() + QStringLiteral("c.png")));  // row 3's picture
    part<QCheckBox>("chkLoop")->setChecked(false);
    part<QLineEdit>("txtLoop")->setText(QStringLiteral("3"));
    // Events run while the job works, and no second make, preview or player starts meanwhile.
    QObject::connect(bar(), &QProgressBar::valueChanged, window.get(), [this] {
        if (window->isMakingGif()) {
            commands().MakeGif();
            commands().PreviewGif();
            trigger(QStringLiteral("Toolbar1_play"));
        }
    });
    make();

    // First half: one value per frame, 12.5 and 37.5 going to their even neighbours; second half:
    // 50 + p / 2 rising to 100; then 0 before anything is told.
    ASSERT_GE(progress.size(), 6u);
    EXPECT_EQ(std::vector<int>(progress.begin(), progress.begin() + 4), (std::vector<int>{12, 25, 38, 50}));
    EXPECT_EQ(std::vector<int>(progress.end() - 2, progress.end()), (std::vector<int>{100, 0}));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end() - 1));
    EXPECT_EQ(inputWhileWorking, std::vector<bool>(progress.size() - 1, false));
    EXPECT_TRUE(settled() && !QFileInfo::exists(window->context().previewFile()));
    EXPECT_EQ(dialogs.boxes(), QStringList{box("Created finished!")});
    EXPECT_EQ(shown, QStringList{"frmPlay|input|1|" + output() + "|playing"});
    EXPECT_EQ(decodeGif(output()), QStringLiteral("4 40x30 loop 3 delays 5,20,0,150"));
    EXPECT_FALSE(listView()->model()->index(2, 4).data(Qt::DecorationRole).isNull());
    EXPECT_TRUE(listView()->model()->index(2, 4).data(Qt::AccessibleDescriptionRole).toString().contains(u"missing"));
    EXPECT_EQ(part<QLabel>(QStringLiteral("StatusBar1Panel2"))->text(), QStringLiteral("1 picture was missing"));
    EXPECT_TRUE(part<QLabel>(QStringLiteral("StatusBar1Panel2Icon"))->isVisible());  // until the next make
    const QString made = madePanel()->text();  // the GIF's name, size and the make's time
    EXPECT_TRUE(made.startsWith("out.gif: " + QLocale().toString(QFileInfo(output()).size()) + " bytes") && made.endsWith(" s"))
        << made.toStdString();

    part<QCheckBox>("chkLoop")->setChecked(true);  // ticked, the loop count is 0 whatever the loop box holds
    make();
    EXPECT_EQ(decodeGif(output()).section(u' ', 0, 3), QStringLiteral("4 40x30 loop 0"));
    newProject();  // what another project made is not told of this one
    EXPECT_TRUE(madePanel()->text().isEmpty());
}

// 20 white pixels of 1200 (1.7 %) become transparent: the project's first make says so, once.
TEST_F(MakePreviewTest, TheFirstMakeTellsOfAFrameThatLosesMoreThanOnePercentToTransparency)
{
    QImage sticker(40, 30, QImage::Format_RGB32);
    sticker.fill(Qt::red);
    for (int x = 0; x < 20; ++x)
        sticker.setPixel(x, 0, qRgb(255, 255, 255));
    ASSERT_TRUE(sticker.save(picturesFolder() + QStringLiteral("w.png")));
    dialogs.answerFiles({makePicture(QStringLiteral("a.png"), 40, 30), picturesFolder() + QStringLiteral("w.png")});
    trigger(QStringLiteral("mnuFileSub7"));
    panel->setOutputFile(output());
    listView()->selectRow(1);
    make();
    auto* notice = part<QLabel>(QStringLiteral("lblTransparencyNotice"));
    EXPECT_TRUE(notice->isVisible() && notice->text().startsWith(QStringLiteral("Frame 2: 20 white pixels are transparent")))
        << notice->text().toStdString();
    EXPECT_FALSE(part<QLabel>(QStringLiteral("StatusBar1Panel2Icon"))->isVisible());
    Q_EMIT notice->linkActivated(QStringLiteral("2"));  // the hint leads to the frame's properties
    EXPECT_TRUE(!notice->isVisible() && listView()->selectedRow() == 2 && panel->currentIndex() == int(PanelTab::Frame));
    make();
    EXPECT_FALSE(notice->isVisible());
}

TEST_F(MakePreviewTest, FailuresAreToldOnceAfterTheWindowTakesInputAgainAndKeepTheEarlierFile)
{
    fourFrames();
    const QString bad = picturesFolder() + QStringLiteral("bad.png");
    writeFile(bad, "this is no picture at all");
    dialogs.answerFiles({bad});
    trigger(QStringLiteral("mnuFileSub7"));
    dialogs.clear();
    make();  // a picture that cannot be converted: told once, and the GIF is still made and played
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messageTexts()[0].startsWith("The animated GIF was made, but 1 picture could not be converted."));
    EXPECT_TRUE(dialogs.messageTexts()[0].contains(QStringLiteral("Frame 5: ") + bad));
    EXPECT_EQ(shown.size(), 1u);
    // The first frame has no frame before it to show.
    listView()->selectRow(5);
    for (int up = 0; up < 4; ++up)
        trigger(QStringLiteral("mnuEditSub7"));
    dialogs.clear();
    make();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messageTexts()[0].startsWith(
        "The animated GIF was made, but 1 picture could not be converted. Its frame is left transparent:\n\nFrame 1: "))
        << dialogs.messageTexts()[0].toStdString();

    // A size that is no size: one critical box, nothing shown, and the GIF made before stays.
    const QByteArray good = readFile(output());
    part<QLineEdit>("txtWidth")->setText(QStringLiteral("wide"));
    dialogs.clear();
    shown.clear();
    make();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messageTexts()[0].startsWith("The animated GIF could not be made.\n\n"));
    EXPECT_EQ(dialogs.messages()[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(settled() && shown.empty() && madePanel()->text().isEmpty());
    EXPECT_EQ(readFile(output()), good);
}

TEST_F(MakePreviewTest, PreviewWritesThePreviewFileOfTheTempFolderOfTheMomentAndShowsItSizedFromWidthAndHeight)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    const QString otherTemp = path(QStringLiteral("temp2"));
    ASSERT_TRUE(QDir().mkpath(otherTemp));
    window->context().setTempFolder(otherTemp);
    panel->setFrameWidth(64);
    panel->setFrameHeight(8);
    dialogs.clear();
    run([this] { trigger(QStringLiteral("Toolbar1_preview")); });  // no output file is needed
    EXPECT_EQ(window->context().previewFile(), QDir(otherTemp).filePath(QStringLiteral("__tmp__preview.gif")));
    EXPECT_EQ(decodeGif(window->context().previewFile()).section(u' ', 0, 1), QStringLiteral("2 64x8"));
    EXPECT_TRUE(dialogs.calls.empty() && settled());
    EXPECT_EQ(std::vector<int>(progress.begin(), progress.begin() + 2), (std::vector<int>{25, 50}));
    // The client area is the animation (the window frame and title bar are the system's).
    EXPECT_EQ(shown, QStringList{QStringLiteral("frmView|input|0|64x8")});
}

// A make that stopped is not told and leaves the earlier file; one that had written its file
// before the Cancel came is told as made, as the file is there. A preview asked to stop never shows.
TEST_F(MakePreviewTest, CancelAndClosingStopTheJobWithNothingToldOrShown)
{
    fourFrames();
    writeFile(output(), "an earlier GIF");
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    run([&] { trigger(QStringLiteral("mnuFileSub9")); cancelButton()->click(); });
    const bool written = readFile(output()) != "an earlier GIF";
    EXPECT_EQ(dialogs.messageTexts(), written ? QStringList{QLatin1String(kCreatedFinished)} : QStringList{});
    EXPECT_EQ(shown.size(), written ? 1u : 0u);
    dialogs.calls.clear();
    shown.clear();
    run([&] { trigger(QStringLiteral("mnuToolsSub1")); QTest::keyClick(window.get(), Qt::Key_Escape); });
    EXPECT_TRUE(settled() && dialogs.calls.empty() && shown.empty());
    // However far the worker had come, no half-written file is left beside the output.
    EXPECT_EQ(QDir(path({})).entryList({QStringLiteral("*gif*")}, QDir::Files | QDir::Hidden), QStringList{"out.gif"});

    // Closing asks the save question first: Cancel leaves the make running to its end.
    const QString question = QStringLiteral("Would you like to save the project before closing?");
    dialogs.messageAnswers.push_back(MessageAnswer::Cancel);
    run([&] {
        trigger(QStringLiteral("mnuFileSub9"));
        EXPECT_FALSE(window->close());
    });
    EXPECT_EQ(dialogs.messageTexts(), QStringList({question, QLatin1String(kCreatedFinished)}));
    EXPECT_TRUE(settled() && shown.size() == 1u);
    // Any other answer cancels the make and waits for the worker.
    dialogs.calls.clear();
    shown.clear();
    dialogs.messageAnswers.push_back(MessageAnswer::No);
    trigger(QStringLiteral("mnuFileSub9"));
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(!window->isMakingGif() && shown.empty());
    EXPECT_EQ(dialogs.messageTexts(), QStringList{question});
}

// Our player plays GIFs: an animated WebP or PNG is shown by the desktop's viewer after its make.
TEST_F(MakePreviewTest, AWebpOrPngOutputOpensInTheDesktopsViewer)
{
    fourFrames();
    const QStringList outputs{path(QStringLiteral("out.webp")), path(QStringLiteral("out.png"))};
    part<QLineEdit>("txtMaxSize")->setText(QStringLiteral("1K"));  // GIF's alone: the status bar says so
    for (const QString& file : outputs) {
        panel->setOutputFile(file);
        make();
        const QString made = madePanel()->text();
        EXPECT_TRUE(made.startsWith(QFileInfo(file).fileName() + ": ") && made.endsWith(" s (Max size applies to GIF files only)"))
            << made.toStdString();
    }
    EXPECT_EQ(shell.opened, outputs);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(dialogs.boxes(), QStringList(2, box("Created finished!")));
}

}  // namespace
}  // namespace pictoreel::testing
