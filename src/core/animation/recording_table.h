// One colour table for a whole recording of screen content.
//
// A recording's frames have their colours reduced one at a time: each gets a table of its own,
// cut a little differently from its neighbours', so still pixels "change" by a level and every
// frame carries its own table. A screen recording has few colours, mostly the same ones in every
// frame; one table cut from the colours of all its frames (each weighted by its pixels over the
// whole recording) serves every frame, and each colour then takes the same entry in every frame:
// still pixels stay still and no frame needs a table of its own. As video tools do with a
// palette made from the whole sequence.
#pragma once

#include "core/animation/animation_frames.h"
#include "core/animation/picture.h"

#include <optional>
#include <unordered_map>
#include <vector>

namespace pictoreel::animation {

class RecordingTable {
public:
    // The table for `frames` when every frame with a picture is screen content (see
    // hasFewColours) of the screen's size with its source picture at hand, the first of them
    // (`first`, frame `firstIndex`) reduced rather than stored exactly, at most a quarter of the
    // frames change more than a quarter of the screen's pixels, and the table leaves
    // every frame within its bound: twice the mean squared error its own reduction has, or a
    // sixteenth of a level squared per channel (beyond 60 dB PSNR) where that is more. At most
    // `maxColours` entries. Nullopt otherwise; the frames' sources are then left as they were.
    static std::optional<RecordingTable> choose(const AnimationFrames& frames, int firstIndex, const Picture& first,
                                                int maxColours);

    const std::vector<Rgb>& palette() const { return palette_; }

    // Frame k's picture on the table, from its source; `position` and `path` as the frame's.
    Result<Picture> picture(const AnimationFrames& frames, std::size_t k, Picture reuse) const;

private:
    std::vector<Rgb> palette_;
    // Every colour of the recording (red << 16 | green << 8 | blue) and the entry it takes.
    std::unordered_map<std::uint32_t, Pixel> entryOf_;
};

}  // namespace pictoreel::animation
