// The commands of the frame list's rows as the main window runs them: File, "&Add Image Files ..."
// and the rows it and the other adding commands append, and the Edit menu's Check and Uncheck All
// Frames, Remove Checked Frames, Clear All Frames and the moves of the highlighted frame, with
// the Delete key and Up and Down for several selected rows.
#pragma once

#include "gui/main_window/rows_host.h"

#include <QStringList>

#include <vector>

namespace pictoreel {

class ImagingComponent;
class PropertyPanel;

struct FrameListHost : RowsHost {
    PropertyPanel* panel = nullptr;  // the frame values of new rows, and the size boxes
    const ImagingComponent* originalPicture = nullptr;  // the original picture's view's
    std::function<void()> applyAutoSizeRule;
};

class FrameListCommands final {
public:
    explicit FrameListCommands(FrameListHost host) : host_(std::move(host)) {}

    // "&Add Image Files ...": the add-pictures dialog, whose pictures become rows.
    void AddFrames();
    // Appends a row for each picture with the panel's frame values, `intervals[i]` in place of
    // the panel's interval where given, and moves the new rows before row `before` (1-based; 0:
    // they stay at the end), then selects, shows and sizes as Add Image Files does.
    void addPictureRows(const QStringList& paths, const std::vector<int>& intervals = {}, int before = 0);
    // Checking, unchecking and clearing all say so when the list is empty, and go on.
    void CheckAllFrames();
    void UncheckAllFrames();
    void RemoveCheckedFrames();
    void ClearAllFrames();
    // A selection of several rows moves one place each; a single highlighted row swaps with its
    // neighbour.
    void MoveFrameUp() { moveHighlighted(-1); }
    void MoveFrameDown() { moveHighlighted(+1); }
    // The Delete key removes the selected rows.
    void deleteSelectedFrames();

private:
    void moveHighlighted(int step);
    // Up and Down with several rows selected (step -1 or +1).
    void moveSelectedFrames(int step);
    void tellAtEnd(int step) const;

    FrameListHost host_;
};

// The entries of the add-pictures dialog, as "description|patterns" pairs joined by "|": the 25 it
// always had, then WebP, HEIC/HEIF and AVIF.
QString imageFilesFilter();

}  // namespace pictoreel
