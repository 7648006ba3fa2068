#include "core/project/program_values.h"

#include "core/project/settings_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace pictoreel {
namespace {

bool isSharedBinFolder(const QString& folder)
{
    static const QStringList shared = {QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin"),
                                       QStringLiteral("/bin"), QStringLiteral("/usr/games"),
                                       QStringLiteral("/usr/local/games")};
    return shared.contains(QDir::cleanPath(folder));
}

bool mayWriteTo(const QString& folder) { return QFileInfo(folder).isWritable(); }

QString userConfigFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir::cleanPath(base + QStringLiteral("/pictoreel"));
}

}  // namespace

QString executableFolder()
{
    const QString fromApp = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (!fromApp.isEmpty())
        return QDir::cleanPath(fromApp);
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

QString settingsFolderFor(const QString& folder)
{
    if (!isSharedBinFolder(folder) && mayWriteTo(folder))
        return folder;
    const QString config = userConfigFolder();
    QDir().mkpath(config);
    return config;
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
    const QString defaultTemp = withTrailingSeparator(joinPath(programFolder, QStringLiteral("temp")));
    values.tempFolder = ReadIniKey(QStringLiteral("General"), QStringLiteral("Temp Path"), defaultTemp,
                                   values.settingsFile);
    MakePath(values.tempFolder, report);
    if (!endsWithSeparator(values.tempFolder)) {
        if (values.tempFolder.trimmed().isEmpty())
            values.tempFolder = withTrailingSeparator(programFolder);
        else
            values.tempFolder += kPathSeparator;
    }
    values.previewFile = previewFileFor(values.tempFolder);
    return values;
}

}  // namespace pictoreel
