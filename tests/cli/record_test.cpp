// pictoreel-cli record on an X server of the test's own, stopped with Ctrl+C as a user stops it.
#include "core/formats/png_true_colour.h"
#include "support/files.h"
#include "support/x11_test_display.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <QTemporaryDir>

#include <csignal>

namespace pictoreel {
namespace {

TEST(CliRecord, RecordsTheRegionUntilCtrlCAndPrintsDelaysAndFiles)
{
    testing::XvfbDisplay display(320, 240);
    if (display.name().isEmpty())
        GTEST_SKIP() << "Xvfb could not be started";
    testing::MovingPattern pattern(display.name(), 40, 30, 90, 70);
    ASSERT_TRUE(pattern.ok());
    QTemporaryDir dir;
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.name());
    cli.setProcessEnvironment(environment);
    pattern.start(150);
    cli.start(QStringLiteral(PICTOREEL_CLI), {QStringLiteral("record"), QStringLiteral("-o"), dir.filePath(QStringLiteral("out")),
                                              QStringLiteral("--region"), QStringLiteral("90x70+40+30"), QStringLiteral("--fps"),
                                              QStringLiteral("10"), QStringLiteral("--pointer")});
    ASSERT_TRUE(cli.waitForStarted());
    cli.setReadChannel(QProcess::StandardError);
    ASSERT_TRUE(cli.waitForReadyRead(10000));  // "recording ..." once it records
    QThread::msleep(2500);
    ::kill(pid_t(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(20000));
    pattern.stop();
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

    const QStringList lines = QString::fromLocal8Bit(cli.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    int sum = 0, last = -1;
    for (const QString& line : lines) {
        const qsizetype space = line.indexOf(u' ');
        const int delay = line.left(space).toInt();
        const QString path = line.mid(space + 1);
        EXPECT_GE(delay, 2);
        sum += delay;
        EXPECT_TRUE(path.endsWith(QStringLiteral(".png")) && path.contains(QStringLiteral("screen_0"))) << path.toStdString();
        const auto picture = readTrueColourPng(testing::fileContents(path));
        ASSERT_TRUE(picture) << path.toStdString();
        const auto step = testing::MovingPattern::stepShown(*picture);  // the pointer is off the window
        ASSERT_TRUE(step) << path.toStdString();
        EXPECT_GT(*step, last);
        last = *step;
    }
    // Ctrl+C came about 2.5 s after it started; the delays cover that time.
    EXPECT_GT(sum, 200);
    EXPECT_LT(sum, 400);
}

}  // namespace
}  // namespace pictoreel
