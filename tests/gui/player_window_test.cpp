// The player window `frmPlay`: play, pause, load, the GIF at its own size, frames shown for their
// delays, played in a loop; and how the main window opens it.
#include "gui/support/window_fixture.h"
#include "gui/widgets/gif_view.h"
#include "gui/main_window/make_commands.h"
#include "gui/player/player_window.h"

namespace pictoreel::testing {
namespace {

class PlayerWindowTest : public ::testing::Test {
protected:
    void SetUp() override { player->show(); }
    // Writes a GIF of flat frames and plays it with "&Play".
    void play(QSize size, const std::vector<int>& delays)
    {
        QFile::remove(dir.filePath(QStringLiteral("a.gif")));
        player->setGifFile(writeFlatGif(dir.filePath(QStringLiteral("a.gif")), size, delays));
        click(player.get(), "OKButton");
    }
    GifView* view() const { return child<GifView>(player.get(), "PlayGif1"); }
    // The frame shown, its delay, and whether its colour is drawn: "1:100:ok".
    QString shown() const
    {
        const int frame = view()->component().currentFrameIndex();
        const bool drawn = view()->grab().toImage().pixelColor(view()->width() - 1, view()->height() - 1) == flatColour(frame);
        return QStringLiteral("%1:%2:%3").arg(frame).arg(view()->shownFrameDelayMilliseconds()).arg(drawn ? "ok" : "wrong");
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<PlayerWindow> player = std::make_unique<PlayerWindow>(dialogs);
};

TEST_F(PlayerWindowTest, PlaysTheGifAtItsOwnSizeFrameByFrameInALoopPausesAndLoads)
{
    expectCaptions(*player, {{"frmPlay", "Player"}, {"OKButton", "&Play"}, {"cmdPause", "Pa&use"}, {"cmdLoad", "&Load File ..."}});
    EXPECT_FALSE(view()->isVisible());  // nothing played yet
    play({120, 60}, {5, 0, 30});
    EXPECT_TRUE(view()->isVisible() && view()->isAnimating() && view()->geometry() == QRect(0, 0, 120, 60));
    QStringList seen;
    for (int step = 0; step < 4; ++step, view()->showNextFrame())
        seen.append(shown());
    // A delay of 0 plays as 10/100 s; the loop block says for ever.
    EXPECT_EQ(seen.join(u' '), QStringLiteral("0:50:ok 1:100:ok 2:300:ok 0:50:ok"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return view()->component().currentFrameIndex() == 2; }, 2000));  // by the timer

    play({40, 20}, {10, 10, 10});
    view()->showNextFrame();
    click(player.get(), "cmdPause");
    EXPECT_TRUE(!view()->isAnimating() && shown() == QStringLiteral("1:100:ok"));
    play({50, 30}, {7, 7});  // the file changed meanwhile: "&Play" loads it again
    EXPECT_TRUE(view()->size() == QSize(50, 30) && view()->isAnimating() && shown() == QStringLiteral("0:70:ok"));

    writeFile(dir.filePath(QStringLiteral("text.gif")), "GIF? no");
    // Load asks for a GIF and plays it; a cancel changes nothing, a GIF that cannot be read stops the player.
    dialogs.fileAnswers = {{}, {dir.filePath(QStringLiteral("text.gif"))}, {writeFlatGif(dir.filePath("b.gif"), {30, 20}, {10, 10}, 0)}};
    click(player.get(), "cmdLoad");
    click(player.get(), "cmdLoad");
    EXPECT_TRUE(shownText(player.get(), "txtPlay").endsWith(QStringLiteral("text.gif")));
    EXPECT_FALSE(view()->isAnimating() || view()->component().hasGif());
    click(player.get(), "cmdLoad");
    EXPECT_TRUE(shownText(player.get(), "txtPlay").endsWith(QStringLiteral("b.gif")) && view()->isAnimating() && dialogs.messages().empty());
    EXPECT_EQ(dialogs.calls[0].request.filter, QStringLiteral("Animated GIF Files(*.gif)|*.gif"));

    // Narrowed as far as it goes, the window keeps the file box whole and in sight.
    player->resize(10, 10);
    QTest::qWait(0);
    const QRect box = child<QWidget>(player.get(), "txtPlay")->geometry();
    EXPECT_TRUE(box.width() >= 90 && box.right() < player->width()) << box.width() << " of " << player->width();
}

// A GIF larger than the screen: the window opens as large as the screen allows and fits the GIF
// into it, proportions kept (100 % shows it whole); the arrows step through the frames.
TEST_F(PlayerWindowTest, ALargeGifIsFittedIntoAWindowWithinTheScreenAndStepsWithTheArrows)
{
    play({2000, 1000}, {10, 10, 10});
    QTest::qWait(0);
    const QSize screen = player->screen()->availableGeometry().size();
    EXPECT_TRUE(player->width() <= screen.width() && player->height() <= screen.height());
    const QSize shown = view()->size();
    EXPECT_TRUE(shown.width() < 2000 && std::abs(shown.width() - 2 * shown.height()) <= 2) << shown.width() << "x" << shown.height();
    EXPECT_EQ(shownText(player.get(), "lblFrame"), QStringLiteral("Frame 1 / 3"));
    player->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(player.get()));
    child<QWidget>(player.get(), "OKButton")->setFocus();
    QTest::keyClick(player.get(), Qt::Key_Left);
    EXPECT_TRUE(!view()->isAnimating() && view()->component().currentFrameIndex() == 2);
    EXPECT_EQ(shownText(player.get(), "lblFrame"), QStringLiteral("Frame 3 / 3"));
    view()->actions().at(1)->trigger();  // "100 %"
    EXPECT_EQ(view()->size(), QSize(2000, 1000));
}

TEST_F(WindowTest, ToolsMenuAndToolbarOpenThePlayerOnTheOutputFileMadeOrNot)
{
    QStringList opened;  // the box, and whether it plays
    window->makeCommands().setWindowRunner(lookAndClose([&](QDialog& w) {
        opened.append(shownText(&w, "txtPlay") + (child<GifView>(&w, "PlayGif1")->isAnimating() ? "|playing" : "|still"));
    }));
    panel->setOutputFile(path("not-made.gif"));
    trigger("Toolbar1_play");
    panel->setOutputFile(writeFlatGif(path("made.gif"), {16, 16}, {10, 10}, 0));
    trigger("mnuToolsSub2");
    EXPECT_EQ(opened, QStringList({path("not-made.gif") + "|still", path("made.gif") + "|playing"}));
    EXPECT_FALSE(child<GifView>(window->makeCommands().playerWindow(), "PlayGif1")->isAnimating());  // closed, it stops
}

}  // namespace
}  // namespace pictoreel::testing
