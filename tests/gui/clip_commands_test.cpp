// Shaping a clip in the window: an animation's frames imported (menu, drop, command line), the
// frames before or after a row deleted, a change of speed, and the made GIF handed on.
#include "gui/support/window_fixture.h"

#include "core/formats/apng_writer.h"
#include "gui/app/program_start.h"

#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QSpinBox>

namespace pictoreel::testing {
namespace {

class ClipCommandsTest : public WindowTest {
protected:
    // An animated PNG of three 9 x 6 frames shown for 120, 40 and 300 ms, looping for ever.
    QString makeAnimation(const QString& name) const
    {
        QByteArray bytes;
        ApngWriter writer([&bytes](const QByteArray& b) { return bytes += b, true; }, 9, 6, 3, 0);
        for (const auto& [shade, ms] : {std::pair{40, 120}, std::pair{120, 40}, std::pair{220, 300}}) {
            RgbaImage frame(9, 6);
            for (std::size_t i = 0; i < frame.pixels.size(); i += 4)
                frame.pixels[i] = std::uint8_t(shade), frame.pixels[i + 3] = 255;
            EXPECT_TRUE(writer.addFrame(frame, ms).ok());
        }
        EXPECT_TRUE(writer.finish().ok());
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path(name);
    }
    // Runs each dialog through `look`, after the import dialog has finished its work.
    void runDialogs(std::function<void(QDialog&)> look = {})
    {
        window->setWindowRunner([look](QDialog& w) {
            w.show();
            if (w.objectName() == QLatin1String("frmAnimationFrames"))
                EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 30000));
            else if (look)
                look(w);
        });
    }
    QString intervals() const
    {
        QStringList texts;
        for (int r = 1; r <= rowCount(); ++r)
            texts.append(rowTexts(r)[1]);
        return texts.join(u' ');
    }
};

TEST_F(ClipCommandsTest, AnAnimationsFramesBecomeRowsWithTheirDelaysAndLoop)
{
    runDialogs();
    ProjectProperties properties;
    properties.loopInfinitely = kLoopUnticked;
    properties.loopTimes = QStringLiteral("4");
    panel->setProjectProperties(properties);
    dialogs.answerFile(makeAnimation(QStringLiteral("wave.png")));
    trigger("mnuImportAnimationFrames");
    EXPECT_EQ(intervals(), QStringLiteral("12 4 30"));
    EXPECT_EQ(rowTexts(3)[4], QStringLiteral("wave_0003.png"));
    EXPECT_TRUE(QFileInfo(path("wave/wave_0003.png")).isFile());
    EXPECT_TRUE(panelValues().startsWith(QStringLiteral("9x6 loop 4 ticked off")));  // the file loops for ever
    EXPECT_TRUE(QTest::qWaitFor([this] { return window->windowTitle().startsWith(u'*'); }));
    trigger("mnuEditUndo");
    EXPECT_EQ(rowCount(), 0);

    // Dropped, the animation is imported again beside the first frames; so is one given on the
    // command line, while a still picture given there becomes a row as it is, and no message comes.
    window->addFilesFromOutside({path("wave.png")});
    EXPECT_EQ(intervals(), QStringLiteral("12 4 30"));
    EXPECT_TRUE(QFileInfo(path("wave (2)/wave_0001.png")).isFile());
    newProject();
    EXPECT_FALSE(openProjectFromArguments(*window, {QStringLiteral("pictoreel"), makePicture(QStringLiteral("still.png"), 8, 8)}));
    EXPECT_FALSE(openProjectFromArguments(*window, {QStringLiteral("pictoreel"), path("wave.png")}));
    EXPECT_EQ(intervals(), QStringLiteral("50 12 4 30"));
    EXPECT_TRUE(dialogs.messageTexts().isEmpty());
}

TEST_F(ClipCommandsTest, FramesBeforeOrAfterARowGoAndASpeedChangeSaysWhatIsHeld)
{
    // Each command is recorded in the history once control is back in the event loop.
    const auto run = [this](const char* command) {
        trigger(QLatin1String(command));
        QCoreApplication::processEvents();
    };
    addPictures({"1.png", "2.png", "3.png", "4.png", "5.png"});
    QCoreApplication::processEvents();
    listView()->selectRow(3);
    run("mnuEditDeleteBefore");
    EXPECT_EQ(rowTexts(1)[4], QStringLiteral("3.png"));
    EXPECT_EQ(rowCount(), 3);
    run("mnuEditUndo");
    listView()->selectRow(2);
    run("mnuEditDeleteAfter");
    EXPECT_EQ(std::pair(rowCount(), rowTexts(2)[4]), std::pair(2, QStringLiteral("2.png")));
    run("mnuEditUndo");
    EXPECT_EQ(rowCount(), 5);

    panel->setFrameValues({QStringLiteral("3"), false, 255});
    listView()->selectRows(1, 2);
    part<QPushButton>("cmdApply")->click();  // rows 1 and 2 at 3 hundredths
    QCoreApplication::processEvents();
    QString note;
    runDialogs([&note](QDialog& w) {
        auto* speed = w.findChild<QSpinBox*>(QStringLiteral("txtSpeed"));
        speed->setValue(400);  // 3 -> 0.75 and 50 -> 12.5: two held at 2, had the two been chosen
        note = w.findChild<QLabel*>(QStringLiteral("lblSpeedNote"))->text();
        w.findChild<QWidget*>(QStringLiteral("optAllRows"))->setProperty("checked", true);
        speed->setValue(300);  // of all five: 3 -> 1 twice
        note += u'|' + w.findChild<QLabel*>(QStringLiteral("lblSpeedNote"))->text();
        w.accept();
    });
    run("mnuEditChangeSpeed");
    EXPECT_EQ(note, QStringLiteral("2 of the delays would fall under 2/100 s and are held at 2/100 s: players show 0 or 1 as "
                                   "10/100 s.|2 of the delays would fall under 2/100 s and are held at 2/100 s: players show 0 "
                                   "or 1 as 10/100 s."));
    EXPECT_EQ(intervals(), QStringLiteral("2 2 17 17 17"));
    run("mnuEditUndo");
    EXPECT_EQ(intervals(), QStringLiteral("3 3 50 50 50"));

    // The interval box warns of 0 and 1 in its tooltip, and still takes them as before.
    auto* interval = part<QLineEdit>("txtInterval");
    interval->setText(QStringLiteral("1"));
    EXPECT_FALSE(interval->toolTip().isEmpty());
    interval->setText(QStringLiteral("12"));
    EXPECT_TRUE(interval->toolTip().isEmpty());
}

TEST_F(ClipCommandsTest, CopyGifPutsTheFileOnTheClipboardAsGifBytesAndAsAFile)
{
    trigger("mnuEditCopyGif");
    EXPECT_EQ(dialogs.messageTexts(), QStringList{QStringLiteral("There is no made GIF to copy: make it first.")});
    const QString gif = path("made.gif");
    const QByteArray bytes("GIF89a made elsewhere");
    QFile file(gif);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    panel->setOutputFile(gif);
    trigger("mnuEditCopyGif");
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->data(QStringLiteral("image/gif")), bytes);
    EXPECT_EQ(copied->urls(), QList<QUrl>{QUrl::fromLocalFile(gif)});
}

}  // namespace
}  // namespace pictoreel::testing
