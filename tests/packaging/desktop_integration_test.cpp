// The programs as a desktop sees them: the install layout, the help and logo found from the build
// tree and from an installation, the ".agp" MIME type, the desktop entry agreeing with it, the
// icon set, and a project passed on the command line (as a file manager does) opened at start.
#include "core/project/program_values.h"
#include "gui/program_start.h"
#include "gui/property_panel.h"
#include "gui/support/scripted_dialogs.h"
#include "gui/toolbar_icons.h"

#include <QAction>
#include <QDir>
#include <QFile>
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
const QString kModules = QStringLiteral(PICTOREEL_MODULE_INSTALL_DIR);

bool sourceHasLogo() { return QFile::exists(kSource + QStringLiteral("/data/vimo.gif")); }

TEST(InstalledLayout, EveryFileIsInItsPlace)
{
    const QStringList files{
        "bin/pictoreel",
        "bin/pictoreel-cli",
        "share/pictoreel/help/index.html",
        "share/applications/" + kAppId + ".desktop",
        "share/mime/packages/pictoreel.xml",
        "share/metainfo/" + kAppId + ".metainfo.xml",
        "share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
        "share/icons/hicolor/16x16/apps/" + kAppId + ".png",
        "share/icons/hicolor/256x256/apps/" + kAppId + ".png",
        "share/doc/pictoreel/copyright",
        "share/doc/pictoreel/changelog.gz",
        kModules + QStringLiteral("/libpictoreel-magick.so"),
        kModules + QStringLiteral("/libpictoreel-ffmpeg.so"),
    };
    for (const QString& file : files)
        EXPECT_TRUE(QFile::exists(kPrefix + u'/' + file)) << file.toStdString();
    EXPECT_EQ(QFile::exists(kPrefix + QStringLiteral("/share/pictoreel/vimo.gif")), sourceHasLogo());
    EXPECT_TRUE(QFileInfo(kPrefix + QStringLiteral("/bin/pictoreel")).isExecutable());
    // The build tree is portable; an installation is not.
    EXPECT_TRUE(QFile::exists(kBuildBin + QStringLiteral("/portable")));
    EXPECT_EQ(QDir(kPrefix + QStringLiteral("/bin")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"pictoreel", "pictoreel-cli"}));

    // Man pages compressed by gzip -9n: no file name and no time stamp in the header.
    for (const char* page : {"pictoreel", "pictoreel-cli"}) {
        QFile compressed(kPrefix + QStringLiteral("/share/man/man1/%1.1.gz").arg(QLatin1String(page)));
        ASSERT_TRUE(compressed.open(QIODevice::ReadOnly)) << page;
        const QByteArray header = compressed.read(10);
        EXPECT_TRUE(header.startsWith("\x1f\x8b\x08") && (header[3] & 0x08) == 0 && header.mid(4, 4) == QByteArray(4, 0))
            << page;
        QProcess gunzip;
        gunzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), compressed.fileName()});
        ASSERT_TRUE(gunzip.waitForFinished(10000));
        QFile source(kSource + QStringLiteral("/docs/%1.1").arg(QLatin1String(page)));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        EXPECT_EQ(gunzip.readAllStandardOutput(), source.readAll()) << page;
    }
    EXPECT_TRUE(QDir(kPrefix + QStringLiteral("/share/man/man1")).entryList({QStringLiteral("*.1")}).isEmpty());

    // The copyright file in Debian's machine-readable format.
    QFile copyright(kPrefix + QStringLiteral("/share/doc/pictoreel/copyright"));
    ASSERT_TRUE(copyright.open(QIODevice::ReadOnly));
    const QByteArray text = copyright.readAll();
    EXPECT_TRUE(text.startsWith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
    EXPECT_TRUE(text.contains("\nUpstream-Name: Pictoreel\n"));
    EXPECT_TRUE(text.contains("\nFiles: *\nCopyright: ") && text.contains("\nLicense: GPL-3.0-or-later\n"));

    // Every page the manual links to, and every picture it shows, is installed with it.
    const QDir help(kPrefix + QStringLiteral("/share/pictoreel/help"));
    const QDir sourceHelp(kSource + QStringLiteral("/help"));
    for (const QString& name : sourceHelp.entryList(QDir::Files))
        EXPECT_TRUE(help.exists(name)) << name.toStdString();
}

// The installed program finds the installed codec modules (its run path leads from bin/ to them):
// a picture goes through ImageMagick's module, a GIF to AVI through FFmpeg's.
TEST(InstalledLayout, TheCommandLineProgramRunsFromThePrefixWithItsCodecs)
{
    const QTemporaryDir scratch;
    const auto run = [](const QStringList& arguments) {
        QProcess cli;
        cli.start(kPrefix + QStringLiteral("/bin/pictoreel-cli"), arguments);
        EXPECT_TRUE(cli.waitForFinished(30000));
        EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
        return cli.readAllStandardOutput();
    };
    EXPECT_TRUE(run({QStringLiteral("--help")}).contains("make PROJECT.agp"));
    const QString gif = scratch.filePath(QStringLiteral("picture.gif"));
    run({QStringLiteral("frame"), kSource + QStringLiteral("/icons/hicolor/48x48/org.example.Pictoreel.png"), QStringLiteral("-o"), gif});
    const QString avi = scratch.filePath(QStringLiteral("movie.avi"));
    run({QStringLiteral("gif2avi"), gif, avi});
    EXPECT_TRUE(QFileInfo(avi).size() > 0);
}

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

// Installed, both programs keep pictoreel.ini in the user's configuration folder and their temp
// files in the user's cache, never in bin/: the window (whose temp folder the Options dialog
// shows) and pictoreel-cli's make.
TEST(InstalledLayout, SettingsAndTempFilesArePerUser)
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
        EXPECT_TRUE(QFileInfo(window.context().tempFolder()).isDir());
    }
    EXPECT_TRUE(dialogs.calls.empty());

    const QString project = home.filePath(QStringLiteral("icons.agp"));
    QFile file(project);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("[Global Properties]\nWidth=24\nHeight=24\nLoop Infinitely=1\nLoop Times=1\n"
                              "Output GIF File Name=%1\nFrames=2\n[Frame Properties]\n"
                              "FRAME001=20;NO;255;org.example.Pictoreel.png;%2/\n"
                              "FRAME002=30;NO;255;org.example.Pictoreel.png;%2/\n")
                   .arg(home.filePath(QStringLiteral("icons.gif")), kSource + QStringLiteral("/icons/hicolor/48x48"))
                   .toUtf8());
    file.close();
    runProgram(bin + QStringLiteral("/pictoreel-cli"), {QStringLiteral("make"), project, QStringLiteral("--quiet")}, 0);
    EXPECT_FALSE(QDir(cache + QStringLiteral("/pictoreel")).entryList({QStringLiteral("__tmp__org*")}, QDir::Files).isEmpty());
    EXPECT_EQ(QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"pictoreel", "pictoreel-cli"}));
}

// The window program answers --help, --version and a wrong command line before it needs a
// display; its --version is pictoreel-cli's.
TEST(InstalledLayout, TheWindowProgramAnswersItsCommandLineWithoutADisplay)
{
    QProcessEnvironment noDisplay = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        noDisplay.remove(QLatin1String(name));
    const QString window = kPrefix + QStringLiteral("/bin/pictoreel");
    const QString version = runProgram(window, {QStringLiteral("--version")}, 0, noDisplay);
    EXPECT_TRUE(version.startsWith(QStringLiteral("Pictoreel 1.40\nQt 6."))) << version.toStdString();
    EXPECT_EQ(version, runProgram(kPrefix + QStringLiteral("/bin/pictoreel-cli"), {QStringLiteral("--version")}, 0));
    EXPECT_FALSE(version.contains(QStringLiteral("not available"))) << version.toStdString();

    const struct {
        QStringList arguments;
        int exitCode;
        const char* said;
    } cases[] = {
        {{"-h"}, 0, "usage: pictoreel [OPTION]... [PROJECT.agp]"},
        {{"a.agp", "--help"}, 0, "usage: pictoreel"},
        {{"--bogus", "a.agp"}, 2, "pictoreel: unknown option \"--bogus\""},
        {{"a.agp", "b.agp", "c.agp"}, 2, "unexpected arguments \"b.agp\", \"c.agp\""},
        {{"-style"}, 2, "-style needs a value"},
    };
    for (const auto& c : cases) {
        const QString said = runProgram(window, c.arguments, c.exitCode, noDisplay);
        EXPECT_TRUE(said.contains(QLatin1String(c.said))) << said.toStdString();
    }
}

// The help folder and the logo, from the folder the executable is in.
struct LayoutCase {
    const char* name;
    QString executableFolder;
    QString expectedDataFolder;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class ProgramFilesLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ProgramFilesLayout, HelpContentsOpensTheManualThatIsThere)
{
    const LayoutCase& c = GetParam();
    const ProgramFolders found = programFoldersFor(c.executableFolder);
    EXPECT_EQ(found.helpFolder, QDir::cleanPath(c.expectedDataFolder));
    EXPECT_EQ(QFile::exists(found.helpFolder + QStringLiteral("/vimo.gif")), sourceHasLogo());

    QTemporaryDir settings;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    MainWindow window({settings.path(), found.helpFolder}, dialogs, shell);
    window.findChild<QAction*>(QStringLiteral("mnuHelpSub1"))->trigger();   // "&Contents ..."
    window.findChild<QAction*>(QStringLiteral("Toolbar1_help"))->trigger();
    const QString manual = found.helpFolder + QStringLiteral("/help/index.html");
    EXPECT_EQ(shell.opened, QStringList({manual, manual}));
    EXPECT_TRUE(QFile::exists(manual));
}

INSTANTIATE_TEST_SUITE_P(
    BuildTreeAndInstalled, ProgramFilesLayout,
    ::testing::Values(LayoutCase{"BuildTree", kBuildBin, kBuildBin},
                      LayoutCase{"Installed", kPrefix + QStringLiteral("/bin"),
                                 kPrefix + QStringLiteral("/share/pictoreel")}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST(DesktopIntegration, ProjectsAreKnownByNameAndByContent)
{
    // The desktop looks for MIME types in XDG_DATA_DIRS; the installed share folder comes first.
    qputenv("XDG_DATA_DIRS", (kPrefix + QStringLiteral("/share:/usr/share")).toUtf8());
    const QMimeDatabase mime;
    EXPECT_EQ(mime.mimeTypeForFile(QStringLiteral("/nowhere/Holiday.agp"), QMimeDatabase::MatchExtension).name(),
              "application/x-pictoreel-project");
    QTemporaryDir dir;
    const QString unnamed = dir.filePath(QStringLiteral("project-without-extension"));
    QFile file(unnamed);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Global Properties]\nWidth=100\n");
    file.close();
    EXPECT_EQ(mime.mimeTypeForFile(unnamed, QMimeDatabase::MatchContent).name(), "application/x-pictoreel-project");
    EXPECT_TRUE(mime.mimeTypeForName(QStringLiteral("application/x-pictoreel-project")).inherits("text/plain"));
}

TEST(DesktopIntegration, DesktopEntryOpensProjectsWithTheProgramAndItsIcon)
{
    QSettings entry(kPrefix + "/share/applications/" + kAppId + ".desktop", QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(entry.value("Exec").toString(), "pictoreel %f");
    EXPECT_TRUE(entry.value("MimeType").toString().contains("application/x-pictoreel-project"));
    EXPECT_TRUE(entry.value("Categories").toString().contains("Graphics"));
    const QString icon = entry.value("Icon").toString();
    EXPECT_TRUE(QFile::exists(kPrefix + "/share/icons/hicolor/scalable/apps/" + icon + ".svg")) << icon.toStdString();
}

TEST(IconSet, EveryToolbarKeyHasAPictureThatScales)
{
    for (const char* key : {"new", "open", "save", "saveall", "add", "del", "up", "down", "preview", "make", "play",
                            "options", "help", "checkall", "uncheckall"}) {
        const QIcon icon = toolbarIcon(QString::fromLatin1(key));
        ASSERT_FALSE(icon.isNull()) << key;
        // Drawn from the vector for a high-density screen, not blown up from a small bitmap.
        const QImage large = icon.pixmap(QSize(24, 24), 2.0).toImage();
        EXPECT_EQ(large.size(), QSize(48, 48)) << key;
        EXPECT_GT(large.pixelColor(24, 24).alpha() + large.pixelColor(12, 12).alpha(), 0) << key;
    }
    EXPECT_TRUE(toolbarIcon(QStringLiteral("nothing")).isNull());
    EXPECT_TRUE(toolbarIcon(QStringLiteral("../org.example.Pictoreel")).isNull());
    EXPECT_FALSE(applicationIcon().isNull());
    EXPECT_EQ(applicationIcon().pixmap(QSize(256, 256)).size(), QSize(256, 256));
}

class CommandLineProject : public ::testing::Test {
protected:
    void SetUp() override
    {
        project = dir.filePath(QStringLiteral("holiday.agp"));
        QFile file(project);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[Global Properties]\nWidth=24\nHeight=12\nLoop Infinitely=1\nLoop Times=1\n"
                                  "Output GIF File Name=\nFrames=2\n[Frame Properties]\n"
                                  "FRAME001=20;NO;255;a.png;%1/\nFRAME002=30;NO;255;b.png;%1/\n")
                       .arg(dir.path())
                       .toUtf8());
        window = std::make_unique<MainWindow>(ProgramFolders{dir.path(), dir.path()}, dialogs, shell);
    }

    QTemporaryDir dir;
    QString project;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    std::unique_ptr<MainWindow> window;
};

TEST_F(CommandLineProject, APathOrFileAddressOpensTheProject)
{
    const QString relative = QDir::current().relativeFilePath(project);
    for (const QString& argument : {project, relative, QUrl::fromLocalFile(project).toString()}) {
        window->NewProject();
        ASSERT_TRUE(openProjectFromArguments(*window, {QStringLiteral("pictoreel"), argument})) << argument.toStdString();
        EXPECT_EQ(window->ProjectFile(), project);
        EXPECT_EQ(window->frames().rowCount(), 2);
        EXPECT_EQ(window->windowTitle(), "holiday.agp - Pictoreel");
        EXPECT_TRUE(window->findChild<QPushButton*>(QStringLiteral("cmdAutoW"))->isEnabled());
        EXPECT_TRUE(window->findChild<QPushButton*>(QStringLiteral("cmdAutoH"))->isEnabled());
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

TEST_F(CommandLineProject, AnythingElseLeavesTheEmptyProject)
{
    const QList<QStringList> argumentLists{
        {QStringLiteral("pictoreel")},
        {QStringLiteral("pictoreel"), dir.filePath(QStringLiteral("missing.agp"))},
        {QStringLiteral("pictoreel"), dir.path()},
        {QStringLiteral("pictoreel"), QString()},
        {QStringLiteral("pictoreel"), project, project},
    };
    for (const QStringList& arguments : argumentLists) {
        EXPECT_FALSE(openProjectFromArguments(*window, arguments)) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(window->ProjectFile().isEmpty());
        EXPECT_EQ(window->frames().rowCount(), 0);
    }
    EXPECT_TRUE(dialogs.calls.empty());
}

}  // namespace
}  // namespace pictoreel::testing
