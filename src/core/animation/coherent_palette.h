// Palette hysteresis between successive frames, as video coders keep a still area's colours: a
// new table's entry that the eye could not tell from a colour the screen already shows becomes
// that colour. A still or slowly changing area is then drawn with the very same colours frame
// after frame, so it does not shimmer, and its pixels that come out as the screen shows them are
// stored as kept (transparent) pixels.
#pragma once

#include "core/animation/perceptual.h"
#include "core/animation/picture.h"
#include "core/imaging/quantizer.h"

#include <optional>
#include <vector>

namespace pictoreel::animation {

// `palette` with every entry that lies within `reach` (OKLab) of a colour `shown` shows replaced
// by the nearest such colour; entries that thereby meet are left once.
std::vector<Rgb> holdShownColours(std::vector<Rgb> palette, const Picture& shown, float reach, LabCache& lab);

// `source` (a photo frame, not of few colours (see hasFewColours), converted to `palette`) mapped
// again, as `reduction` maps, to its palette held to the screen's colours within `reach`, when
// enough of the picture stands still for that to matter (a quarter of its 4x4 blocks look on the
// screen as in `source`); nullopt when it does not, or when no entry is held.
std::optional<Picture> heldConversion(const RgbaImage& source, const std::vector<Rgb>& palette, const Picture& shown,
                                      float reach, const ColourReduction& reduction, LabCache& lab);

}  // namespace pictoreel::animation
