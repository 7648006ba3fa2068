// What the windows share of the running program: where its files are (the settings file, the
// temp folder, the preview GIF, the help and the logo) and the dialogs and the desktop shell that
// every box and link goes through. The main window owns it and hands it to the windows it opens,
// so that no window needs the main window for these.
#pragma once

#include "core/project/program_values.h"

#include <QString>

namespace pictoreel {

class Dialogs;
class Shell;

// Where the program finds its files: `programFolder` keeps pictoreel.ini and the default temp
// folder; `helpFolder` holds the help, the About logo and pictoreel.chm: the executable's folder in
// a build tree, the installation's share folder otherwise.
struct ProgramFolders {
    QString programFolder;
    QString helpFolder;
};

class AppContext {
public:
    AppContext(ProgramFolders folders, Dialogs& dialogs, Shell& shell);
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    Dialogs& dialogs() const { return dialogs_; }
    Shell& shell() const { return shell_; }

    // The settings file, the temp folder (made, a failure given to `report`) and the preview
    // file, formed from the program folder; until then all three are empty.
    void loadProgramValues(const PathErrorReporter& report);
    const QString& settingsFile() const { return values_.settingsFile; }
    // Always ends in a separator once set.
    const QString& tempFolder() const { return values_.tempFolder; }
    void setTempFolder(const QString& folder);
    const QString& previewFile() const { return values_.previewFile; }
    // Forms the preview file again from the temp folder and gives it.
    const QString& formPreviewFile();

    // A file of the help folder ("vimo.gif", "pictoreel.chm", "help/index.html").
    QString helpFile(const QString& name) const;

private:
    ProgramFolders folders_;
    Dialogs& dialogs_;
    Shell& shell_;
    ProgramValues values_;
};

}  // namespace pictoreel
