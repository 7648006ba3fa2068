// A frame disposed to background names a transparent index, even when none of its pixels is
// transparent. Browsers clear the disposed rectangle to transparent whatever the frame names, but
// FFmpeg and Pillow clear it to the screen's background colour unless the frame names one: bars
// beside a picture that Fit Inside leaves clear came out in the first colour of the table there.
#pragma once

#include "core/gif/gif_writer.h"

#include <vector>

namespace pictoreel::animation {

// Gives `frame` a transparent index that none of its pixels uses: an index its table holds
// unused; else one added to a table of its own (the screen's, or its own, one entry longer);
// else, when its table has all 256 entries in use, that of its least used colour, whose pixels
// take the nearest other colour of the table instead. `globalPalette` is the screen's table, for
// a frame that uses it. A frame stored as copied bytes whose data cannot be read back is left as
// it is.
void nameTransparentIndex(GifFrameDescription& frame, const std::vector<Rgb>& globalPalette);

}  // namespace pictoreel::animation
