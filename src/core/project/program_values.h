// The program-wide values every window relies on, formed once at start-up: where the settings
// live, the folder for temporary files and the preview GIF. Both programs, the window and
// pictoreel-cli, find them by the same rules.
#pragma once

#include "core/project/paths.h"

#include <QString>

namespace pictoreel {

inline constexpr auto kSettingsFileName = "pictoreel.ini";
inline constexpr auto kPreviewFileName = "__tmp__preview.gif";
// A file of this name beside the programs keeps their settings and temp folder there too.
inline constexpr auto kPortableMarkerName = "portable";

struct ProgramValues {
    QString programFolder;  // the folder that keeps pictoreel.ini
    QString settingsFile;
    QString tempFolder;     // always ends in a separator
    QString previewFile;
};

// The folder of the running executable, without a trailing separator (unless it is the root).
QString executableFolder();

// Whether the programs in `executableFolder` keep their files beside themselves: the build tree
// and any folder holding a "portable" marker file. An installation never has the marker.
bool isPortableFolder(const QString& executableFolder);

// Where pictoreel.ini lives: beside a portable program; for an installed one (any prefix, writable
// or not) the per-user configuration folder $XDG_CONFIG_HOME/pictoreel, made if needed.
QString settingsFolderFor(const QString& executableFolder);

// The temp folder used when the settings name none, ending in a separator: "temp" beside a
// settings file kept with the program; the per-user cache folder $XDG_CACHE_HOME/pictoreel for
// settings kept per user. So an installed program writes nothing into its bin folder.
QString defaultTempFolderFor(const QString& settingsFolder);

// Where the program's own read-only files live (the help folder "help", the logo "vimo.gif",
// a "pictoreel.chm"): beside the executable when they are there (a build tree, a folder copied
// as a whole); otherwise the installation's share folder, "../share/pictoreel" seen from a "bin"
// folder, when that exists; otherwise the executable's folder all the same.
QString programDataFolderFor(const QString& executableFolder);

// The values for the settings kept in `programFolder` (see settingsFolderFor): "Temp Path" of the
// settings file (default: defaultTempFolderFor; a relative one is taken from `programFolder`,
// not from the working folder), made with its parents (failures reported through
// `report`, start-up goes on), ending in a separator; a blank "Temp Path" stands for the program
// folder itself, or for the per-user cache folder when the settings are kept per user. Then the
// preview file inside it.
ProgramValues resolveProgramValues(const QString& programFolder, const PathErrorReporter& report);

// The preview GIF for a temp folder.
QString previewFileFor(const QString& tempFolder);

}  // namespace pictoreel
