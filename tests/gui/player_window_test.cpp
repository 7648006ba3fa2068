// The player window `frmPlay`: its controls and layout, play / pause / load, playing by itself
// when it becomes active, the GIF at its own pixel size, frames shown for their delays and
// playback that follows the loop setting; and how the main window opens it.
#include "gui/support/gui_test.h"
#include "gui/support/window_fixture.h"

#include "core/media/player_component.h"
#include "gui/player_window.h"
#include "gui/gif_view.h"
#include "gui/make_commands.h"

#include <QDialog>

namespace pictoreel::testing {
namespace {

QColor shownColour(GifView* view, QPoint at = {1, 1}) { return view->grab().toImage().pixelColor(at); }

class PlayerWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        player = std::make_unique<PlayerWindow>(dialogs);
    }
    void TearDown() override { player.reset(); }

    QString file(const QString& name) const { return dir.filePath(name); }
    GifView* view() const { return player->PlayGif1; }
    int shownFrame() const { return view()->component().currentFrameIndex(); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<PlayerWindow> player;
};

TEST_F(PlayerWindowTest, ControlsSitInTheStripAndTheFileBoxAndPictureFollowTheWindow)
{
    EXPECT_EQ(QStringList({player->objectName(), player->windowTitle(), player->OKButton->text(), player->cmdPause->text(),
                           player->cmdLoad->text()}),
              QStringList({"frmPlay", "Player", "&Play", "Pa&use", "&Load File ..."}));
    EXPECT_EQ(player->size(), QSize(6495 / 15, 4485 / 15));
    EXPECT_EQ(player->OKButton->geometry(), twipsRect(120, 120, 975, 300));
    EXPECT_EQ(player->cmdPause->geometry(), twipsRect(1200, 120, 975, 300));
    EXPECT_EQ(player->cmdLoad->geometry(), twipsRect(2280, 120, 1095, 300));
    EXPECT_EQ(player->txtPlay->geometry(), twipsRect(3480, 120, 6495 - 3720, 300));
    for (QWidget* w : std::initializer_list<QWidget*>{player->OKButton, player->cmdPause, player->cmdLoad, player->txtPlay,
                                                      player->Picture1, player->PlayGif1})
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
    EXPECT_TRUE(player->OKButton->nextInFocusChain() == player->cmdPause && player->cmdLoad->nextInFocusChain() == player->txtPlay);

    player->show();
    player->resize(700, 500);
    EXPECT_EQ(player->txtPlay->width(), 700 - 3720 / 15);
    EXPECT_EQ(player->Picture1->geometry(), QRect(0, 36, 700, 464));
    // Too small for the box and the picture: those places are not taken.
    player->resize(200, 30);
    EXPECT_TRUE(player->txtPlay->width() == 700 - 3720 / 15 && player->Picture1->geometry() == QRect(0, 36, 700, 464));
    EXPECT_FALSE(player->PlayGif1->isVisible());  // nothing played yet
}

TEST_F(PlayerWindowTest, PlayShowsTheGifAtItsOwnSizeAndEachFrameForItsDelayWhileLoopingForEver)
{
    const QString gif = writeFlatGif(file(QStringLiteral("a.gif")), {120, 60}, {5, 0, 30}, 0);
    player->show();
    player->resize(300, 120);
    player->txtPlay->setText(gif);
    player->OKButton->click();

    EXPECT_TRUE(view()->isVisible());
    EXPECT_EQ(view()->size(), QSize(120, 60));  // 1800 by 900 twips, not the window's size
    EXPECT_EQ(view()->pos(), QPoint(0, 0));
    EXPECT_TRUE(view()->component().loopPlayback());
    EXPECT_TRUE(view()->isAnimating());
    EXPECT_EQ(shownFrame(), 0);
    EXPECT_EQ(view()->shownFrameDelayMilliseconds(), 50);
    EXPECT_EQ(shownColour(view()), flatColour(0));
    EXPECT_EQ(shownColour(view(), {119, 59}), flatColour(0));

    view()->showNextFrame();
    EXPECT_EQ(shownFrame(), 1);
    EXPECT_EQ(view()->shownFrameDelayMilliseconds(), 100);  // a delay of 0 plays as 10/100 s
    EXPECT_EQ(shownColour(view()), flatColour(1));
    view()->showNextFrame();
    EXPECT_EQ(view()->shownFrameDelayMilliseconds(), 300);
    view()->showNextFrame();
    EXPECT_EQ(shownFrame(), 0);  // the loop block says for ever
    EXPECT_TRUE(view()->isAnimating());
    EXPECT_EQ(shownColour(view()), flatColour(0));

    // And the real timer moves it on by itself.
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownFrame() == 1; }, 2000));
}

TEST_F(PlayerWindowTest, PlaybackEndsOnTheLastFrameWhenTheFileSaysSo)
{
    const QString once = writeFlatGif(file(QStringLiteral("once.gif")), {10, 10}, {2, 2, 2}, std::nullopt);
    const QString twice = writeFlatGif(file(QStringLiteral("twice.gif")), {10, 10}, {2, 2, 2}, 1);
    player->show();

    player->txtPlay->setText(once);
    player->OKButton_Click();
    view()->showNextFrame();
    view()->showNextFrame();
    EXPECT_TRUE(view()->isAnimating());
    view()->showNextFrame();
    EXPECT_FALSE(view()->isAnimating());
    EXPECT_EQ(shownFrame(), 2);
    EXPECT_EQ(shownColour(view()), flatColour(2));

    player->txtPlay->setText(twice);
    player->OKButton_Click();
    for (int i = 0; i < 5; ++i) {
        view()->showNextFrame();
        EXPECT_TRUE(view()->isAnimating()) << i;
    }
    view()->showNextFrame();
    EXPECT_FALSE(view()->isAnimating());
    EXPECT_EQ(shownFrame(), 2);
}

TEST_F(PlayerWindowTest, PauseHoldsTheFrameAndPlayLoadsTheFileAgain)
{
    const QString gif = writeFlatGif(file(QStringLiteral("a.gif")), {40, 20}, {10, 10, 10}, 0);
    player->show();
    player->txtPlay->setText(gif);
    player->OKButton_Click();
    view()->showNextFrame();
    player->cmdPause->click();
    EXPECT_FALSE(view()->isAnimating());
    EXPECT_EQ(shownFrame(), 1);
    EXPECT_EQ(shownColour(view()), flatColour(1));

    // The file changed meanwhile: "&Play" runs all of its steps again, the load included.
    QFile::remove(gif);
    writeFlatGif(gif, {50, 30}, {7, 7}, 0);
    player->OKButton->click();
    EXPECT_EQ(view()->size(), QSize(50, 30));
    EXPECT_EQ(view()->component().FrameCount(), 2);
    EXPECT_EQ(shownFrame(), 0);
    EXPECT_TRUE(view()->isAnimating());
    EXPECT_EQ(view()->shownFrameDelayMilliseconds(), 70);
}

TEST_F(PlayerWindowTest, LoadChoosesAGifThroughTheOpenDialogAndACancelChangesNothing)
{
    const QString gif = writeFlatGif(file(QStringLiteral("a.gif")), {30, 20}, {10, 10}, 0);
    player->show();
    player->txtPlay->setText(QStringLiteral("/before.gif"));
    dialogs.answerCancel();
    player->cmdLoad->click();
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, DialogCall::Kind::OpenFile);
    EXPECT_EQ(dialogs.calls[0].request.filter, QStringLiteral("Animated GIF Files(*.gif)|*.gif"));
    EXPECT_EQ(player->txtPlay->text(), QStringLiteral("/before.gif"));
    EXPECT_FALSE(view()->isVisible());

    dialogs.answerFile(gif);
    player->cmdLoad->click();
    EXPECT_EQ(player->txtPlay->text(), gif);
    EXPECT_TRUE(view()->isAnimating());
    EXPECT_EQ(view()->size(), QSize(30, 20));
}

TEST_F(PlayerWindowTest, AFileThatWillNotPlayIsNotToldAndShowsNothing)
{
    const QString gif = writeFlatGif(file(QStringLiteral("a.gif")), {30, 20}, {10, 10}, 0);
    player->show();
    player->txtPlay->setText(gif);
    player->OKButton_Click();
    ASSERT_TRUE(view()->isAnimating());

    const QString notGif = file(QStringLiteral("text.gif"));
    writeFile(notGif, "GIF? no");
    for (const QString& name : {file(QStringLiteral("missing.gif")), notGif, QString()}) {
        player->txtPlay->setText(name);
        player->OKButton_Click();
        EXPECT_FALSE(view()->isAnimating()) << name.toStdString();
        EXPECT_FALSE(view()->component().hasGif());
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(PlayerWindowTest, BecomingTheActiveWindowPlaysTheFileNamedInTheBox)
{
    const QString gif = writeFlatGif(file(QStringLiteral("a.gif")), {30, 20}, {10, 10}, 0);
    player->txtPlay->setText(QStringLiteral("   "));
    player->show();
    player->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(player.get()));
    EXPECT_FALSE(view()->isVisible());  // blanks: nothing to play

    // Another window takes the activation, as a window manager gives it on hiding.
    player->hide();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; }));
    player->txtPlay->setText(gif);
    player->show();
    player->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(player.get()));
    EXPECT_TRUE(view()->isVisible());
    EXPECT_TRUE(view()->isAnimating());
}

// ---- opened from the main window ---------------------------------------------------------------

class ShowPlayerTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window->makeCommands().setWindowRunner(lookAndClose([this](QDialog& w) {
            auto* p = qobject_cast<PlayerWindow*>(&w);
            ASSERT_NE(p, nullptr);
            opened.push_back({p->txtPlay->text(), p->PlayGif1->isAnimating(), p});
        }));
    }
    struct Opened {
        QString txtPlay;
        bool playing = false;
        PlayerWindow* window = nullptr;
    };
    std::vector<Opened> opened;
};

TEST_F(ShowPlayerTest, ToolsMenuAndToolbarOpenThePlayerOnTheOutputFileMadeOrNot)
{
    trigger(QStringLiteral("mnuToolsSub2"));  // nothing made, no output file
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].txtPlay, QString());
    EXPECT_FALSE(opened[0].playing);

    panel->txtOutputFile->setText(path(QStringLiteral("not-made.gif")));
    trigger(QStringLiteral("Toolbar1_play"));
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].txtPlay, path(QStringLiteral("not-made.gif")));
    EXPECT_FALSE(opened[1].playing);
    EXPECT_EQ(opened[1].window, opened[0].window);  // made once, shown again

    const QString gif = writeFlatGif(path(QStringLiteral("made.gif")), {16, 16}, {10, 10}, 0);
    panel->txtOutputFile->setText(gif);
    trigger(QStringLiteral("mnuToolsSub2"));
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(opened[2].txtPlay, gif);
    EXPECT_TRUE(opened[2].playing);
    EXPECT_TRUE(dialogs.calls.empty());
    // Closed, it stops drawing frames.
    EXPECT_FALSE(window->makeCommands().playerWindow()->PlayGif1->isAnimating());
}

}  // namespace
}  // namespace pictoreel::testing
