// The keys a text box keeps for its own text although the window binds them to commands: select
// all, cut, copy, paste, undo and redo (Ctrl+A, Ctrl+X, Ctrl+C, Ctrl+V, Ctrl+Z, Ctrl+Shift+Z, as
// the desktop's key bindings name them). Elsewhere in the window they run the commands.
#pragma once

class QKeyEvent;

namespace pictoreel {

bool isTextEditingKey(const QKeyEvent* key);

}  // namespace pictoreel
