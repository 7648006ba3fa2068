// The portal exchanges (ScreenCast, GlobalShortcuts) against a portal of the test's own.
#include "portal/recording_path.h"
#include "portal/stop_shortcut.h"

#include "fake_portal.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace pictoreel {
namespace {

class PortalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (portal_.address().isEmpty())
            GTEST_SKIP() << "dbus-daemon could not be started";
    }
    testing::FakePortal portal_;
};

TEST_F(PortalTest, AWindowWithThePointerGoesThroughEveryStepToTheRemote)
{
    portal_.serve();
    const Result<PortalStream> stream = ScreenCastPortal(portal_.client()).start(PortalSource::Window, true, 5000);
    ASSERT_TRUE(stream) << stream.error().message.toStdString();
    EXPECT_EQ(portal_.calls(), (QStringList{QStringLiteral("ScreenCast.CreateSession"), QStringLiteral("ScreenCast.SelectSources"),
                                            QStringLiteral("ScreenCast.Start"), QStringLiteral("ScreenCast.OpenPipeWireRemote")}));
    const QVariantMap sources = portal_.optionsOf(QStringLiteral("ScreenCast.SelectSources"));
    EXPECT_EQ(sources.value(QStringLiteral("types")).toUInt(), 2u);
    EXPECT_EQ(sources.value(QStringLiteral("cursor_mode")).toUInt(), 2u);
    EXPECT_FALSE(sources.value(QStringLiteral("multiple")).toBool());
    EXPECT_NE(sources.value(QStringLiteral("handle_token")),
              portal_.optionsOf(QStringLiteral("ScreenCast.Start")).value(QStringLiteral("handle_token")));
    EXPECT_TRUE(stream.value().session.startsWith(QLatin1String("/org/freedesktop/portal/desktop/session/")));
    EXPECT_EQ(stream.value().node, 42u);
    // The remote is the portal's descriptor, handed over.
    ASSERT_EQ(::write(portal_.remoteEnd, "pw", 2), 2);
    char got[2] = {};
    EXPECT_EQ(::read(stream.value().fd, got, 2), 2);
    EXPECT_EQ(QByteArray(got, 2), QByteArray("pw"));
    ::close(stream.value().fd);
}

TEST_F(PortalTest, DecliningClosesTheSessionAndAMissingPortalOrKindIsExplained)
{
    ScreenCastPortal portal(portal_.client());
    ASSERT_TRUE(portal.unavailable(PortalSource::Monitor));
    EXPECT_TRUE(portal.unavailable(PortalSource::Monitor)->contains(QLatin1String("does not answer")));
    EXPECT_EQ(portal.start(PortalSource::Monitor, false, 5000).error().code, ErrorCode::LibraryFailure);

    portal_.serve();
    portal_.answers.sourceTypes = 1;
    EXPECT_FALSE(portal.unavailable(PortalSource::Monitor));
    EXPECT_TRUE(portal.unavailable(PortalSource::Window)->contains(QLatin1String("single windows")));

    portal_.answers.startAnswer = 1;
    const Result<PortalStream> declined = portal.start(PortalSource::Monitor, false, 5000);
    ASSERT_FALSE(declined);
    EXPECT_EQ(declined.error().code, ErrorCode::Cancelled);
    EXPECT_EQ(portal_.optionsOf(QStringLiteral("ScreenCast.SelectSources")).value(QStringLiteral("cursor_mode")).toUInt(), 1u);
    testing::runEventsUntil([&] { return portal_.calls().contains(QStringLiteral("Session.Close")); }, 2000);
    EXPECT_EQ(portal_.calls().mid(2), (QStringList{QStringLiteral("ScreenCast.Start"), QStringLiteral("Session.Close")}));
}

// The portal places the shared screen on the desktop (logical units); the stream may be scaled.
TEST_F(PortalTest, ARegionOfTheDesktopIsCutFromTheSharedScreenWhereThePortalPlacesIt)
{
    portal_.serve();
    portal_.answers.streamSize = {1280, 720};
    portal_.answers.streamPosition = {1920, 0};
    const Result<PortalStream> stream = ScreenCastPortal(portal_.client()).start(PortalSource::Monitor, false, 5000);
    ASSERT_TRUE(stream);
    ::close(stream.value().fd);
    const ScreenPlacement placed = stream.value().placement;
    EXPECT_EQ((std::vector{placed.x, placed.y, placed.width, placed.height}), (std::vector{1920, 0, 1280, 720}));

    struct Case {
        CaptureRect region;
        ScreenPlacement placement;
        int pixelWidth, pixelHeight;
        std::optional<CaptureRect> expected;
    } cases[] = {
        {{1930, 10, 100, 50}, placed, 1280, 720, CaptureRect{10, 10, 100, 50}},      // same scale: moved only
        {{1930, 10, 100, 50}, placed, 2560, 1440, CaptureRect{20, 20, 200, 100}},    // twice the pixels
        {{1921, 1, 101, 3}, placed, 1920, 1080, CaptureRect{1, 1, 152, 5}},          // 1.5: partial pixels taken whole
        {{1920, 0, 1280, 720}, placed, 1920, 1080, CaptureRect{0, 0, 1920, 1080}},   // the whole screen
        {{0, 0, 320, 240}, {}, 320, 240, CaptureRect{0, 0, 320, 240}},               // nothing said: the stream's pixels
        {{1900, 0, 100, 50}, placed, 1280, 720, std::nullopt},                       // partly on the screen left of it
        {{3150, 700, 100, 50}, placed, 1280, 720, std::nullopt},                     // over the bottom right
    };
    for (const Case& c : cases) {
        const Result<CaptureRect> got = regionOnStream(c.region, c.placement, c.pixelWidth, c.pixelHeight);
        ASSERT_EQ(bool(got), c.expected.has_value()) << c.region.x << "," << c.region.y;
        if (got)
            EXPECT_EQ(got.value(), *c.expected) << got.value().x << "," << got.value().y << " " << got.value().width << "x" << got.value().height;
        else
            EXPECT_EQ(got.error().code, ErrorCode::InvalidArgument);
    }
}

TEST_F(PortalTest, TheStopShortcutIsBoundAndPressedInItsOwnSessionOnly)
{
    portal_.serve();
    {
        StopShortcut shortcut(portal_.client());
        ASSERT_TRUE(testing::runEventsUntil([&] { return shortcut.bound(); }));
        const QString path = portal_.lastSession();
        portal_.activate(path, QStringLiteral("other"));
        portal_.activate(path + QStringLiteral("x"), QLatin1String(kStopShortcutId));
        testing::runEventsUntil([] { return false; }, 300);
        EXPECT_FALSE(shortcut.pressed());
        portal_.activate(path, QLatin1String(kStopShortcutId));
        EXPECT_TRUE(testing::runEventsUntil([&] { return shortcut.pressed(); }));
    }
    EXPECT_TRUE(testing::runEventsUntil([&] { return portal_.calls().endsWith(QStringLiteral("Session.Close")); }));

    // A desktop without the portal: nothing is bound and nothing fails.
    portal_.answers.shortcuts = false;
    StopShortcut none(portal_.client());
    testing::runEventsUntil([] { return false; }, 300);
    EXPECT_FALSE(none.bound());
    EXPECT_FALSE(none.pressed());
}

}  // namespace
}  // namespace pictoreel
