// The toolbars of the main window and the frames extractor: one row of small icons with their
// captions underneath, fixed in place, each button carrying the key its window dispatches on.
#pragma once

#include <QString>

#include <functional>
#include <span>
#include <vector>

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
// from toolbarIcon). Every button and separator is appended to `actions`; a click calls `onClick`
// with the button's key.
QToolBar* addButtonToolbar(QMainWindow& window, std::span<const ToolbarButton> buttons, int heightPixels,
                           std::vector<QAction*>& actions, std::function<void(const QString& key)> onClick);

}  // namespace pictoreel
