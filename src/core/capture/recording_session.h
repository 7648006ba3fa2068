// Whether this session is a Wayland one, and whether its X11 display can be recorded.
#pragma once

#include <QString>

#include <optional>

namespace pictoreel {

// A Wayland session, even where X11 programs run under it: the X11 display of such a session
// holds only the X11 windows, and the rest of the screen would be recorded black.
bool isWaylandSession();

}  // namespace pictoreel
