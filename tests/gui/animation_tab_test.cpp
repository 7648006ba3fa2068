// The main window's Animation tab: made from the project while it is shown, stepped frame by
// frame, made again when the project changes, and stopped by a make or by closing the window.
#include "gui/support/window_fixture.h"

#include "gui/main_window/animation_tab.h"
#include "gui/main_window/make_commands.h"
#include "gui/player/player_window.h"
#include "gui/widgets/gif_view.h"

namespace pictoreel::testing {
namespace {

constexpr int kWait = 60000;

class AnimationTabTest : public WindowTest {
protected:
    AnimationTab* tab() const { return part<AnimationTab>(QStringLiteral("picAnimationTab")); }
    PlayerComponent& player() const { return part<GifView>(QStringLiteral("PlayGifAnim"))->component(); }
    void showTab() const { part<QTabWidget>(QStringLiteral("SSTab2"))->setCurrentWidget(tab()); }
    // The colour at the top-left corner of frame `index`.
    QColor colourOf(int index) const
    {
        const Result<PlayerFrame> frame = player().frame(index);
        return frame ? QColor(frame.value().image.pixels[0], frame.value().image.pixels[1], frame.value().image.pixels[2]) : QColor();
    }
};

TEST_F(AnimationTabTest, PlaysStepsAndFollowsTheProject)
{
    addPictures({QStringLiteral("a.png")});
    showTab();
    EXPECT_EQ(textOf("lAnimMessage"), QLatin1String(kTooFewFramesToPreview));
    addPictures({QStringLiteral("b.png"), QStringLiteral("c.png")});
    QTRY_COMPARE_WITH_TIMEOUT(player().FrameCount(), 3, kWait);
    EXPECT_TRUE(part("picAnimation")->isVisible() && textOf("lAnimMessage").isEmpty());

    // Stepping pauses and wraps around at both ends.
    click(window.get(), "cmdAnimNext");
    const int first = player().currentFrameIndex();
    EXPECT_FALSE(player().isPlaying());
    for (const auto& [button, frame] : {std::pair{"cmdAnimNext", first + 1}, {"cmdAnimNext", first + 2},
                                        {"cmdAnimBack", first + 1}, {"cmdAnimBack", first}, {"cmdAnimBack", first + 2}}) {
        click(window.get(), button);
        EXPECT_EQ(textOf("lAnimFrame"), QStringLiteral("Frame %1 / 3").arg(frame % 3 + 1)) << button;
    }
    click(window.get(), "cmdAnimPlay");
    EXPECT_TRUE(player().isPlaying());
    EXPECT_EQ(textOf("cmdAnimPlay"), QStringLiteral("Pa&use"));

    // A row's new picture, then a new width, are made again; the shown frames follow.
    makePicture(QStringLiteral("blue.png"), 40, 30, Qt::blue);
    window->frames().setColumn(2, FrameColumn::FileName, QStringLiteral("blue.png"));
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(1), QColor(Qt::blue), kWait);
    EXPECT_EQ(colourOf(0), QColor(Qt::red));
    panel->setFrameWidth(24);
    Q_EMIT panel->frameSizeEdited();
    QTRY_COMPARE_WITH_TIMEOUT(player().GifWidth(), 24, kWait);

    // Fewer than two rows: the message again.
    window->frames().removeRows({2, 3});
    QTRY_COMPARE_WITH_TIMEOUT(textOf("lAnimMessage"), QLatin1String(kTooFewFramesToPreview), kWait);
    EXPECT_FALSE(part("picAnimation")->isVisible() || part("cmdAnimPlay")->isEnabled());
}

TEST_F(AnimationTabTest, GivesWayToMakesAndToClosingTheWindow)
{
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png"), QStringLiteral("c.png")}, 400, 300);
    showTab();
    ASSERT_TRUE(tab()->isMaking());
    // A make of the window stops the tab's make at once; once the window takes input again, the
    // tab makes again.
    panel->setOutputFile(path(QStringLiteral("out.gif")));
    trigger(QStringLiteral("mnuFileSub9"));
    EXPECT_TRUE(window->isMakingGif() && !tab()->isMaking());
    window->makeCommands().cancelAndWait();
    EXPECT_TRUE(tab()->isMaking());

    // A close stops it; when the question to save is cancelled, the tab makes its animation again.
    dialogs.messageAnswers.push_back(MessageAnswer::Cancel);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(tab()->isMaking());
    QTRY_COMPARE_WITH_TIMEOUT(player().FrameCount(), 3, kWait);

    dialogs.messageAnswers.push_back(MessageAnswer::No);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(tab()->isMaking());
    EXPECT_FALSE(QFileInfo::exists(window->context().tempFolder() + QLatin1String(kAnimationTabFile)));
}

}  // namespace
}  // namespace pictoreel::testing
