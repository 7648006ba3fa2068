// Shows the main window in its states one after the other on a real X display (scripts/screenshots
// runs it under Xvfb) and photographs the whole screen at each with ImageMagick's "import".
//
//   gui_screenshot_tour OUTPUT_FOLDER
//
// Sample pictures and a project of several frames are made in OUTPUT_FOLDER/sample first and
// opened the way the history window opens a project (OpenProjectFile).
#include "gui/dialogs.h"
#include "gui/main_window.h"
#include "gui/property_panel.h"
#include "gui/frame_list_model.h"
#include "gui/shell.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QTextStream>
#include <QThread>

#include <cstdio>

namespace {

using namespace pictoreel;

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

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: gui_screenshot_tour OUTPUT_FOLDER\n", stderr);
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString programFolder = out + QStringLiteral("/program");
    QDir().mkpath(programFolder);
    const QString project = makeSampleProject(out + QStringLiteral("/sample"));

    QtDialogs dialogs;
    DesktopShell shell;
    frmPictoreel window({programFolder, programFolder}, dialogs, shell);
    window.setProgramEndHandler({});
    window.move(10, 10);
    window.show();
    std::printf("window font: %s %s %gpt\n", qPrintable(QFontInfo(window.font()).family()),
                qPrintable(QFontInfo(window.font()).styleName()), QFontInfo(window.font()).pointSizeF());
    bool ok = shoot(out, QStringLiteral("01-new-project"));

    window.OpenProjectFile(project);
    window.mnuFileSub_Click(0);  // no command: only the Auto Size rule of the File menu
    ok &= shoot(out, QStringLiteral("02-project-global-tab"));

    window.ListView1->selectRow(3);
    window.ShowFrameProperties();
    window.SSTab1->setCurrentIndex(static_cast<int>(PanelTab::Frame));
    ok &= shoot(out, QStringLiteral("03-frame-tab-row3"));

    window.SSTab1->setCurrentIndex(static_cast<int>(PanelTab::File));
    window.SSTab2->setCurrentIndex(1);
    ok &= shoot(out, QStringLiteral("04-file-tab-original-image"));

    window.SSTab2->setCurrentIndex(0);
    window.SSTab1->setCurrentIndex(static_cast<int>(PanelTab::Global));
    window.resize(1000, 700);
    ok &= shoot(out, QStringLiteral("05-larger-window"));

    window.mnuFile->popup(window.mapToGlobal(QPoint(0, 0)) + QPoint(0, 20));
    ok &= shoot(out, QStringLiteral("06-file-menu"));
    window.mnuFile->hide();
    window.mnuEdit->popup(window.mapToGlobal(QPoint(40, 20)));
    ok &= shoot(out, QStringLiteral("07-edit-menu"));
    window.mnuEdit->hide();

    window.resize(560, 420);
    ok &= shoot(out, QStringLiteral("08-narrow-window"));

    window.frames().clear();
    window.close();
    return ok ? 0 : 1;
}
