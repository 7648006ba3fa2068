// Transparent pixels made visible: a light checkerboard painted where a picture will be drawn,
// so that its transparent pixels show the pattern instead of the window's background (a frame's
// pure white that becomes transparent would otherwise look white on screen).
#pragma once

#include <QRect>

class QPainter;

namespace pictoreel {

// The side of one square, in device-independent pixels.
inline constexpr int kCheckerSquare = 8;

// Paints the checkerboard over `area`, its squares counted from the area's top-left corner.
void paintCheckerboard(QPainter& painter, const QRect& area);

}  // namespace pictoreel
