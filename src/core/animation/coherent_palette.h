// Palette hysteresis between successive frames, as video coders keep a still area's colours: a
// new table's entry that the eye could not tell from a colour the screen already shows where the
// table will draw becomes that colour. A still or slowly changing area is then drawn with the very
// same colours frame after frame, so it does not shimmer, and its pixels that come out as the
// screen shows them are stored as kept (transparent) pixels.
#pragma once

#include "core/animation/perceptual.h"
#include "core/animation/picture.h"

#include <cstdint>
#include <vector>

namespace pictoreel::animation {

// `palette` with every entry that lies within `reach` (OKLab) of a colour `shown` shows at a
// pixel marked in `drawn` replaced by the nearest such colour; entries that thereby meet are
// left once.
std::vector<Rgb> holdShownColours(std::vector<Rgb> palette, const Picture& shown, const std::vector<std::uint8_t>& drawn,
                                  float reach, LabCache& lab);

}  // namespace pictoreel::animation

#include "core/imaging/quantizer.h"
#include <optional>
namespace pictoreel::animation {
// `source` reduced to `palette` held to the screen's colours (holdShownColours over the whole
// screen), as `reduction` maps; nullopt when no entry is held.
std::optional<Picture> heldConversion(const RgbaImage& source, const std::vector<Rgb>& palette, const Picture& shown,
                                      float reach, const ColourReduction& reduction, LabCache& lab);
}
