// The twelve pictures of the main window's toolbar (`ImageList1`), keyed like its buttons:
// "new", "open", "save", "add", "del", "up", "down", "preview", "make", "play", "options", "help".
// Drawn by the program itself, so they look the same on every desktop theme.
#pragma once

#include <QIcon>
#include <QString>

namespace pictoreel {

// An empty icon for a key outside the twelve.
QIcon toolbarIcon(const QString& key);

}  // namespace pictoreel
