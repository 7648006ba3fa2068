// Shows the main window in its states one after the other on a real X display (scripts/screenshots
// runs it under Xvfb) and photographs the whole screen at each with ImageMagick's "import".
//
//   gui_screenshot_tour OUTPUT_FOLDER
//
// Sample pictures and a project of several frames are made in OUTPUT_FOLDER/sample first and
// opened the way the history window opens a project (OpenProjectFile).
#include "gui/app/dialogs.h"
#include "gui/main_window/main_window.h"
#include "gui/main_window/property_panel.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/app/shell.h"
#include "gui/app/translations.h"
#include "core/media/imaging_component.h"
#include "core/media/player_component.h"
#include "gui/extractor/extractor_window.h"
#include "gui/dialogs/save_frames_dialog.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/converters/avi_to_gif_window.h"
#include "gui/converters/gif_to_avi_window.h"
#include "gui/dialogs/history_dialog.h"
#include "gui/dialogs/options_dialog.h"
#include "gui/widgets/gif_view.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QTextStream>
#include <QThread>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>

namespace {

using namespace pictoreel;

// A part of the main window by its object name, as a test finds it.
template <class T = QWidget>
T* part(const QWidget& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

QString makeSamplePicture(const QString& folder, int n, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    const QColor colours[] = {QColor(220, 60, 50), QColor(60, 150, 220), QColor(80, 180, 90),
                              QColor(240, 190, 40), QColor(150, 80, 200)};
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colours[n % 5]);
    p.setPen(Qt::NoPen);
    const int r = size.height() / 3;
    const int x = r + (size.width() - 2 * r) * n / 4;
    p.drawEllipse(QPoint(x, size.height() / 2), r, r);
    p.setPen(Qt::black);
    QFont font = p.font();
    font.setPixelSize(size.height() / 5);
    p.setFont(font);
    p.drawText(image.rect().adjusted(6, 4, -6, -4), Qt::AlignTop | Qt::AlignLeft, QString::number(n + 1));
    p.end();
    const QString file = folder + QStringLiteral("/frame%1.png").arg(n + 1);
    image.save(file, "PNG");
    return file;
}

QString makeSampleProject(const QString& folder)
{
    QDir().mkpath(folder);
    QString text;
    QTextStream out(&text);
    out << "[Global Properties]\nWidth=160\nHeight=120\nLoop Infinitely=1\nLoop Times=1\n"
        << "Output GIF File Name=" << folder << "/sample.gif\nFrames=5\n[Frame Properties]\n";
    for (int i = 0; i < 5; ++i) {
        makeSamplePicture(folder, i, QSize(320, 240));
        out << QStringLiteral("FRAME%1=%2;%3;16777215;frame%4.png;%5/\n")
                   .arg(i + 1, 3, 10, QLatin1Char('0'))
                   .arg(i == 2 ? 100 : 50)
                   .arg(i == 1 ? QStringLiteral("NO") : QStringLiteral("YES"))
                   .arg(i + 1)
                   .arg(folder);
    }
    out.flush();
    const QString project = folder + QStringLiteral("/sample.agp");
    QFile file(project);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
    return project;
}

void settle(int milliseconds = 400)
{
    for (int i = 0; i < milliseconds / 20; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
}

bool shoot(const QString& folder, const QString& name)
{
    settle();
    const QString file = folder + u'/' + name + QStringLiteral(".png");
    const int rc = QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), file});
    std::printf("%s %s\n", rc == 0 ? "saved" : "FAILED", qPrintable(file));
    return rc == 0;
}

// ---- the frames extractor and its save dialog ---------------------------------------------------

// Answers the extractor's open dialog with one GIF; every other dialog is cancelled.
class ExtractorTourDialogs final : public Dialogs {
public:
    explicit ExtractorTourDialogs(QString gif) : gif_(std::move(gif)) {}
    MessageAnswer messageBox(QWidget*, const QString&, const QString&, MessageIcon, MessageButtons) override
    {
        return MessageAnswer::Ok;
    }
    std::optional<QString> openFile(QWidget*, const FileDialogRequest&) override { return gif_; }
    QStringList openFiles(QWidget*, const FileDialogRequest&) override { return {}; }
    std::optional<QString> saveFile(QWidget*, const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::int32_t> chooseColor(QWidget*) override { return std::nullopt; }
    std::optional<QString> browseForFolder(QWidget*) override { return std::nullopt; }
    std::optional<QString> askText(QWidget*, const QString&, const QString&, const QString&) override { return std::nullopt; }

private:
    QString gif_;
};

// An animated GIF of the sample pictures, made with the program's own components.
QString makeSampleAnimation(const QString& folder)
{
    PlayerComponent assembler;
    assembler.ClearFrames();
    assembler.LoopCount(std::int16_t(0));
    for (int n = 1; n <= 5; ++n) {
        ImagingComponent picture;
        const QString one = folder + QStringLiteral("/extract-source%1.gif").arg(n);
        if (picture.LoadImage(folder + QStringLiteral("/frame%1.png").arg(n)) && picture.ResizeImage(160, 120)
            && picture.SaveGif(one, false, 0xFFFFFF))
            assembler.AddFrame(one);
    }
    const QString gif = folder + QStringLiteral("/extract.gif");
    (void)assembler.SaveAnimation(gif);
    return gif;
}

bool tourExtractor(const QString& out, const QString& sampleFolder)
{
    ExtractorTourDialogs dialogs(makeSampleAnimation(sampleFolder));
    const QString temp = out + QStringLiteral("/program/temp/");
    QDir().mkpath(temp);
    auto* extractor = new ExtractorWindow(dialogs, [temp] { return temp; });
    extractor->move(30, 30);
    extractor->show();
    bool ok = shoot(out, QStringLiteral("20-extractor-empty"));

    part<QAction>(*extractor, "mnuFileSub1")->trigger();  // File, "&Open ..."
    while (extractor->isWorking())  // the GIF is read on the extractor's worker
        settle(20);
    part<QListWidget>(*extractor, "List1")->item(1)->setCheckState(Qt::Checked);
    part<QListWidget>(*extractor, "List1")->item(3)->setCheckState(Qt::Checked);
    part<QListWidget>(*extractor, "List1")->setCurrentRow(2);
    ok &= shoot(out, QStringLiteral("21-extractor-frame"));
    part<QTabWidget>(*extractor, "SSTab1")->setCurrentIndex(1);
    ok &= shoot(out, QStringLiteral("22-extractor-preview"));
    part<QTabWidget>(*extractor, "SSTab1")->setCurrentIndex(0);
    part<QMenu>(*extractor, "mnuFile")->popup(extractor->mapToGlobal(QPoint(60, 140)));  // as the context menu
    ok &= shoot(out, QStringLiteral("23-extractor-context-menu"));
    part<QMenu>(*extractor, "mnuFile")->hide();

    for (const bool single : {true, false}) {
        SaveFramesRequest request;
        request.SingleFrame = single;
        SaveFramesDialog dialog(dialogs, request, extractor);
        part<QLineEdit>(dialog, single ? "txtFile" : "txtDir")
            ->setText(sampleFolder + (single ? QStringLiteral("/frame.gif") : QStringLiteral("/")));
        dialog.show();
        ok &= shoot(out, single ? QStringLiteral("24-save-frame-file") : QStringLiteral("25-save-frames-folder"));
    }
    extractor->resize(420, 300);
    ok &= shoot(out, QStringLiteral("26-extractor-small"));
    extractor->close();
    return ok;
}

// The modal tool windows of the main window: options (and the history list it edits), the two
// converters and the About box with its logo, which is taken from the build tree or the sources.
bool tourToolWindows(MainWindow& window, const QString& out, const QString& programFolder)
{
    const QStringList logos{QStringLiteral(PICTOREEL_BIN_DIR "/vimo.gif"),
                            QStringLiteral(PICTOREEL_SOURCE_DIR "/data/vimo.gif")};
    for (const QString& logo : logos) {
        if (QFile::exists(logo) && QFile::copy(logo, programFolder + QStringLiteral("/vimo.gif")))
            break;
    }
    bool ok = true;
    window.setWindowRunner([&](QDialog& w) {
        w.show();
        if (qobject_cast<OptionsDialog*>(&w)) {
            ok &= shoot(out, QStringLiteral("30-options"));
            part<QPushButton>(w, "cmdEdit")->click();
        } else if (qobject_cast<HistoryDialog*>(&w)) {
            w.move(w.x() + 40, w.y() + 40);
            ok &= shoot(out, QStringLiteral("31-options-history-edit"));
        } else if (auto* converter = qobject_cast<ConverterWindow*>(&w)) {
            const bool toGif = qobject_cast<AviToGifWindow*>(&w) != nullptr;
            part<QLineEdit>(w, "txtAVI")->setText(out + (toGif ? QStringLiteral("/sample/clip.avi") : QStringLiteral("/sample/sample.avi")));
            part<QLineEdit>(w, "txtGIF")->setText(out + (toGif ? QStringLiteral("/sample/clip.gif") : QStringLiteral("/sample/sample.gif")));
            ok &= shoot(out, toGif ? QStringLiteral("32-avi-to-gif") : QStringLiteral("34-gif-to-avi"));
            if (toGif) {
                converter->showConversionProgress(45);  // as it looks while converting
                ok &= shoot(out, QStringLiteral("33-avi-to-gif-converting"));
            }
        } else if (qobject_cast<AboutDialog*>(&w)) {
            // The pointer over the web site's link underlines it.
            QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
            QCoreApplication::sendEvent(part<QLabel>(w, "lblWeb"), &enter);
            ok &= shoot(out, QStringLiteral("35-about"));
        }
        w.hide();
    });
    for (const char* entry : {"mnuToolsSub7", "mnuToolsSub4", "mnuToolsSub5", "mnuHelpSub5"})  // Options, the converters, About
        part<QAction>(window, entry)->trigger();
    window.setWindowRunner({});
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: gui_screenshot_tour OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    // In the system's language, as the program starts: LANG=de_DE.UTF-8 photographs the German windows.
    installTranslations(QLocale::system());
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString programFolder = out + QStringLiteral("/program");
    QDir().mkpath(programFolder);
    const QString project = makeSampleProject(out + QStringLiteral("/sample"));

    QtDialogs dialogs;
    DesktopShell shell;
    MainWindow window({programFolder, programFolder}, dialogs, shell);
    window.setProgramEndHandler({});
    window.move(10, 10);
    window.show();
    std::printf("window font: %s %s %gpt\n", qPrintable(QFontInfo(window.font()).family()),
                qPrintable(QFontInfo(window.font()).styleName()), QFontInfo(window.font()).pointSizeF());
    bool ok = shoot(out, QStringLiteral("01-new-project"));

    window.OpenProjectFile(project);
    window.applyAutoSizeRule();
    ok &= shoot(out, QStringLiteral("02-project-global-tab"));

    part<FrameListView>(window, "ListView1")->selectRow(3);
    Q_EMIT part<FrameListView>(window, "ListView1")->rowClicked(3);  // shown as a click on the row shows it
    part<PropertyPanel>(window, "SSTab1")->setCurrentIndex(static_cast<int>(PanelTab::Frame));
    ok &= shoot(out, QStringLiteral("03-frame-tab-row3"));

    part<PropertyPanel>(window, "SSTab1")->setCurrentIndex(static_cast<int>(PanelTab::File));
    part<QTabWidget>(window, "SSTab2")->setCurrentIndex(1);
    ok &= shoot(out, QStringLiteral("04-file-tab-original-image"));

    part<QTabWidget>(window, "SSTab2")->setCurrentIndex(0);
    part<PropertyPanel>(window, "SSTab1")->setCurrentIndex(static_cast<int>(PanelTab::Global));
    window.resize(1000, 700);
    ok &= shoot(out, QStringLiteral("05-larger-window"));

    part<QMenu>(window, "mnuFile")->popup(window.mapToGlobal(QPoint(0, 0)) + QPoint(0, 20));
    ok &= shoot(out, QStringLiteral("06-file-menu"));
    part<QMenu>(window, "mnuFile")->hide();
    part<QMenu>(window, "mnuEdit")->popup(window.mapToGlobal(QPoint(40, 20)));
    ok &= shoot(out, QStringLiteral("07-edit-menu"));
    part<QMenu>(window, "mnuEdit")->hide();

    window.resize(560, 420);
    ok &= shoot(out, QStringLiteral("08-narrow-window"));
    window.showMaximized();
    ok &= shoot(out, QStringLiteral("09-maximised"));
    window.showNormal();

    ok &= tourToolWindows(window, out, programFolder);
    ok &= tourExtractor(out, out + QStringLiteral("/sample"));

    window.frames().clear();
    window.close();
    return ok ? 0 : 1;
}
