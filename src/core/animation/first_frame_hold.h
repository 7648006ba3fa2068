// The first frame of an animation that can show transparency names a transparent index (see
// background_disposal.h). One whose table has no entry free, and fewer than 256 entries, can have
// one by a longer table, which only pays when a later frame clears part of the screen: it is
// held, with the frames after it, until one does. (A full table of 256 reduced colours gives its
// rarest colour up as the frame is planned, so that the frames after it are planned on what it
// shows; one of 256 colours that are its picture's own names none.)
#pragma once

#include "core/gif/gif_writer.h"

#include <cstddef>
#include <vector>

namespace pictoreel::animation {

class FirstFrameHold {
public:
    // `globalPalette` is the screen's table; `mayShowTransparency` as AnimationSettings has it.
    FirstFrameHold(GifStreamWriter& writer, const std::vector<Rgb>& globalPalette, bool mayShowTransparency)
        : writer_(writer), globalPalette_(globalPalette), mayShowTransparency_(mayShowTransparency)
    {
    }

    // Writes `frame`, or holds it while the first frame, with a table it can lengthen, waits for
    // an index: until a frame clears part of the screen, which gives the first one a table one
    // entry longer, or until the frames held take more than kMostHeldBytes, when they are written
    // as they are.
    Status add(GifFrameDescription frame);
    // Writes the frames still held.
    Status finish();

    static constexpr std::size_t kMostHeldBytes = std::size_t{32} << 20;

private:
    Status writeHeld();

    GifStreamWriter& writer_;
    const std::vector<Rgb>& globalPalette_;
    bool mayShowTransparency_;
    bool first_ = true;
    std::vector<GifFrameDescription> held_;
    std::size_t heldBytes_ = 0;
};

}  // namespace pictoreel::animation
