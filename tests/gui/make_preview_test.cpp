// Make and Preview through the main window's menus and toolbar: the refusals, the output file
// question, the progress bar and the enabled state while the work runs, the file written, the
// completion (message, player, preview window), and failures told once with the window enabled.
#include "gui/support/gui_test.h"
#include "gui/support/window_fixture.h"

#include "core/media/player_component.h"
#include "gui/player_window.h"
#include "gui/preview_window.h"
#include "gui/gif_view.h"
#include "gui/make_commands.h"

#include <QDateTime>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>

#include <algorithm>
#include <map>

namespace pictoreel::testing {
namespace {

using Kind = DialogCall::Kind;

// What a modal window showed when it was opened: "name|title|what it showed", and its size.
struct ShownWindow {
    QString seen;
    QSize size;
};
QString sizeText(QSize size) { return QStringLiteral("%1x%2").arg(size.width()).arg(size.height()); }

// One GIF as a fresh player component reads it: "frames WxH loop N delays d1,d2,...".
QString decodeGif(const QString& file)
{
    PlayerComponent player;
    if (!player.LoadGif(file))
        return QStringLiteral("unreadable");
    QStringList delays;
    for (int i = 0; i < player.FrameCount(); ++i) {
        const Result<PlayerFrame> frame = player.frame(i);
        delays.append(QString::number(frame ? frame.value().delayCentiseconds : -1));
    }
    const std::optional<int> loops = player.gifLoopCount();
    return QStringLiteral("%1 %2x%3 loop %4 delays %5")
        .arg(player.FrameCount()).arg(player.GifWidth()).arg(player.GifHeight())
        .arg(loops ? QString::number(*loops) : QStringLiteral("none"), delays.join(u','));
}
int frameCount(const QString& file) { return decodeGif(file).section(u' ', 0, 0).toInt(); }

class MakePreviewTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        commands().setConversionJobs(1);
        // Modal windows are shown, looked at and closed at once: nothing waits on them.
        commands().setWindowRunner(lookAndClose([this](QDialog& w) {
            QStringList seen{w.objectName(), w.windowTitle()};
            seen << (window->isEnabled() ? "main enabled" : "main disabled")
                 << QStringLiteral("after %1 dialogs").arg(dialogs.calls.size());
            if (auto* player = qobject_cast<PlayerWindow*>(&w)) {
                seen << player->txtPlay->text() << (player->PlayGif1->isAnimating() ? "playing" : "still")
                     << sizeText(player->PlayGif1->size());
            } else if (auto* preview = qobject_cast<PreviewWindow*>(&w)) {
                const bool looping = preview->PlayGif1->isAnimating() && preview->PlayGif1->component().loopPlayback();
                seen << (looping ? "looping" : "still") << sizeText(preview->PlayGif1->size())
                     << (preview->Picture1->geometry() == preview->rect() ? "filled" : "not filled");
            }
            shown.push_back({seen.join(u'|'), w.size()});
        }));
        QObject::connect(part<QProgressBar>(QStringLiteral("pbPer")), &QProgressBar::valueChanged, window.get(), [this](int value) {
            progress.push_back(value);
            enabledWhileProgressing.push_back(window->isEnabled());
        });
    }

    MakeCommands& commands() { return window->makeCommands(); }
    // The work is over: the window enabled, the bar back at 0, no make running.
    bool settled() { return window->isEnabled() && part<QProgressBar>(QStringLiteral("pbPer"))->value() == 0 && !commands().isBusy(); }
    QString output() const { return path(QStringLiteral("out.gif")); }

    // Four 40 x 30 frames, the output file set.
    void fourFrames()
    {
        addPictures({QStringLiteral("a.png"), QStringLiteral("b.png"), QStringLiteral("c.png"), QStringLiteral("d.png")});
        panel->txtOutputFile->setText(output());
        dialogs.clear();
    }

    std::map<QString, QDateTime> cacheFiles() const
    {
        std::map<QString, QDateTime> files;
        const QDir temp(window->context().tempFolder());
        for (const QFileInfo& info : temp.entryInfoList({QStringLiteral("__tmp__*__.gif")}, QDir::Files))
            files[info.fileName()] = info.lastModified();
        return files;
    }

    // Exactly one message box was shown, its text beginning with `start`.
    void expectOneBox(const QString& start, MessageIcon icon) const
    {
        const auto messages = dialogs.messages();
        ASSERT_EQ(messages.size(), 1u) << dialogs.messageTexts().join(u'|').toStdString();
        const QString text = messages[0].text.startsWith(start) ? start : messages[0].text;
        EXPECT_EQ(box(text, messages[0].icon, messages[0].buttons, messages[0].caption), box(start, icon));
    }

    std::vector<ShownWindow> shown;
    std::vector<int> progress;
    std::vector<bool> enabledWhileProgressing;
};

TEST_F(MakePreviewTest, FewerThanTwoFramesAreRefusedByMakeAndPreviewAlike)
{
    for (int rows : {0, 1}) {
        if (rows == 1)
            addPictures({QStringLiteral("only.png")});
        panel->txtOutputFile->setText(output());
        dialogs.clear();
        trigger(QStringLiteral("mnuFileSub9"));
        trigger(QStringLiteral("Toolbar1_make"));
        trigger(QStringLiteral("mnuToolsSub1"));
        trigger(QStringLiteral("Toolbar1_preview"));

        const QString make = box("Please add frames to make animated gif");
        const QString preview = box("Please add more than 1 frame first");
        EXPECT_EQ(dialogs.boxes(), (QStringList{make, make, preview, preview})) << rows;
        EXPECT_EQ(dialogs.calls.size(), 4u);
        EXPECT_TRUE(window->isEnabled() && progress.empty() && shown.empty());
        EXPECT_FALSE(QFileInfo::exists(output()));
        EXPECT_FALSE(QFileInfo::exists(window->context().previewFile()));
    }
}

TEST_F(MakePreviewTest, MakeAsksForTheOutputFileAndStopsSilentlyWhenNoneIsChosen)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    dialogs.clear();
    dialogs.answerCancel();
    trigger(QStringLiteral("mnuFileSub9"));
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, Kind::SaveFile);
    EXPECT_EQ(dialogs.calls[0].request.title, QStringLiteral("Set a gif file name for output ..."));
    EXPECT_TRUE(progress.empty() && shown.empty() && settled());

    dialogs.clear();
    dialogs.answerFile(output());
    trigger(QStringLiteral("Toolbar1_make"));
    EXPECT_EQ(panel->txtOutputFile->text(), output());
    EXPECT_EQ(frameCount(output()), 2);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Created finished!")});
}

TEST_F(MakePreviewTest, FourFramesMoveTheBarThroughBothHalvesWithTheWindowDisabledThenOpenThePlayer)
{
    fourFrames();
    for (int row : {1, 2, 3, 4})
        window->frames().setColumn(row, FrameColumn::Interval, QStringLiteral("5 20 0 150").section(u' ', row - 1, row - 1));

    trigger(QStringLiteral("mnuFileSub9"));

    // First half: one value per frame, 12.5 and 37.5 going to their even neighbours.
    ASSERT_GE(progress.size(), 6u);
    EXPECT_EQ(std::vector<int>(progress.begin(), progress.begin() + 4), (std::vector<int>{12, 25, 38, 50}));
    // Second half: 50 + p / 2 rising to 100, then 0.
    EXPECT_EQ(std::vector<int>(progress.end() - 2, progress.end()), (std::vector<int>{100, 0}));
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end() - 1));
    EXPECT_EQ(enabledWhileProgressing, std::vector<bool>(progress.size(), false));
    EXPECT_TRUE(settled());

    EXPECT_EQ(dialogs.boxes(), QStringList{box("Created finished!")});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].seen, "frmPlay|Player|main enabled|after 1 dialogs|" + output() + "|playing|40x30");

    EXPECT_EQ(decodeGif(output()), QStringLiteral("4 40x30 loop 0 delays 5,20,0,150"));
}

TEST_F(MakePreviewTest, EveryRowTakesPartAndTheLoopTextGoesToTheFileWhenNotLoopingForEver)
{
    fourFrames();
    window->frames().setColumn(3, FrameColumn::Interval, QStringLiteral("70"));
    setRowChecked(2, false);
    setRowChecked(4, true);
    ASSERT_TRUE(QFile::remove(picturesFolder() + QStringLiteral("c.png")));  // row 3's picture
    panel->chkLoop->setChecked(false);
    panel->txtLoop->setText(QStringLiteral("3"));

    window->MakeGif();
    EXPECT_EQ(decodeGif(output()), QStringLiteral("4 40x30 loop 3 delays 50,50,70,50"));
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Created finished!")});
    // The missing picture is marked on its row (texts unchanged) and counted on the status bar.
    const QAbstractItemModel* rows = listView()->model();
    auto marks = [&]() -> QString {
        QStringList seen;
        for (int row = 0; row < rows->rowCount(); ++row)
            seen << QStringLiteral("%1:%2:%3").arg(rows->index(row, 4).data().toString())
                        .arg(rows->index(row, 4).data(Qt::DecorationRole).isNull() ? "-" : "icon",
                             rows->index(row, 4).data(Qt::ToolTipRole).toString());
        return seen.join(u'|') + u'|' + window->findChild<QLabel*>(QStringLiteral("StatusBar1Panel2"))->text();
    };
    EXPECT_EQ(marks(), "a.png:-:|b.png:-:|c.png:icon:The picture file is missing: " + picturesFolder() + "c.png|d.png:-:|1 picture was missing");

    // Ticked, the loop count is 0 whatever the loop box holds; every frame comes from the cache.
    const auto cached = cacheFiles();
    EXPECT_GE(cached.size(), 3u);
    panel->chkLoop->setChecked(true);
    window->MakeGif();
    EXPECT_EQ(decodeGif(output()), QStringLiteral("4 40x30 loop 0 delays 50,50,70,50"));
    EXPECT_EQ(cacheFiles(), cached);

    ASSERT_TRUE(QFile::copy(picturesFolder() + QStringLiteral("a.png"), picturesFolder() + QStringLiteral("c.png")));
    window->PreviewGif();
    EXPECT_EQ(marks(), "a.png:-:|b.png:-:|c.png:-:|d.png:-:|");
}

TEST_F(MakePreviewTest, APictureThatCannotBeConvertedIsToldOnceAndTheMakeStillEnds)
{
    addPictures({QStringLiteral("a.png")});
    const QString bad = picturesFolder() + QStringLiteral("bad.png");
    writeFile(bad, "this is no picture at all");
    dialogs.answerFiles({bad});
    trigger(QStringLiteral("mnuFileSub7"));
    addPictures({QStringLiteral("c.png")});
    ASSERT_EQ(rowCount(), 3);
    panel->txtOutputFile->setText(output());
    dialogs.clear();

    trigger(QStringLiteral("Toolbar1_make"));
    expectOneBox("The animated GIF was made, but 1 picture could not be converted.", MessageIcon::Exclamation);
    EXPECT_TRUE(dialogs.messageTexts().join(u'|').contains(QStringLiteral("Frame 2: ") + bad));
    EXPECT_TRUE(settled());
    EXPECT_EQ(frameCount(output()), 3);
    ASSERT_EQ(shown.size(), 1u);  // the GIF exists: the player opens on it
    EXPECT_TRUE(shown[0].seen.startsWith("frmPlay|"));

    // The preview tells it the same way, once, and still shows.
    dialogs.clear();
    shown.clear();
    window->PreviewGif();
    expectOneBox("The preview was made, but 1 picture", MessageIcon::Exclamation);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].seen.startsWith("frmView|"));
}

TEST_F(MakePreviewTest, AFailedWriteIsToldOnceAndLeavesTheWindowEnabledAndAnEarlierFileIntact)
{
    fourFrames();
    const QString unreachable = path(QStringLiteral("no-such-folder/out.gif"));
    panel->txtOutputFile->setText(unreachable);
    window->MakeGif();
    expectOneBox("The animated GIF could not be made.\n\n", MessageIcon::Critical);
    EXPECT_TRUE(settled() && progress.back() == 0 && shown.empty());

    // A size that is no size fails before anything is written: a good GIF made earlier stays.
    panel->txtOutputFile->setText(output());
    window->MakeGif();
    const QByteArray good = readFile(output());
    ASSERT_FALSE(good.isEmpty());
    dialogs.clear();
    shown.clear();
    panel->txtWidth->setText(QStringLiteral("wide"));
    window->MakeGif();
    expectOneBox("", MessageIcon::Critical);
    EXPECT_TRUE(settled() && shown.empty());
    EXPECT_EQ(readFile(output()), good);

    // A preview that cannot be written: one box, no preview window.
    panel->txtWidth->setText(QStringLiteral("40"));
    window->context().setTempFolder(path(QStringLiteral("no-such-temp")));
    dialogs.clear();
    window->PreviewGif();
    expectOneBox("The preview could not be made.", MessageIcon::Critical);
    EXPECT_TRUE(settled() && shown.empty());
}

TEST_F(MakePreviewTest, PreviewWritesThePreviewFileAndShowsItInAWindowSizedFromWidthAndHeight)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    panel->txtWidth->setText(QStringLiteral("100"));
    panel->txtHeight->setText(QStringLiteral("75"));
    dialogs.clear();
    trigger(QStringLiteral("mnuToolsSub1"));  // no output file is needed

    const QString expected = window->context().tempFolder() + QStringLiteral("__tmp__preview.gif");
    EXPECT_EQ(window->context().previewFile(), expected);
    EXPECT_EQ(decodeGif(expected).section(u' ', 0, 1), QStringLiteral("2 100x75"));
    EXPECT_TRUE(dialogs.calls.empty() && settled());
    EXPECT_EQ(std::vector<int>(progress.begin(), progress.begin() + 2), (std::vector<int>{25, 50}));
    EXPECT_EQ(enabledWhileProgressing, std::vector<bool>(progress.size(), false));

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].seen, "frmView|Preview|main enabled|after 0 dialogs|looping|100x75|filled");
    // The client area is the animation: 1680 by 1590 twips less the frame and title bar.
    EXPECT_EQ(shown[0].size, QSize(100, 75));

    // The preview file is formed again before every write, from the temp folder of the moment.
    const QString otherTemp = path(QStringLiteral("temp2"));
    ASSERT_TRUE(QDir().mkpath(otherTemp));
    window->context().setTempFolder(otherTemp);
    panel->txtWidth->setText(QStringLiteral("64"));
    panel->txtHeight->setText(QStringLiteral("8"));
    shown.clear();
    trigger(QStringLiteral("Toolbar1_preview"));
    EXPECT_EQ(window->context().previewFile(), QDir(otherTemp).filePath(QStringLiteral("__tmp__preview.gif")));
    EXPECT_EQ(decodeGif(window->context().previewFile()).section(u' ', 0, 1), QStringLiteral("2 64x8"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].size, QSize(64, 8));
}

TEST_F(MakePreviewTest, TheWindowRunsEventsWhileAMakeRunsAndTakesNoSecondCommandOrCloseMeanwhile)
{
    fourFrames();
    bool ran = false, enabledThen = true, closedThen = true, busyThen = false;
    QTimer::singleShot(0, window.get(), [&] {
        ran = true;
        enabledThen = window->isEnabled();
        busyThen = window->isMakingGif();
        window->MakeGif();
        window->PreviewGif();
        window->ShowPlayer();
        closedThen = window->close();
    });
    window->MakeGif();
    EXPECT_TRUE(ran && !enabledThen && busyThen && !closedThen);
    EXPECT_TRUE(window->isVisible() && !window->isMakingGif());
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Created finished!")});
    EXPECT_EQ(shown.size(), 1u);
}

}  // namespace
}  // namespace pictoreel::testing
