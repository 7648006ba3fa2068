#include "core/project/program_values.h"

#include "core/project/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace pictoreel {
namespace {

QString userConfigFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir::cleanPath(base + QStringLiteral("/pictoreel"));
}

QString userCacheFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return QDir::cleanPath(base + QStringLiteral("/pictoreel"));
}

bool keptPerUser(const QString& settingsFolder) { return QDir::cleanPath(settingsFolder) == userConfigFolder(); }

}  // namespace

QString executableFolder()
{
    const QString fromApp = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (!fromApp.isEmpty())
        return QDir::cleanPath(fromApp);
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

bool isPortableFolder(const QString& folder)
{
    return QFileInfo(joinPath(folder, QLatin1String(kPortableMarkerName))).isFile();
}

QString settingsFolderFor(const QString& folder)
{
    if (isPortableFolder(folder))
        return folder;
    const QString config = userConfigFolder();
    QDir().mkpath(config);
    return config;
}

QString defaultTempFolderFor(const QString& settingsFolder)
{
    if (keptPerUser(settingsFolder))
        return withTrailingSeparator(userCacheFolder());
    return withTrailingSeparator(joinPath(settingsFolder, QStringLiteral("temp")));
}

QString programDataFolderFor(const QString& folder)
{
    const QDir beside(folder);
    if (beside.exists(QStringLiteral("help/index.html")) || beside.exists(QStringLiteral("vimo.gif")) ||
        beside.exists(QStringLiteral("pictoreel.chm")))
        return folder;
    const QString shared = QDir::cleanPath(folder + QStringLiteral("/../share/pictoreel"));
    if (QFileInfo(shared).isDir())
        return shared;
    return folder;
}

QString previewFileFor(const QString& tempFolder) { return tempFolder + QLatin1String(kPreviewFileName); }

ProgramValues resolveProgramValues(const QString& programFolder, const PathErrorReporter& report)
{
    ProgramValues values;
    values.programFolder = programFolder;
    values.settingsFile = joinPath(programFolder, QLatin1String(kSettingsFileName));
    values.tempFolder = ReadIniKey(QStringLiteral("General"), QStringLiteral("Temp Path"),
                                   defaultTempFolderFor(programFolder), values.settingsFile);
    // "~/" at the start is the home folder, as in a shell.
    if (values.tempFolder == QStringLiteral("~") || values.tempFolder.startsWith(QStringLiteral("~/")))
        values.tempFolder = QDir::homePath() + values.tempFolder.mid(1);
    // A relative folder is the settings file's, wherever the program was started from.
    if (!values.tempFolder.trimmed().isEmpty() && QDir::isRelativePath(values.tempFolder))
        values.tempFolder = joinPath(programFolder, values.tempFolder);
    MakePath(values.tempFolder, report);
    if (!endsWithSeparator(values.tempFolder)) {
        if (values.tempFolder.trimmed().isEmpty()) {
            values.tempFolder = withTrailingSeparator(programFolder);
            // Per user, the cache folder stands in for the program folder: never the config folder.
            if (keptPerUser(programFolder)) {
                values.tempFolder = defaultTempFolderFor(programFolder);
                MakePath(values.tempFolder, report);
            }
        } else {
            values.tempFolder += kPathSeparator;
        }
    }
    values.previewFile = previewFileFor(values.tempFolder);
    return values;
}

}  // namespace pictoreel
