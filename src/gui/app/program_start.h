// How the window program starts: where its folders are for the executable at hand, the one
// argument it takes (a project file, as a file manager passes it) and its icon.
#pragma once

#include "gui/main_window/main_window.h"

#include <QStringList>

namespace pictoreel {

// The settings folder (beside the program, or per user for a system-wide install) and the
// folder of the help and the logo (beside the program, or the installation's share folder).
ProgramFolders programFoldersFor(const QString& executableFolder);

// Opens the project named by the program's arguments (the program's own name first), as the
// history window opens one, with the Auto Size buttons enabled for its frames. A "file:" address
// is taken as its local path and a relative path is taken from the working folder. No argument,
// an argument that is not an existing file, or more than one argument leave the empty project of
// start-up; so does a file that is not a project, after a message saying so, unless it is a
// picture, an animation or a video, which is added to the project as a drop on the window adds
// it. Returns whether a project was opened.
bool openProjectFromArguments(MainWindow& window, const QStringList& arguments);

}  // namespace pictoreel
