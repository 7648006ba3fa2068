// Whether this session's screen can be recorded, and if not, why, in words for the user.
#pragma once

#include <QString>

#include <optional>

namespace pictoreel {

// A Wayland session is refused even where X11 programs run under it: the X11 display of such a
// session holds only the X11 windows, and the rest of the screen would be recorded black.
std::optional<QString> screenRecordingUnavailable();

}  // namespace pictoreel
