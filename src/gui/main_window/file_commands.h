// The File menu's project commands, as the main window runs them: a new project, opening one
// (from the open dialog or the history window), saving it under its name or another, the
// question to save before a project is closed, and E&xit.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace pictoreel {

class AppContext;
class FrameList;
class PropertyPanel;

// What the commands use of the main window.
struct FileHost {
    QWidget* window = nullptr;  // the parent of the boxes and windows
    AppContext* context = nullptr;  // the dialogs and the settings file
    FrameList* frames = nullptr;
    PropertyPanel* panel = nullptr;
    // The project's file (empty for a new project), and its change, which the title follows.
    std::function<QString()> projectFile;
    std::function<void(const QString&)> setProjectFile;
    // The window's part of a new project, once the frames and the panel are emptied: the picture
    // views and the made-GIF panel cleared, and the undo history started again.
    std::function<void()> clearWindow;
    // The rows of a project just read: the first one selected and shown, the history started again.
    std::function<void()> showOpenedProject;
    // The project was written to its file: the undo history marks this state as saved.
    std::function<void()> projectSaved;
    // Whether the project has changes that its file does not hold.
    std::function<bool()> isModified;
    std::function<void()> addFrames;  // "&Add Image Files ..."
    std::function<void()> applyAutoSizeRule;
};

class FileCommands final {
public:
    explicit FileCommands(FileHost host);

    void NewProject();
    // A new project (when the old one may go), then the add-pictures dialog.
    void StartNewProject();
    void OpenProject();
    // See MainWindow::OpenProjectFile.
    bool OpenProjectFile(const QString& strFile);
    // The history window `frmList`, modal to the window and returning at once; the Auto Size rule
    // runs again when it closes.
    void ShowHistoryList();
    void SaveProject() { trySaveProject(); }
    void SaveProjectAs();
    // Whether the project was written there; a file that cannot be written is told.
    bool WriteProjectFile(const QString& path);
    // "Save Before Closing" while the project has changes that are not saved; false when the user
    // cancels, or answers Yes and the project is not saved after all.
    bool askToSaveBeforeClosing();
    // E&xit: the window's close sequence, then the end of the program unless the user cancelled.
    void exitProgram();
    // What ends the program after E&xit; by default every window closes and the application quits.
    void setProgramEndHandler(std::function<void()> handler) { programEnd_ = std::move(handler); }

private:
    // SaveProject, telling whether the project was saved (not when its dialog was cancelled).
    bool trySaveProject();

    FileHost host_;
    std::function<void()> programEnd_;
};

}  // namespace pictoreel
