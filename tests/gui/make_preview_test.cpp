// Make and Preview through the main window's menus and toolbar: the refusals, the output file
// question, the progress bar and the enabled state while the work runs, the file written, the
// completion (message, player, preview window), and failures told once with the window enabled.
#include "gui/support/window_fixture.h"

#include "core/media/player_component.h"
#include "gui/frm_play.h"
#include "gui/frm_view.h"
#include "gui/gif_view.h"
#include "gui/make_commands.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <map>

namespace pictoreel::testing {
namespace {

using Kind = DialogCall::Kind;

// What a modal window showed when it was opened.
struct ShownWindow {
    QString objectName;
    QString title;
    QSize size;
    bool mainWindowEnabled = false;
    std::size_t dialogCallsBefore = 0;
    QString txtPlay;         // the player's file box
    bool playing = false;    // its player animating the file
    QSize playerSize;        // the player control's size
    bool pictureFillsWindow = false;
};

// One GIF as a fresh player component reads it.
struct DecodedGif {
    int frames = 0;
    int width = 0, height = 0;
    std::optional<int> loopCount;
    std::vector<int> delays;
};

DecodedGif decodeGif(const QString& file)
{
    PlayerComponent player;
    DecodedGif gif;
    if (!player.LoadGif(file))
        return gif;
    gif.frames = player.FrameCount();
    gif.width = player.GifWidth();
    gif.height = player.GifHeight();
    gif.loopCount = player.gifLoopCount();
    for (int i = 0; i < gif.frames; ++i) {
        const Result<PlayerFrame> frame = player.frame(i);
        gif.delays.push_back(frame ? frame.value().delayCentiseconds : -1);
    }
    return gif;
}

class MakePreviewTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        commands().setConversionJobs(1);
        // Modal windows are shown, looked at and closed at once: nothing waits on them.
        commands().setWindowRunner([this](QDialog& w) {
            w.show();
            w.activateWindow();
            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &w; }));
            ShownWindow s;
            s.objectName = w.objectName();
            s.title = w.windowTitle();
            s.size = w.size();
            s.mainWindowEnabled = window->isEnabled();
            s.dialogCallsBefore = dialogs.calls.size();
            if (auto* player = qobject_cast<frmPlay*>(&w)) {
                s.txtPlay = player->txtPlay->text();
                s.playing = player->PlayGif1->isAnimating();
                s.playerSize = player->PlayGif1->size();
            } else if (auto* preview = qobject_cast<frmView*>(&w)) {
                s.playing = preview->PlayGif1->isAnimating() && preview->PlayGif1->component().loopPlayback();
                s.playerSize = preview->PlayGif1->size();
                s.pictureFillsWindow = preview->Picture1->geometry() == preview->rect();
            }
            shown.push_back(s);
            // Closed, it hands the activation back, as a window manager does.
            w.hide();
            window->activateWindow();
            EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window.get(); }));
        });
        QObject::connect(window->pbPer, &QProgressBar::valueChanged, window.get(), [this](int value) {
            progress.push_back(value);
            enabledWhileProgressing.push_back(window->isEnabled());
        });
    }

    MakeCommands& commands() { return window->makeCommands(); }
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
        const QDir temp(window->TempFolder());
        for (const QFileInfo& info : temp.entryInfoList({QStringLiteral("__tmp__*__.gif")}, QDir::Files))
            files[info.fileName()] = info.lastModified();
        return files;
    }

    void expectOneMessage(const QString& text, MessageIcon icon)
    {
        const auto messages = dialogs.messages();
        ASSERT_EQ(messages.size(), 1u) << dialogs.messageTexts().join(u'|').toStdString();
        EXPECT_EQ(messages[0].text, text);
        EXPECT_EQ(messages[0].caption, QStringLiteral("Pictoreel"));
        EXPECT_EQ(messages[0].icon, icon);
        EXPECT_EQ(messages[0].buttons, MessageButtons::Ok);
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
        window->mnuFileSub[9]->trigger();
        window->Toolbar1_ButtonClick(QStringLiteral("make"));
        window->mnuToolsSub[1]->trigger();
        window->Toolbar1_ButtonClick(QStringLiteral("preview"));

        const QString make = QStringLiteral("Please add frames to make animated gif");
        const QString preview = QStringLiteral("Please add more than 1 frame first");
        EXPECT_EQ(dialogs.messageTexts(), (QStringList{make, make, preview, preview})) << rows;
        for (const DialogCall& call : dialogs.calls) {
            EXPECT_EQ(call.kind, Kind::Message);
            EXPECT_EQ(call.icon, MessageIcon::Information);
            EXPECT_EQ(call.caption, QStringLiteral("Pictoreel"));
            EXPECT_EQ(call.buttons, MessageButtons::Ok);
        }
        EXPECT_TRUE(window->isEnabled());
        EXPECT_TRUE(progress.empty());
        EXPECT_TRUE(shown.empty());
        EXPECT_FALSE(QFileInfo::exists(output()));
        EXPECT_FALSE(QFileInfo::exists(window->PreviewFile()));
    }
}

TEST_F(MakePreviewTest, MakeAsksForTheOutputFileAndStopsSilentlyWhenNoneIsChosen)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    dialogs.clear();
    dialogs.answerCancel();
    window->mnuFileSub[9]->trigger();
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, Kind::SaveFile);
    EXPECT_EQ(dialogs.calls[0].request.title, QStringLiteral("Set a gif file name for output ..."));
    EXPECT_TRUE(progress.empty());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(shown.empty());

    dialogs.clear();
    dialogs.answerFile(output());
    window->Toolbar1_ButtonClick(QStringLiteral("make"));
    EXPECT_EQ(panel->txtOutputFile->text(), output());
    EXPECT_EQ(decodeGif(output()).frames, 2);
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Created finished!")});
}

TEST_F(MakePreviewTest, FourFramesMoveTheBarThroughBothHalvesWithTheWindowDisabledThenOpenThePlayer)
{
    fourFrames();
    const int intervals[] = {5, 20, 0, 150};
    for (int row = 1; row <= 4; ++row)
        window->frames().setColumn(row, FrameColumn::Interval, QString::number(intervals[row - 1]));

    window->mnuFileSub[9]->trigger();

    // First half: one value per frame, 12.5 and 37.5 going to their even neighbours.
    ASSERT_GE(progress.size(), 6u);
    EXPECT_EQ(std::vector<int>(progress.begin(), progress.begin() + 4), (std::vector<int>{12, 25, 38, 50}));
    // Second half: 50 + p / 2 rising to 100, then 0.
    EXPECT_EQ(progress.back(), 0);
    EXPECT_EQ(progress[progress.size() - 2], 100);
    for (std::size_t i = 4; i + 1 < progress.size(); ++i) {
        EXPECT_GE(progress[i], progress[i - 1]) << i;
        EXPECT_LE(progress[i], 100);
    }
    for (std::size_t i = 0; i < enabledWhileProgressing.size(); ++i)
        EXPECT_FALSE(enabledWhileProgressing[i]) << "enabled at progress value " << progress[i];
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(window->pbPer->value(), 0);

    expectOneMessage(QStringLiteral("Created finished!"), MessageIcon::Information);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].objectName, QStringLiteral("frmPlay"));
    EXPECT_EQ(shown[0].title, QStringLiteral("Player"));
    EXPECT_EQ(shown[0].txtPlay, output());
    EXPECT_TRUE(shown[0].mainWindowEnabled);
    EXPECT_EQ(shown[0].dialogCallsBefore, 1u);  // after the message
    EXPECT_TRUE(shown[0].playing);
    EXPECT_EQ(shown[0].playerSize, QSize(40, 30));

    const DecodedGif gif = decodeGif(output());
    EXPECT_EQ(gif.frames, 4);
    EXPECT_EQ(gif.width, 40);
    EXPECT_EQ(gif.height, 30);
    EXPECT_EQ(gif.loopCount, std::optional<int>(0));
    EXPECT_EQ(gif.delays, (std::vector<int>{5, 20, 0, 150}));
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
    DecodedGif gif = decodeGif(output());
    EXPECT_EQ(gif.frames, 4);
    EXPECT_EQ(gif.delays.at(2), 70);
    EXPECT_EQ(gif.loopCount, std::optional<int>(3));
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Created finished!")});  // the missing picture is not told

    // Ticked, the loop count is 0 whatever the loop box holds; every frame comes from the cache.
    const auto cached = cacheFiles();
    EXPECT_GE(cached.size(), 3u);
    panel->chkLoop->setChecked(true);
    window->MakeGif();
    gif = decodeGif(output());
    EXPECT_EQ(gif.loopCount, std::optional<int>(0));
    EXPECT_EQ(cacheFiles(), cached);
}

TEST_F(MakePreviewTest, APictureThatCannotBeConvertedIsToldOnceAndTheMakeStillEnds)
{
    addPictures({QStringLiteral("a.png")});
    const QString bad = picturesFolder() + QStringLiteral("bad.png");
    {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("this is no picture at all");
    }
    dialogs.answerFiles({bad});
    window->mnuFileSub_Click(7);
    addPictures({QStringLiteral("c.png")});
    ASSERT_EQ(rowCount(), 3);
    panel->txtOutputFile->setText(output());
    dialogs.clear();

    window->Toolbar1_ButtonClick(QStringLiteral("make"));
    const auto messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 1u) << dialogs.messageTexts().join(u'|').toStdString();
    EXPECT_EQ(messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages[0].caption, QStringLiteral("Pictoreel"));
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("The animated GIF was made, but 1 picture could not be converted.")))
        << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("Frame 2: ") + bad)) << messages[0].text.toStdString();
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(window->pbPer->value(), 0);
    EXPECT_EQ(decodeGif(output()).frames, 3);
    ASSERT_EQ(shown.size(), 1u);  // the GIF exists: the player opens on it
    EXPECT_EQ(shown[0].objectName, QStringLiteral("frmPlay"));

    // The preview tells it the same way, once, and still shows.
    dialogs.clear();
    shown.clear();
    window->PreviewGif();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messages()[0].text.startsWith(QStringLiteral("The preview was made, but 1 picture")));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].objectName, QStringLiteral("frmView"));
}

TEST_F(MakePreviewTest, AFailedWriteIsToldOnceAndLeavesTheWindowEnabledAndAnEarlierFileIntact)
{
    fourFrames();
    const QString unreachable = path(QStringLiteral("no-such-folder/out.gif"));
    panel->txtOutputFile->setText(unreachable);
    window->MakeGif();
    auto messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 1u) << dialogs.messageTexts().join(u'|').toStdString();
    EXPECT_EQ(messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(messages[0].caption, QStringLiteral("Pictoreel"));
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("The animated GIF could not be made.\n\n")));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(window->pbPer->value(), 0);
    EXPECT_EQ(progress.back(), 0);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(commands().isBusy());

    // A size that is no size fails before anything is written: a good GIF made earlier stays.
    panel->txtOutputFile->setText(output());
    window->MakeGif();
    const QByteArray good = [&] {
        QFile f(output());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_FALSE(good.isEmpty());
    dialogs.clear();
    shown.clear();
    panel->txtWidth->setText(QStringLiteral("wide"));
    window->MakeGif();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(shown.empty());
    QFile again(output());
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), good);

    // A preview that cannot be written: one box, no preview window.
    panel->txtWidth->setText(QStringLiteral("40"));
    window->setTempFolder(path(QStringLiteral("no-such-temp")));
    dialogs.clear();
    window->PreviewGif();
    messages = dialogs.messages();
    ASSERT_EQ(messages.size(), 1u) << dialogs.messageTexts().join(u'|').toStdString();
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("The preview could not be made.")));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(shown.empty());
}

TEST_F(MakePreviewTest, PreviewWritesThePreviewFileAndShowsItInAWindowSizedFromWidthAndHeight)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    panel->txtWidth->setText(QStringLiteral("100"));
    panel->txtHeight->setText(QStringLiteral("75"));
    dialogs.clear();
    window->mnuToolsSub[1]->trigger();  // no output file is needed

    const QString expected = window->TempFolder() + QStringLiteral("__tmp__preview.gif");
    EXPECT_EQ(window->PreviewFile(), expected);
    const DecodedGif gif = decodeGif(expected);
    EXPECT_EQ(gif.frames, 2);
    EXPECT_EQ(gif.width, 100);
    EXPECT_EQ(gif.height, 75);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(window->pbPer->value(), 0);
    EXPECT_EQ(std::vector<int>(progress.begin(), progress.begin() + 2), (std::vector<int>{25, 50}));
    EXPECT_TRUE(std::all_of(enabledWhileProgressing.begin(), enabledWhileProgressing.end(), [](bool e) { return !e; }));

    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].objectName, QStringLiteral("frmView"));
    EXPECT_EQ(shown[0].title, QStringLiteral("Preview"));
    EXPECT_EQ(frmView::windowSizeTwipsFor(100, 75), QSize(1680, 1590));
    EXPECT_EQ(shown[0].size, QSize(1680 / 15, 1590 / 15));
    EXPECT_TRUE(shown[0].mainWindowEnabled);
    EXPECT_TRUE(shown[0].playing);
    EXPECT_EQ(shown[0].playerSize, QSize(100, 75));
    EXPECT_TRUE(shown[0].pictureFillsWindow);

    // The preview file is formed again before every write, from the temp folder of the moment.
    const QString otherTemp = path(QStringLiteral("temp2"));
    ASSERT_TRUE(QDir().mkpath(otherTemp));
    window->setTempFolder(otherTemp);
    panel->txtWidth->setText(QStringLiteral("64"));
    panel->txtHeight->setText(QStringLiteral("8"));
    shown.clear();
    window->Toolbar1_ButtonClick(QStringLiteral("preview"));
    EXPECT_EQ(window->PreviewFile(), QDir(otherTemp).filePath(QStringLiteral("__tmp__preview.gif")));
    EXPECT_EQ(decodeGif(window->PreviewFile()).width, 64);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].size, QSize(64 + 12, 8 + 31));
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
    EXPECT_TRUE(ran);
    EXPECT_FALSE(enabledThen);
    EXPECT_TRUE(busyThen);
    EXPECT_FALSE(closedThen);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("Created finished!")});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_FALSE(window->isMakingGif());
}

}  // namespace
}  // namespace pictoreel::testing
