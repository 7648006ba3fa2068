// Undo and redo of a project's changes: a stack of snapshots of the whole project (its global
// values and its frames' texts), the newest on top, with a mark on the state last written to the
// project file. A snapshot costs little: the texts are shared with the list they came from.
#pragma once

#include "core/project/frame_list.h"
#include "core/project/project_file.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

namespace pictoreel {

struct ProjectState {
    ProjectProperties properties;
    // The rows with their check boxes; the boxes are carried along but are no part of the
    // project (the file does not hold them), and neither are the row numbers.
    std::vector<FrameEntry> rows;
};

// Whether two states are the same project: equal properties and equal frame texts, whatever the
// row numbers and check boxes.
bool sameProject(const ProjectState& a, const ProjectState& b);

// Makes `frames` hold `rows` (texts and check boxes), renumbered. Rows already equal are left
// alone, so that a view over the list redraws only what changed.
void restoreFrames(FrameList& frames, const std::vector<FrameEntry>& rows);

class UndoHistory {
public:
    // At most `maxStates` states are kept, and at most `maxStoredRows` rows over all of them; the
    // oldest go first, the current state never.
    explicit UndoHistory(std::size_t maxStates = 200, std::size_t maxStoredRows = 500000);

    // Starts again from one state, the saved one (a new or just opened project).
    void reset(ProjectState state);
    // Records the project as it is now. A state that is a different project from the current one
    // goes on top (the states that could be redone go) and true is returned; otherwise the current
    // state only takes the new check boxes.
    bool record(ProjectState state);

    bool canUndo() const { return current_ > 0; }
    bool canRedo() const { return current_ + 1 < states_.size(); }
    // Steps back or forward (staying where it is when it cannot); returns the state to show.
    const ProjectState& undo();
    const ProjectState& redo();
    const ProjectState& current() const { return states_[current_]; }

    // The current state is now what the project file holds.
    void markSaved() { saved_ = states_[current_]; }
    // Whether the current state is another project than the one last saved.
    bool isModified() const { return !saved_ || !sameProject(*saved_, current()); }

private:
    void dropOldest();

    std::size_t maxStates_;
    std::size_t maxStoredRows_;
    std::deque<ProjectState> states_;
    std::size_t current_ = 0;
    std::size_t storedRows_ = 0;
    std::optional<ProjectState> saved_;
};

}  // namespace pictoreel
