// The toolbars of the main window and the frames extractor: one row of small icons with their
// captions underneath, fixed in place, each button known by its key.
#pragma once

#include <QString>

#include <span>

class QAction;
class QMainWindow;
class QToolBar;

namespace pictoreel {

// A button of a toolbar; a button without a key is a separator.
struct ToolbarButton {
    const char* key;
    const char* caption;
    const char* tooltip;
};

// Adds the toolbar `Toolbar1` to `window`, `heightPixels` high, with the buttons in order (icons
// from toolbarIcon). Each button is an action named "Toolbar1_" and its key, holding the key as
// its data; the window connects it to its command.
QToolBar* addButtonToolbar(QMainWindow& window, std::span<const ToolbarButton> buttons, int heightPixels);

// The button of `toolbar` with this key.
QAction* toolbarButton(const QToolBar& toolbar, const char* key);

}  // namespace pictoreel
