// What the commands that edit the frame list's rows use of the main window, and the two steps
// they share: the notice of an empty list and the showing of the rows once they changed.
#pragma once

#include <functional>

class QWidget;

namespace pictoreel {

class AppContext;
class FrameList;
class FrameListView;

struct RowsHost {
    QWidget* window = nullptr;      // the parent of the message boxes and dialogs
    AppContext* context = nullptr;  // the dialogs and the settings file
    FrameList* frames = nullptr;
    FrameListView* list = nullptr;
    // The highlighted frame's pictures and values on the views and the panel.
    std::function<void()> showFrame;
};

// "No files in the list!" when the list is empty.
void tellWhenNoFrames(const RowsHost& host);
// Selects the first row again when none is highlighted, and shows the highlighted one.
void showEditedFrames(const RowsHost& host);

}  // namespace pictoreel
