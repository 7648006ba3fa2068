// How a make turns its pictures: one of the eight ways a rectangle can be turned and flipped,
// kept in a project as "Rotate" (the quarter turns) and "Mirror".
#pragma once

#include <QString>

#include <optional>

namespace pictoreel {

struct Orientation {
    int quarterTurns = 0;   // clockwise, 0..3
    bool mirrored = false;  // flipped left-right before turning

    bool isIdentity() const { return quarterTurns == 0 && !mirrored; }
    bool operator==(const Orientation&) const = default;
};

// The orientation turned further by this many quarter turns clockwise (negative: to the left).
Orientation turned(Orientation orientation, int quarterTurnsClockwise);

// Horizontal: left and right change places; Vertical: top and bottom do.
enum class FlipAxis { Horizontal, Vertical };
// The orientation whose picture is the picture `orientation` shows, flipped as it is shown: a
// Horizontal flip of a picture turned by a quarter still changes its shown left and right.
Orientation flipped(Orientation orientation, FlipAxis axis);

// Whether the turned picture's width is the original's height (an odd number of quarter turns).
bool swapsSides(Orientation orientation);

// The project's texts: "Rotate" is "90", "180" or "270" (empty for none), "Mirror" is "1" (empty
// for none).
QString rotateText(Orientation orientation);
QString mirrorText(Orientation orientation);
// The quarter turns of a "Rotate" text: 0 for an empty text or "0", 1..3 for "90", "180", "270";
// nothing for anything else.
std::optional<int> quarterTurnsFromText(const QString& rotate);
// The orientation of a project's texts; a Rotate text that is not one of its values turns
// nothing, a Mirror other than "1" mirrors nothing.
Orientation orientationFromTexts(const QString& rotate, const QString& mirror);

}  // namespace pictoreel
