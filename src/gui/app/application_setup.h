// The window program's identity, given to the application once before its first window: the
// name its folders and the desktop know it by, its desktop entry, its icon and its language.
#pragma once

namespace pictoreel {

// Sets the application's name, desktop file name and window icon, and installs the translations
// for the system's language. No display name is set: Qt
// would append it to every window caption that does not end with it ("Player — Pictoreel"),
// where the captions must read exactly as the windows give them. The main window's title
// carries the program title itself, and a message box without a caption shows it (Dialogs).
void setUpApplication();

}  // namespace pictoreel
