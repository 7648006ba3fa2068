// Pictoreel: the window program. It starts by loading the main window and ends when that closes
// (or with E&xit, which closes every window). Its one argument, a project file, is opened at once.
// The arguments are read before the application is made, so --help, --version and a wrong
// command line are answered without a display.
#include "core/base/memory_tuning.h"
#include "core/media/codec_loader.h"
#include "core/project/program_values.h"
#include "gui/app/application_setup.h"
#include "gui/app/dialogs.h"
#include "gui/main_window/main_window.h"
#include "gui/app/program_start.h"
#include "gui/app/shell.h"

#include <QApplication>

#include <cstdio>
#include <optional>

namespace {

constexpr int kExitUsage = 2;

const char* const kUsage = R"(usage: pictoreel [OPTION]... [PROJECT.agp]

Builds animated GIFs from still pictures. PROJECT.agp, when given, is opened at start.

Options:
  -h, --help     print this help and exit
      --version  print the versions of Pictoreel and of the libraries it runs with, and exit
  --             every word after it is a file, even one that starts with "-"

Qt's own options are taken as well: -platform NAME, -style NAME, -stylesheet FILE, -reverse,
-qwindowgeometry GEOMETRY, -qwindowtitle TITLE, -display DISPLAY and the like.

Settings (pictoreel.ini) are kept in $XDG_CONFIG_HOME/pictoreel and temporary files in
$XDG_CACHE_HOME/pictoreel, or beside the program when it runs from the build tree or from a
folder holding a file named "portable". See pictoreel(1).
)";

// The options QApplication takes out of the arguments itself ("-name" or "--name"), those with a
// value ("-style fusion" or "-style=fusion") and those without.
const QStringList kQtOptionsWithValue{
    QStringLiteral("platform"),        QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"),          QStringLiteral("qwindowgeometry"),    QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"),    QStringLiteral("session"),            QStringLiteral("display"),
    QStringLiteral("geometry"),        QStringLiteral("style"),              QStringLiteral("stylesheet"),
    QStringLiteral("qmljsdebugger")};
const QStringList kQtFlags{QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                           QStringLiteral("dograb")};

void printError(const QString& message)
{
    std::fprintf(stderr, "pictoreel: %s; see pictoreel --help\n", message.toLocal8Bit().constData());
}

struct StartArguments {
    std::optional<int> exitCode;  // set when the program ends without a window
    QString project;              // the project to open, if any
};

StartArguments readArguments(int argc, char** argv)
{
    QStringList positional, unknown;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QString word = QString::fromLocal8Bit(argv[i]);
        if (optionsEnded || !word.startsWith(u'-') || word == QStringLiteral("-")) {
            positional << word;
            continue;
        }
        if (word == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (word == QStringLiteral("--help") || word == QStringLiteral("-h")) {
            std::fputs(kUsage, stdout);
            return {0, {}};
        } else if (word == QStringLiteral("--version")) {
            std::printf("Pictoreel %s\n", PICTOREEL_VERSION);
            for (const QString& line : pictoreel::libraryVersions())
                std::printf("%s\n", line.toLocal8Bit().constData());
            return {0, {}};
        } else {
            const QString name = word.mid(word.startsWith(QStringLiteral("--")) ? 2 : 1).section(u'=', 0, 0);
            if (kQtOptionsWithValue.contains(name)) {
                if (!word.contains(u'=') && ++i >= argc) {
                    printError(QStringLiteral("%1 needs a value").arg(word));
                    return {kExitUsage, {}};
                }
            } else if (!kQtFlags.contains(name)) {
                unknown << word;
            }
        }
    }
    const auto quoted = [](const QStringList& list) -> QString {
        return u'"' + list.join(QStringLiteral("\", \"")) + u'"';
    };
    if (!unknown.isEmpty()) {
        printError((unknown.size() == 1 ? QStringLiteral("unknown option %1") : QStringLiteral("unknown options %1"))
                       .arg(quoted(unknown)));
        return {kExitUsage, {}};
    }
    if (positional.size() > 1) {
        const QStringList extra = positional.mid(1);
        printError(QStringLiteral("one project file at most; unexpected %1 %2")
                       .arg(extra.size() == 1 ? QStringLiteral("argument") : QStringLiteral("arguments"), quoted(extra)));
        return {kExitUsage, {}};
    }
    return {std::nullopt, positional.value(0)};
}

}  // namespace

int main(int argc, char** argv)
{
    const StartArguments start = readArguments(argc, argv);
    if (start.exitCode)
        return *start.exitCode;

    pictoreel::keepLargeBlocksInHeap();
    QApplication app(argc, argv);
    pictoreel::setUpApplication();

    pictoreel::QtDialogs dialogs;
    pictoreel::DesktopShell shell;
    pictoreel::MainWindow window(pictoreel::programFoldersFor(pictoreel::executableFolder()), dialogs, shell);
    window.show();
    if (!start.project.isEmpty())
        pictoreel::openProjectFromArguments(window, {QApplication::applicationFilePath(), start.project});
    return QApplication::exec();
}
