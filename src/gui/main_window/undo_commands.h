// The main window's undo and redo, and the modified mark of its title. Whatever changes the
// project (a menu or toolbar command, a key, a drop, a drag, a value typed into the property panel)
// is recorded once that command is over, as one state of the history; the check boxes of the
// rows are carried along but are no change of their own, as the project file does not hold them.
#pragma once

#include "core/project/undo_history.h"

#include <QString>

#include <functional>

class QAction;
class QWidget;

namespace pictoreel {

class FrameList;
class FrameListModel;
class FrameListView;
class PropertyPanel;

// What the commands use of the main window.
struct UndoHost {
    QWidget* window = nullptr;  // its title carries the modified mark
    FrameListModel* model = nullptr;  // its changes are the rows' changes
    PropertyPanel* panel = nullptr;
    FrameList* frames = nullptr;
    FrameListView* list = nullptr;
    QAction* undoAction = nullptr;  // "U&ndo" and "R&edo", enabled as the history allows
    QAction* redoAction = nullptr;
    std::function<QString()> projectFile;  // empty for a new project
    // A make, a preview or a merge is under way: nothing is undone meanwhile.
    std::function<bool()> isWorking;
    // A state brought back: the highlighted frame shown, or with no rows left the views cleared.
    std::function<void()> showFrame;
    std::function<void()> clearPictures;
    std::function<void()> applyAutoSizeRule;
};

class UndoCommands final {
public:
    // Records every change of the model and every edit of the panel from now on.
    explicit UndoCommands(UndoHost host);

    // "U&ndo" and "R&edo": the project as it was before the last change, and back again.
    void undoChange() { stepHistory(true); }
    void redoChange() { stepHistory(false); }
    // One command makes many changes (a row at a time, then the size boxes): they are recorded
    // together once control is back in the event loop.
    void recordLater();
    void record();
    // A new or just opened project: the history starts again from the project as it is, saved.
    void startHistory();
    // The project was written to its file.
    void markSaved();
    // Whether the project has changes that its file does not hold (a new project: any change).
    bool isModified();
    // The Undo and Redo entries enabled as the history allows, and the title's modified mark.
    void showState();

private:
    ProjectState projectState() const;
    void stepHistory(bool back);
    void showProjectState(const ProjectState& state);

    UndoHost host_;
    UndoHistory history_;
    bool recordQueued_ = false;  // a change waits to be recorded when the command is over
};

}  // namespace pictoreel
