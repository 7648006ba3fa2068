// How much of a made frame its transparent colour takes away: the converted one-image GIFs of a
// project's rows are read back and their transparent pixels counted, so that a frame that loses a
// noticeable part of its picture to transparency (a photo's white sky, a white screen background)
// can be pointed out before the animation is posted.
#pragma once

#include "core/project/frame_list.h"
#include "core/project/project_file.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace pictoreel {

struct TransparentShare {
    int row = 0;                 // 1-based
    std::int64_t pixels = 0;     // the frame's transparent pixels
    std::int64_t total = 0;      // all of its pixels
    std::int32_t colour = 0;     // the row's transparent colour, 0x00BBGGRR
};

// The transparent pixels of the converted GIF at `frameGif`; nullopt when it cannot be read.
std::optional<TransparentShare> countTransparentPixels(const QString& frameGif);

// The first row, in order, whose frame (as cached in `tempFolder` by a make of this project) has
// more than `percent` % of its pixels transparent. Only rows with transparency on are looked at;
// rows not converted yet are passed over, never converted here. `stop` is asked between rows.
std::optional<TransparentShare> firstLargeTransparency(const FrameList& frames, const ProjectProperties& properties,
                                                       const QString& tempFolder, double percent = 1.0,
                                                       const std::function<bool()>& stop = {});

// "7,493 white pixels are transparent" with the colour's name where it has a common one
// ("white", "black"), its hexadecimal form "#RRGGBB" otherwise, the count in `groupedCount`.
QString transparentPixelsText(const TransparentShare& share, const QString& groupedCount);

}  // namespace pictoreel
