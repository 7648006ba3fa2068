// The program-wide values every window relies on, formed once at start-up: where the settings
// live, the folder for temporary files and the preview GIF.
#pragma once

#include "core/project/paths.h"

#include <QString>

namespace pictoreel {

inline constexpr auto kSettingsFileName = "pictoreel.ini";
inline constexpr auto kPreviewFileName = "__tmp__preview.gif";

struct ProgramValues {
    QString programFolder;  // the folder that keeps pictoreel.ini and the default temp folder
    QString settingsFile;
    QString tempFolder;     // always ends in a separator
    QString previewFile;
};

// The folder of the running executable, without a trailing separator (unless it is the root).
QString executableFolder();

// Where pictoreel.ini and the default temp folder live: beside the program when that folder is
// the program's own and writable; for a system-wide install (a shared bin folder, or one we may
// not write) the per-user configuration folder, made if needed.
QString settingsFolderFor(const QString& executableFolder);

// Where the program's own read-only files live (the help folder "help", the logo "vimo.gif",
// a "pictoreel.chm"): beside the executable when they are there (a build tree, a folder copied
// as a whole); otherwise the installation's share folder, "../share/pictoreel" seen from a "bin"
// folder, when that exists; otherwise the executable's folder all the same.
QString programDataFolderFor(const QString& executableFolder);

// "Temp Path" of the settings file (default: the folder and "temp"), made with its parents
// (failures reported through `report`, start-up goes on), ending in a separator; then the
// preview file inside it.
ProgramValues resolveProgramValues(const QString& programFolder, const PathErrorReporter& report);

// The preview GIF for a temp folder.
QString previewFileFor(const QString& tempFolder);

}  // namespace pictoreel
