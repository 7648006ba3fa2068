// A frame disposed to background names a transparent index, even when none of its pixels is
// transparent. Browsers clear the disposed rectangle to transparent whatever the frame names, but
// FFmpeg and Pillow clear it to the screen's background colour unless the frame names one: bars
// beside a picture that Fit Inside leaves clear came out in the first colour of the table there.
// So does the first frame of an animation that can show transparency: Pillow 9 decides from the
// first frame whether any frame of the animation can be transparent.
#pragma once

#include "core/gif/gif_writer.h"

#include <optional>
#include <vector>

namespace pictoreel::animation {

// What a frame may give for a transparent index when its table holds none unused.
enum class IndexCost {
    // A table of its own one entry longer; when that would pass 256, its least used colour.
    AnyWay,
    // Its least used colour, when its table has all 256 entries in use; else nothing. For
    // colours that are a reduction already.
    ALeastUsedColour,
    // A table of its own one entry longer, when that stays within 256; else nothing.
    ALongerTable,
    // Nothing: the frame names an index only when its table holds one unused.
    Nothing,
};

// A colour that gave its index up: its pixels show `to` instead.
struct GivenUpColour {
    Rgb from, to;
};

// How many entries the table `frame` is written with has (`globalPalette` is the screen's table).
int writtenTableSize(const GifFrameDescription& frame, const std::vector<Rgb>& globalPalette);

// Gives `frame` a transparent index that none of its pixels uses: an index its table holds
// unused, else as `cost` allows; a colour that gave its index up is told. `globalPalette` is the
// screen's table, for a frame that uses it. A frame stored as copied bytes whose data cannot be
// read back is left as it is.
std::optional<GivenUpColour> nameTransparentIndex(GifFrameDescription& frame, const std::vector<Rgb>& globalPalette,
                                                  IndexCost cost = IndexCost::AnyWay);

}  // namespace pictoreel::animation
