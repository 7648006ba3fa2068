// The Edit menu's "Show Thumbnails" entry: turns the frame list's thumbnails on and off and keeps
// the choice in the settings file for the next start.
#pragma once

class QMenu;

namespace pictoreel {

class MainWindow;

// Adds a separator and the checkable entry at the end of `menu`. The entry works on the window's
// frame list (`ListView1`), which may be made after this call; the choice kept in the settings is
// taken when the window is first shown. On when the settings say nothing.
void addThumbnailToggle(QMenu* menu, MainWindow& window);

}  // namespace pictoreel
