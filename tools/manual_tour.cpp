// Takes the manual's pictures from the real program on an X display (scripts/manual-screenshots
// runs it under Xvfb):
//
//   gui_manual_tour OUTPUT_FOLDER PROGRAM_BIN_FOLDER
//
// A sample project of five frames is made in a scratch folder and opened as a file manager opens
// one. The main window, its menus, toolbar and panel tabs are photographed; then every command
// that opens a window runs, and each window that appears is photographed under its object name
// ("frmPlay.png", "frmOptions.png", ...) and closed again. A command that opens no window is
// reported.
// Message boxes on the way (such as "Created finished!") are photographed and answered with OK.
#include "core/project/program_values.h"
#include "gui/app/dialogs.h"
#include "gui/dialogs/animation_frames_dialog.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/dialogs/save_frames_dialog.h"
#include "gui/main_window/main_window.h"
#include "gui/app/program_start.h"
#include "gui/main_window/property_panel.h"
#include "gui/app/shell.h"
#include "gui/widgets/toolbar_icons.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QToolBar>

#include <cstdio>
#include <functional>
#include <set>

namespace {

using namespace pictoreel;

// A part of the main window by its object name, as a test finds it.
template <class T = QWidget>
T* part(const QWidget& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

// Runs the menu entry of this object name as a click does.
void trigger(const QWidget& window, const char* name) { part<QAction>(window, name)->trigger(); }

// Opens nothing: the manual's pictures must not start a browser.
class QuietShell final : public Shell {
public:
    bool open(const QString&) override { return true; }
};

void settle(int milliseconds = 500)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
}

// A ball bouncing over five frames: a sample whose animation reads at a glance.
QString makeSampleProject(const QString& folder)
{
    QDir().mkpath(folder);
    QString text;
    QTextStream out(&text);
    out << "[Global Properties]\nWidth=160\nHeight=120\nLoop Infinitely=1\nLoop Times=1\n"
        << "Output GIF File Name=" << folder << "/bounce.gif\nFrames=5\n[Frame Properties]\n";
    const int heights[] = {20, 60, 95, 60, 20};
    for (int i = 0; i < 5; ++i) {
        QImage image(320, 240, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(QRect(0, 200, 320, 40), QColor(120, 190, 110));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(220, 70, 50));
        p.drawEllipse(QPoint(40 + i * 60, 40 + heights[i] * 160 / 100), 28, 28);
        p.end();
        image.save(folder + QStringLiteral("/ball%1.png").arg(i + 1), "PNG");
        out << QStringLiteral("FRAME%1=%2;%3;16777215;ball%4.png;%5/\n")
                   .arg(i + 1, 3, 10, QLatin1Char('0'))
                   .arg(i == 2 ? 20 : 10)
                   .arg(QStringLiteral("YES"))
                   .arg(i + 1)
                   .arg(folder);
    }
    out.flush();
    const QString project = folder + QStringLiteral("/bounce.agp");
    QFile file(project);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
    return project;
}

class Photographer {
public:
    explicit Photographer(QString folder) : folder_(std::move(folder)) {}

    // The screen inside `area` (global coordinates), as the display shows it.
    bool shoot(const QString& name, QRect area)
    {
        settle();
        const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                                             area.height());
        const QString file = folder_ + u'/' + name + QStringLiteral(".png");
        const bool saved = picture.save(file, "PNG");
        std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(file));
        ok_ &= saved;
        return saved;
    }
    bool shoot(const QString& name, const QWidget* widget)
    {
        return shoot(name, QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()));
    }
    // A window as it draws itself now, without the event loop running on.
    bool shootNow(const QString& name, QWidget* widget)
    {
        const QString file = folder_ + u'/' + name + QStringLiteral(".png");
        const bool saved = widget->grab().save(file, "PNG");
        std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(file));
        ok_ &= saved;
        return saved;
    }

    // Runs `command` and photographs every window it opens (message boxes too) until one named
    // `last` has been photographed, or until nothing new shows for a few seconds. Each window is
    // closed after its picture; message boxes are answered with OK.
    void catchWindows(const QString& step, const QStringList& expected, const std::function<void()>& command)
    {
        std::set<const QWidget*> before;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                before.insert(w);
        QStringList pending = expected;
        int unnamed = 0;
        QElapsedTimer quiet;
        quiet.start();
        QTimer poll;
        poll.setInterval(300);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* found = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                const Qt::WindowType type = w->windowType();
                if (w->isVisible() && !before.count(w) && type != Qt::Popup && type != Qt::ToolTip &&
                    !qobject_cast<QMenu*>(w)) {
                    found = w;
                    break;
                }
            }
            if (!found) {
                if (quiet.elapsed() > 8000 && pending == expected) {
                    std::printf("no window opened by %s\n", qPrintable(step));
                    pending.clear();
                }
                return;
            }
            poll.stop();
            settle(700);
            QString name = found->objectName();
            if (qobject_cast<QMessageBox*>(found) || name.isEmpty())
                name = step + QStringLiteral("-message") + (unnamed++ ? QString::number(unnamed) : QString());
            shoot(name, found->frameGeometry());
            pending.removeAll(name);
            if (auto* box = qobject_cast<QMessageBox*>(found))
                box->done(QMessageBox::Ok);
            else if (auto* dialog = qobject_cast<QDialog*>(found))
                dialog->reject();
            else
                found->close();
            quiet.restart();
            if (!pending.isEmpty())
                poll.start();
        });
        poll.start();
        command();
        // Modeless windows, and commands that return before their window shows.
        QElapsedTimer waited;
        waited.start();
        while (poll.isActive() && !pending.isEmpty() && waited.elapsed() < 20000)
            settle(100);
        poll.stop();
        for (const QString& name : pending)
            std::printf("not photographed: %s\n", qPrintable(name));
    }

    bool ok() const { return ok_; }

private:
    QString folder_;
    bool ok_ = true;
};

void useDarkPalette()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(55, 55, 58));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(45, 110, 200));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    // The bevel shades: check boxes and frames draw their edges with these.
    dark.setColor(QPalette::Light, QColor(90, 90, 94));
    dark.setColor(QPalette::Midlight, QColor(70, 70, 74));
    dark.setColor(QPalette::Mid, QColor(140, 140, 145));
    dark.setColor(QPalette::Dark, QColor(160, 160, 165));
    dark.setColor(QPalette::Shadow, QColor(10, 10, 10));
    dark.setColor(QPalette::ToolTipBase, QColor(55, 55, 58));
    dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    QApplication::setPalette(dark);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(applicationIcon());
    if (argc < 3) {
        std::fputs("usage: gui_manual_tour OUTPUT_FOLDER PROGRAM_BIN_FOLDER\n", stderr);
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString bin = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(out);
    // A scratch folder with a readable name, since the pictures show its paths.
    QDir scratch(QDir::tempPath() + QStringLiteral("/Pictoreel"));
    scratch.removeRecursively();
    const QString project = makeSampleProject(scratch.filePath(QStringLiteral("Pictures")));
    const QString programFolder = scratch.filePath(QStringLiteral("program"));
    QDir().mkpath(programFolder);

    Photographer camera(out);
    QtDialogs dialogs;
    QuietShell shell;
    auto window = std::make_unique<MainWindow>(ProgramFolders{programFolder, programDataFolderFor(bin)}, dialogs,
                                                 shell);
    window->setProgramEndHandler({});
    window->move(0, 0);
    window->show();
    settle();

    openProjectFromArguments(*window, {QStringLiteral("pictoreel"), project});
    window->applyAutoSizeRule();
    part<FrameListView>(*window, "ListView1")->selectRow(3);
    Q_EMIT part<FrameListView>(*window, "ListView1")->rowClicked(3);  // shown as a click on the row shows it
    camera.shoot(QStringLiteral("main-window"), window->frameGeometry());
    camera.shoot(QStringLiteral("toolbar"), part<QToolBar>(*window, "Toolbar1"));

    const std::pair<PanelTab, const char*> tabs[] = {{PanelTab::Global, "panel-global"},
                                                     {PanelTab::Frame, "panel-frame"},
                                                     {PanelTab::File, "panel-file"}};
    for (const auto& [tab, name] : tabs) {
        part<PropertyPanel>(*window, "SSTab1")->setCurrentIndex(static_cast<int>(tab));
        camera.shoot(QLatin1String(name), part<PropertyPanel>(*window, "SSTab1"));
    }
    part<PropertyPanel>(*window, "SSTab1")->setCurrentIndex(static_cast<int>(PanelTab::Global));
    part<QTabWidget>(*window, "SSTab2")->setCurrentIndex(1);
    camera.shoot(QStringLiteral("viewer-original"), part<QTabWidget>(*window, "SSTab2"));
    // The Animation tab once its animation is made, paused on the ball's lowest frame.
    part<QTabWidget>(*window, "SSTab2")->setCurrentIndex(2);
    for (int waited = 0; waited < 30000 && !part(*window, "picAnimation")->isVisible(); waited += 100)
        settle(100);
    if (part<QAbstractButton>(*window, "cmdAnimPlay")->text() == QLatin1String("Pa&use"))
        part<QAbstractButton>(*window, "cmdAnimPlay")->click();
    for (int k = 0; k < 5 && part<QLabel>(*window, "lAnimFrame")->text() != QLatin1String("Frame 3 / 5"); ++k)
        part<QAbstractButton>(*window, "cmdAnimNext")->click();
    camera.shoot(QStringLiteral("viewer-animation"), part<QTabWidget>(*window, "SSTab2"));
    part<QTabWidget>(*window, "SSTab2")->setCurrentIndex(0);

    const std::pair<QMenu*, const char*> menus[] = {
        {part<QMenu>(*window, "mnuFile"), "menu-file"}, {part<QMenu>(*window, "mnuEdit"), "menu-edit"},
        {part<QMenu>(*window, "mnuTools"), "menu-tools"}, {part<QMenu>(*window, "mnuHelp"), "menu-help"}};
    for (const auto& [menu, name] : menus) {
        const QRect title = window->menuBar()->actionGeometry(menu->menuAction());
        menu->popup(window->menuBar()->mapToGlobal(title.bottomLeft()));
        settle();
        const QRect area = window->frameGeometry().united(menu->frameGeometry());
        camera.shoot(QLatin1String(name), QRect(area.topLeft(), QSize(area.width(), menu->frameGeometry().bottom() + 12)));
        menu->hide();
    }

    // Edit, "Crop ..." on the frames turned a quarter: the frame view shows the frame made but for
    // the crop, the part kept in the picture's pixels in the Crop bar.
    trigger(*window, "mnuEditRotateRight");
    trigger(*window, "mnuEditCrop");
    if (auto* bar = window->findChild<QDialog*>(QStringLiteral("frmCrop"))) {
        const std::pair<const char*, int> crop[] = {{"txtCropX", 20}, {"txtCropY", 10}, {"txtCropWidth", 180}, {"txtCropHeight", 200}};
        for (const auto& [name, value] : crop)
            part<QSpinBox>(*bar, name)->setValue(value);
        camera.shoot(QStringLiteral("edit-crop"), window->frameGeometry());
        bar->reject();
    }
    trigger(*window, "mnuEditRotateLeft");

    camera.catchWindows(QStringLiteral("history"), {QStringLiteral("frmList")}, [&] { trigger(*window, "mnuFileSub11"); });
    camera.catchWindows(QStringLiteral("preview"), {QStringLiteral("frmView")}, [&] { trigger(*window, "mnuToolsSub1"); });
    camera.catchWindows(QStringLiteral("make"), {QStringLiteral("make-message"), QStringLiteral("frmPlay")},
                        [&] { trigger(*window, "mnuFileSub9"); });
    camera.catchWindows(QStringLiteral("extractor"), {QStringLiteral("frmExtractor")}, [&] { trigger(*window, "mnuToolsSub3"); });
    {
        // The extractor's save dialog, as "Save All Checked Frames ..." shows it.
        SaveFramesRequest request;
        request.SingleFrame = false;
        SaveFramesDialog saveFrames(dialogs, request, window.get());
        camera.catchWindows(QStringLiteral("save-frames"), {QStringLiteral("frmSaveFrames")}, [&] { saveFrames.exec(); });
    }
    {
        // File, "Import Animation Frames ..." on the animation just made. The frames are taken
        // apart as soon as the dialog shows, and its end is only heard through the event loop: the
        // dialog is photographed before the loop runs again, then cancelled.
        AnimationFramesDialog importing(dialogs, scratch.filePath(QStringLiteral("Pictures/bounce.gif")),
                                        scratch.filePath(QStringLiteral("imported")), window.get());
        importing.move(window->frameGeometry().center() - importing.rect().center());
        importing.show();
        camera.shootNow(QStringLiteral("frmAnimationFrames"), &importing);
        importing.reject();
    }
    camera.catchWindows(QStringLiteral("avi2gif"), {QStringLiteral("frmAVI2GIF")}, [&] { trigger(*window, "mnuToolsSub4"); });
    camera.catchWindows(QStringLiteral("gif2avi"), {QStringLiteral("frmGIF2AVI")}, [&] { trigger(*window, "mnuToolsSub5"); });
    camera.catchWindows(QStringLiteral("options"), {QStringLiteral("frmOptions")}, [&] { trigger(*window, "mnuToolsSub7"); });
    camera.catchWindows(QStringLiteral("about"), {QStringLiteral("frmAbout")}, [&] { trigger(*window, "mnuHelpSub5"); });
    camera.catchWindows(QStringLiteral("speed"), {QStringLiteral("frmSpeed")}, [&] { trigger(*window, "mnuEditChangeSpeed"); });
    camera.catchWindows(QStringLiteral("captions"), {QStringLiteral("frmCaptions")}, [&] { trigger(*window, "mnuEditCaptions"); });

    // The same window on a dark desktop theme.
    useDarkPalette();
    settle();
    camera.shoot(QStringLiteral("main-window-dark"), window->frameGeometry());

    // Saved: closing asks no save question, which no one would answer.
    trigger(*window, "mnuFileSub4");
    window->close();
    window.reset();
    scratch.removeRecursively();
    return camera.ok() ? 0 : 1;
}
