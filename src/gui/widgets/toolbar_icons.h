// The program's own pictures, one consistent SVG set compiled into the program (icons/icons.qrc):
// the application icon and the toolbar pictures (`ImageList1`), keyed like the toolbar buttons.
// The main window uses "new", "open", "save", "add", "del", "up", "down", "preview", "make",
// "play", "options", "help"; the frames extractor "open", "save", "saveall", "checkall",
// "uncheckall". Being vectors, they are drawn sharp at every screen density, and their colours
// carry their own outlines, so they read on light and dark desktop themes alike.
#pragma once

#include <QIcon>
#include <QString>

namespace pictoreel {

// An empty icon for a key outside the set.
QIcon toolbarIcon(const QString& key);

// The application's icon: window title bars, the About box, the desktop's menus.
QIcon applicationIcon();

}  // namespace pictoreel
