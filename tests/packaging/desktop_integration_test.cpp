// The programs as a desktop sees them: the install layout, the help and logo found from the build
// tree and from an installation, the ".agp" MIME type, the desktop entry agreeing with it, the
// icons, and a project passed on the command line (as a file manager does) opened at start.
#include "gui/app/program_start.h"
#include "gui/support/scripted_dialogs.h"
#include "support/files.h"

#include <QAction>
#include <QDir>
#include <QRegularExpression>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace pictoreel::testing {
namespace {

const QString kBuildBin = QStringLiteral(PICTOREEL_BUILD_BIN);
const QString kPrefix = QStringLiteral(PICTOREEL_INSTALL_PREFIX);
const QString kSource = QStringLiteral(PICTOREEL_SOURCE_DIR);
const QString kAppId = QStringLiteral("org.example.Pictoreel");
const QString kIcons = kSource + QStringLiteral("/icons/hicolor/48x48");

bool sourceHasLogo() { return QFile::exists(kSource + QStringLiteral("/data/vimo.gif")); }

QString runProgram(const QString& program, const QStringList& arguments, int expectedExitCode,
                   const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(30000));
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), expectedExitCode) << arguments.join(u' ').toStdString() << ": " << err.toStdString();
    return QString::fromLocal8Bit(process.readAllStandardOutput()) + err;
}

QByteArray gunzip(const QString& path)
{
    QProcess gzip;
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    EXPECT_TRUE(gzip.waitForFinished(10000));
    return gzip.readAllStandardOutput();
}

TEST(InstalledLayout, EveryFileIsInItsPlace)
{
    // (The programs, their codec modules, the manual, the desktop entry, the metainfo, the MIME type
    // and the scalable icon are used or validated by the tests below and beside.)
    for (const QString& file : QStringList{"share/icons/hicolor/16x16/apps/" + kAppId + ".png",
                                           "share/icons/hicolor/256x256/apps/" + kAppId + ".png", "share/doc/pictoreel/changelog.gz"})
        EXPECT_TRUE(QFile::exists(kPrefix + u'/' + file)) << file.toStdString();
    // Every page and picture of the manual is installed with it.
    for (const QString& name : QDir(kSource + QStringLiteral("/help")).entryList(QDir::Files))
        EXPECT_TRUE(QFile::exists(kPrefix + QStringLiteral("/share/pictoreel/help/") + name)) << name.toStdString();
    // Every picture and page a manual page names is there.
    const QRegularExpression reference(QStringLiteral("(?:src|href)=\"([^\"#:]+)[\"#]"));
    for (const QString& page : QDir(kSource + QStringLiteral("/help")).entryList({QStringLiteral("*.html")})) {
        const QString html = QString::fromUtf8(fileContents(kSource + QStringLiteral("/help/") + page));
        for (auto match = reference.globalMatch(html); match.hasNext();) {
            const QString target = match.next().captured(1);
            EXPECT_TRUE(QFile::exists(kSource + QStringLiteral("/help/") + target)) << page.toStdString() << ": " << target.toStdString();
        }
    }
    // The build tree is portable; an installation is not.
    EXPECT_TRUE(QFile::exists(kBuildBin + QStringLiteral("/portable")));

    // Man pages compressed by gzip -9n: no file name and no time stamp in the header.
    for (const QString page : {"pictoreel", "pictoreel-cli"}) {
        QFile compressed(kPrefix + QStringLiteral("/share/man/man1/") + page + QStringLiteral(".1.gz"));
        ASSERT_TRUE(compressed.open(QIODevice::ReadOnly)) << page.toStdString();
        const QByteArray header = compressed.read(10);
        EXPECT_TRUE(header.startsWith("\x1f\x8b\x08") && (header[3] & 0x08) == 0 && header.mid(4, 4) == QByteArray(4, 0));
        EXPECT_EQ(gunzip(compressed.fileName()), fileContents(kSource + QStringLiteral("/docs/") + page + QStringLiteral(".1")));
    }
    // The copyright file in Debian's machine-readable format.
    const QByteArray text = fileContents(kPrefix + QStringLiteral("/share/doc/pictoreel/copyright"));
    EXPECT_TRUE(text.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    EXPECT_TRUE(text.contains("\nUpstream-Name: Pictoreel\n") && text.contains("\nLicense: GPL-3.0-or-later\n"));
}

// Installed, the programs find their codec modules (the run path leads from bin/ to them: a make
// goes through ImageMagick's, a GIF to AVI through FFmpeg's) and keep pictoreel.ini in the user's
// configuration folder and their temp files in the user's cache, never in bin/.
TEST(InstalledLayout, TheInstalledProgramsRunWithTheirCodecsAndKeepTheirFilesPerUser)
{
    const QTemporaryDir home;
    const QString config = home.filePath(QStringLiteral("config")), cache = home.filePath(QStringLiteral("cache"));
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    qputenv("XDG_CACHE_HOME", cache.toUtf8());
    const QString bin = kPrefix + QStringLiteral("/bin");
    ScriptedDialogs dialogs;
    RecordingShell shell;
    {
        MainWindow window(programFoldersFor(bin), dialogs, shell);
        EXPECT_EQ(window.context().settingsFile(), config + QStringLiteral("/pictoreel/pictoreel.ini"));
        EXPECT_EQ(window.context().tempFolder(), cache + QStringLiteral("/pictoreel/"));
    }
    EXPECT_TRUE(dialogs.calls.empty());

    const QString project = home.filePath(QStringLiteral("icons.agp")), gif = home.filePath(QStringLiteral("icons.gif"));
    ASSERT_TRUE(writeFileContents(project, QStringLiteral("[Global Properties]\nOutput GIF File Name=%1\nFrames=2\n[Frame Properties]\n"
                                                          "FRAME001=20;NO;255;org.example.Pictoreel.png;%2/\n"
                                                          "FRAME002=30;NO;255;org.example.Pictoreel.png;%2/\n")
                                               .arg(gif, kIcons).toUtf8()));
    runProgram(bin + QStringLiteral("/pictoreel-cli"), {QStringLiteral("make"), project, QStringLiteral("--quiet")}, 0);
    EXPECT_FALSE(QDir(cache + QStringLiteral("/pictoreel")).entryList({QStringLiteral("__tmp__org*")}, QDir::Files).isEmpty());
    runProgram(bin + QStringLiteral("/pictoreel-cli"), {QStringLiteral("gif2avi"), gif, home.filePath(QStringLiteral("m.avi"))}, 0);
    EXPECT_GT(QFileInfo(home.filePath(QStringLiteral("m.avi"))).size(), 0);
    EXPECT_EQ(QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList({"pictoreel", "pictoreel-cli"}));

    // The window program answers --version before it needs a display, naming the same codecs.
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        noDisplay.remove(QLatin1String(name));
    const QString version = runProgram(bin + QStringLiteral("/pictoreel"), {QStringLiteral("--version")}, 0, noDisplay);
    EXPECT_EQ(version, runProgram(bin + QStringLiteral("/pictoreel-cli"), {QStringLiteral("--version")}, 0));
    EXPECT_FALSE(version.contains(QStringLiteral("not available"))) << version.toStdString();
}

// Help / Contents opens the manual that is there (and the About box finds the logo), from the
// build tree and from an installation alike.
TEST(InstalledLayout, HelpOpensTheManualOfTheBuildTreeAndOfTheInstallation)
{
    for (const auto& [executableFolder, dataFolder] : {std::pair<QString, QString>{kBuildBin, kBuildBin},
                                                       {kPrefix + "/bin", kPrefix + "/share/pictoreel"}}) {
        const ProgramFolders found = programFoldersFor(executableFolder);
        EXPECT_EQ(found.helpFolder, QDir::cleanPath(dataFolder));
        EXPECT_EQ(QFile::exists(found.helpFolder + QStringLiteral("/vimo.gif")), sourceHasLogo());
        QTemporaryDir settings;
        ScriptedDialogs dialogs;
        RecordingShell shell;
        MainWindow window({settings.path(), found.helpFolder}, dialogs, shell);
        window.findChild<QAction*>(QStringLiteral("mnuHelpSub1"))->trigger();
        EXPECT_EQ(shell.opened, QStringList{found.helpFolder + QStringLiteral("/help/index.html")});
        EXPECT_TRUE(QFile::exists(shell.opened.value(0)));
    }
}

// Projects are known by name and by content, and the desktop entry opens them with the program
// and its icon.
TEST(DesktopIntegration, ProjectsAreKnownAndOpenWithTheProgram)
{
    qputenv("XDG_DATA_DIRS", (kPrefix + QStringLiteral("/share:/usr/share")).toUtf8());
    const QMimeDatabase mime;
    const QString type = QStringLiteral("application/x-pictoreel-project");
    EXPECT_EQ(mime.mimeTypeForFile(QStringLiteral("/nowhere/Holiday.agp"), QMimeDatabase::MatchExtension).name(), type);
    EXPECT_EQ(mime.mimeTypeForData(QByteArray("[Global Properties]\nWidth=100\n")).name(), type);

    QSettings entry(kPrefix + "/share/applications/" + kAppId + ".desktop", QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(entry.value("Exec").toString(), "pictoreel %f");
    EXPECT_TRUE(entry.value("MimeType").toString().contains(type));
    EXPECT_TRUE(QFile::exists(kPrefix + "/share/icons/hicolor/scalable/apps/" + entry.value("Icon").toString() + ".svg"));
}

// A path or file address opens the project, with Auto Size enabled; anything else leaves the
// empty project, and nothing asks the user.
TEST(DesktopIntegration, AProjectOnTheCommandLineIsOpenedAtStart)
{
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("holiday.agp"));
    ASSERT_TRUE(writeFileContents(project, QStringLiteral("[Global Properties]\nFrames=2\n[Frame Properties]\nFRAME001=20;NO;255;a.png;%1/\n"
                                                          "FRAME002=30;NO;255;b.png;%1/\n").arg(dir.path()).toUtf8()));
    ScriptedDialogs dialogs;
    RecordingShell shell;
    MainWindow window(ProgramFolders{dir.path(), dir.path()}, dialogs, shell);
    const QString app = QStringLiteral("pictoreel");
    for (const QStringList& arguments : QList<QStringList>{{app, dir.filePath("missing.agp")}, {app, project, project}}) {
        EXPECT_FALSE(openProjectFromArguments(window, arguments)) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(window.ProjectFile().isEmpty() && window.frames().rowCount() == 0);
    }
    for (const QString& argument : {project, QDir::current().relativeFilePath(project), QUrl::fromLocalFile(project).toString()}) {
        window.OpenProjectFile({});  // an empty project again
        ASSERT_TRUE(openProjectFromArguments(window, {app, argument})) << argument.toStdString();
        EXPECT_EQ(std::pair(window.ProjectFile(), window.frames().rowCount()), std::pair(project, 2));
        EXPECT_TRUE(window.findChild<QPushButton*>(QStringLiteral("cmdAutoW"))->isEnabled() &&
                    window.findChild<QPushButton*>(QStringLiteral("cmdAutoH"))->isEnabled());
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

}  // namespace
}  // namespace pictoreel::testing
