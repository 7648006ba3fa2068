// Reducing a picture to a palette of at most 256 colours, as a GIF stores it.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/imaging/dither.h"

namespace pictoreel {

// What a caller chooses about reducing a picture: the most entries its palette holds, the
// transparent one included (2..256), how it is dithered, and how a photo's palette and dither
// trade steps against noise (see dither.h).
struct ColourReduction {
    int maxColours = 256;
    Dithering dithering = Dithering::Diffusion;
    ReductionTuning tuning = {};
};

struct QuantizeOptions {
    // Pixels with alpha 0 become one reserved palette entry, the image's transparent index,
    // whose colour is `transparentColour`; the other pixels share the remaining 255 entries.
    // The entry is present (and is the transparent index) even when no pixel uses it.
    // Without it every pixel counts as opaque, whatever its alpha.
    bool reserveTransparent = false;
    Rgb transparentColour;
    ColourReduction reduction = {};
};

// A picture whose visible colours fit in the palette is stored exactly: every pixel gets the
// entry of its own colour, with no dithering. A picture of a few thousand colours at most that
// can be reduced almost without loss (flat graphics with smoothed edges) keeps the colours of
// its flat areas exactly and turns each rarer shade into a nearby blend of two of them,
// undithered; what a shade becomes depends on the shade and the flat colours, not on the rest
// of the picture, so areas two pictures share come out the same in both (see flat_shades.h).
// Otherwise (photos) the palette comes from Wu's cuts of the colour cube refined by k-means,
// and every pixel takes its entry as `reduction` says (see photo_palette.h). Partial alpha is
// ignored (callers composite first); only alpha 0 is special, and only with reserveTransparent.
Result<IndexedImage> quantizeImage(const RgbaImage& image, const QuantizeOptions& options = {});

}  // namespace pictoreel
