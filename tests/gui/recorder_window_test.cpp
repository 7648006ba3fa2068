// Tools, "Record Screen ...": a window changing on an X server of the test's own is recorded
// into rows of the project.
#include "gui/recorder/recorder_window.h"
#include "gui/support/window_fixture.h"
#include "support/x11_test_display.h"
#include "fake_portal.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <unistd.h>

namespace pictoreel::testing {
namespace {

class RecorderWindowTest : public WindowTest {};

TEST_F(RecorderWindowTest, RecordsARegionIntoRowsWithTheTimeLessThePause)
{
    const QByteArray hadDisplay = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    startWindow();
    const QList<QAction*> tools = part<QMenu>("mnuTools")->actions();
    EXPECT_EQ(tools.indexOf(part<QAction>("mnuToolsRecordScreen")), tools.size() - 1);
    EXPECT_FALSE(part<QAction>("mnuToolsRecordScreen")->isEnabled());
    EXPECT_EQ(part<QAction>("mnuToolsRecordScreen")->toolTip(), QStringLiteral("There is no X11 display to record (DISPLAY is not set)"));

    XvfbDisplay display(200, 150);
    if (display.name().isEmpty())
        GTEST_SKIP() << "Xvfb could not be started";
    qputenv("DISPLAY", display.name().toLocal8Bit());
    startWindow();
    ASSERT_TRUE(part<QAction>("mnuToolsRecordScreen")->isEnabled());
    MovingPattern pattern(display.name(), 20, 20, 80, 60);
    ASSERT_TRUE(pattern.ok());
    pattern.start(150);
    QString paused;
    window->setWindowRunner([&](QDialog& w) {
        auto& recorder = dynamic_cast<RecorderWindow&>(w);
        QSignalSpy accepted(&w, &QDialog::accepted);
        recorder.setRegion({20, 20, 80, 60});
        child<QCheckBox>(&w, "chkRecordCountdown")->setChecked(false);
        click(&w, "cmdRecordStart");
        ASSERT_TRUE(recorder.isRecording());
        QTest::qWait(1500);
        click(&w, "cmdRecordPause");
        QTest::qWait(1000);
        paused = child<QLabel>(&w, "lblRecordStatus")->text();
        EXPECT_EQ(child<QPushButton>(&w, "cmdRecordPause")->accessibleName(), QStringLiteral("Resume"));
        click(&w, "cmdRecordPause");
        QTest::qWait(1500);
        click(&w, "cmdRecordStop");
        EXPECT_TRUE(QTest::qWaitFor([&] { return !accepted.isEmpty(); }, 60000));
    });
    trigger("mnuToolsRecordScreen");
    pattern.stop();
    EXPECT_TRUE(paused.startsWith(QStringLiteral("Paused at 00:01."))) << paused.toStdString();
    ASSERT_GE(rowCount(), 5);
    int sum = 0;
    for (int r = 1; r <= rowCount(); ++r) {
        sum += rowTexts(r)[1].toInt();
        // Never saved: the folder is in the temp folder, the files named after it.
        const QString folder = QDir(rowTexts(r)[5]).dirName();
        EXPECT_TRUE(folder.startsWith(QStringLiteral("screen-")) && rowTexts(r)[5].startsWith(programFolder() + QStringLiteral("/temp/")));
        EXPECT_EQ(rowTexts(r)[4], folder + QStringLiteral("_%1.png").arg(r, 4, 10, QLatin1Char('0')));
    }
    EXPECT_NEAR(sum, 300, 30);  // 3 s recorded, the pause left out
    // The project was empty: its size is the recording's.
    EXPECT_EQ(part<QLineEdit>("txtWidth")->text(), QStringLiteral("80"));
    EXPECT_EQ(part<QLineEdit>("txtHeight")->text(), QStringLiteral("60"));
    qputenv("DISPLAY", hadDisplay);
}

// The desktop's dialog may take long: the countdown starts once it has been answered, and closing
// the window before takes the dialog away. The
// application talks to its session bus from the start: the test wants one of its own
// (dbus-run-session, as ctest runs it), where it plays the desktop's portal.
TEST_F(RecorderWindowTest, UnderWaylandTheCountdownWaitsUntilTheScreenIsChosen)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus of the test's own (run it under dbus-run-session)";
    FakePortal portal(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
    if (!portal.serve())
        GTEST_SKIP() << "a portal runs on this session bus";
    qputenv("XDG_SESSION_TYPE", "wayland");
    portal.answers.startDelayMs = 1000;
    startWindow();
    ASSERT_TRUE(part<QAction>("mnuToolsRecordScreen")->isEnabled());
    QString waiting, chosen;
    window->setWindowRunner([&](QDialog& w) {
        QLabel* status = child<QLabel>(&w, "lblRecordStatus");
        QTimer::singleShot(500, &w, [&] { waiting = status->text(); });
        click(&w, "cmdRecordStart");  // back once the desktop answered
        chosen = status->text();
        EXPECT_EQ(child<QPushButton>(&w, "cmdRecordStart")->text(), QStringLiteral("Start Now"));
        ::close(std::exchange(portal.remoteEnd, -1));
        click(&w, "cmdRecordStart");  // the stream it handed out is gone before a picture came
        w.reject();
    });
    trigger("mnuToolsRecordScreen");
    EXPECT_EQ(waiting, QStringLiteral("Waiting for the screen to be chosen ..."));
    EXPECT_EQ(chosen, QStringLiteral("Recording starts in 3 ..."));
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(dialogs.messages()[0].text.startsWith(QStringLiteral("The screen could not be recorded."))) << dialogs.messages()[0].text.toStdString();
    EXPECT_TRUE(runEventsUntil([&] { return portal.calls().contains(QStringLiteral("Session.Close")); }));

    // Closed while the desktop still asks (the user never answers): the desktop's dialog goes too.
    portal.answers.startDelayMs = 60000;
    window->setWindowRunner([&](QDialog& w) {
        QTimer::singleShot(300, &w, [&] { w.reject(); });
        click(&w, "cmdRecordStart");
    });
    trigger("mnuToolsRecordScreen");
    EXPECT_EQ(dialogs.messages().size(), 1u);
    EXPECT_TRUE(runEventsUntil([&] { return portal.calls().count(QStringLiteral("Session.Close")) == 2; }));
    EXPECT_TRUE(portal.calls().contains(QStringLiteral("Request.Close"))) << portal.calls().join(u' ').toStdString();
    qunsetenv("XDG_SESSION_TYPE");
}

}  // namespace
}  // namespace pictoreel::testing
